#include "platform/files.h"

#include <algorithm>
#include <atomic>

namespace platform {
namespace {
std::atomic<FileReplacement::WriteProbe> g_writeProbe{nullptr};
}  // namespace

void FileReplacement::SetWriteProbe(WriteProbe probe) { g_writeProbe.store(probe); }

namespace {
void Probe(FileReplacement::WriteStep step, uint64_t written) {
    if (const FileReplacement::WriteProbe probe = g_writeProbe.load(std::memory_order_relaxed)) probe(step, written);
}
}  // namespace

void FileReplacement::WriteBuffer(WriteStep step) {
    Probe(step, written_);
    WriteOut(buffer_);
    written_ += buffer_.size();
    buffer_.clear();  // keeps its capacity for the next piece
}

void FileReplacement::Write(std::string_view bytes) {
    buffer_.append(bytes);
    WriteIfFull();
}

void FileReplacement::WriteIfFull() {
    if (buffer_.size() >= kBufferSize) WriteBuffer(WriteStep::kPiece);
}

bool FileReplacement::Commit() {
    WriteBuffer(WriteStep::kLastPiece);
    Probe(WriteStep::kFinish, written_);
    FinishWriting();
    return PutInPlace();
}

Text FileReplacement::TemporaryPath(const Text& target, size_t nameStart) {
    // Unique within the process first (a serial), then across processes (the process id), so
    // that a name cut short keeps the part that changes from one call to the next.
    static std::atomic<uint32_t> serial{0};
    const uint32_t id = serial++;
    auto hex = [](uint32_t value) {
        Text digits;
        do {
            digits.insert(digits.begin(), u"0123456789abcdef"[value & 15]);
            value >>= 4;
        } while (value);
        return digits;
    };
    Text name = u"~" + hex(id) + u"-" + hex(CurrentProcessId()) + u".tmp";
    const size_t room = nameStart < kPathLimit ? std::min(kNameLimit, kPathLimit - nameStart) : 0;
    // Cut to the room left, never below the target's own name's length (a name is only ever
    // cut, never lengthened).
    const size_t keep = std::max<size_t>({room, target.size() - nameStart, 1});
    if (keep < name.size()) {
        name.resize(keep);
        // A cut name may not end in '.', which Windows would drop, nor in a lone '-'.
        if (name.back() == u'.' || name.back() == u'-') name.back() = u'~';
    }
    return target.substr(0, nameStart) + name;
}

}  // namespace platform
