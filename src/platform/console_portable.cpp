#include <unistd.h>

#include <cerrno>

#include "platform/console.h"

namespace platform {

bool WriteStandard(StandardStream stream, std::string_view utf8) {
    const int fd = stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
    while (!utf8.empty()) {
        const ssize_t n = write(fd, utf8.data(), utf8.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        utf8.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace platform
