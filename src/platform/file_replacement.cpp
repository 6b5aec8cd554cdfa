#include "platform/files.h"

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

void FileReplacement::Commit() {
    WriteOut(buffer_);
    buffer_.clear();
    Finish();
}

}  // namespace platform
