#include "platform/files.h"

#include <algorithm>
#include <atomic>

namespace platform {
namespace {
// Lines are small: gather them so that an index file takes a few large writes.
constexpr size_t kBufferSize = 64 * 1024;
}  // namespace

void FileReplacement::Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) {
        WriteOut(buffer_);
        buffer_.clear();
    }
}

bool FileReplacement::Commit() {
    WriteOut(buffer_);
    buffer_.clear();
    FinishWriting();
    return PutInPlace();
}

Text FileReplacement::TemporaryName(size_t nameLength) {
    // Unique within the process first (a serial), then across processes (the process id), so
    // that a short name keeps the part that changes from one call to the next.
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
    name.resize(std::min(name.size(), std::max<size_t>(nameLength, 1)));
    // A cut name may not end in '.', which Windows would drop, nor in a lone '-'.
    if (name.back() == u'.' || name.back() == u'-') name.back() = u'~';
    return name;
}

}  // namespace platform
