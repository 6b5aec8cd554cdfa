// A console shows text in its own code page: text for it goes through WriteConsoleW, whatever
// that code page is. A file or a pipe gets the UTF-8 bytes unchanged.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/console.h"

namespace platform {

bool WriteStandard(StandardStream stream, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        if (utf8.empty()) return true;
        const int size = static_cast<int>(utf8.size());
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
        for (size_t at = 0; at < wide.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - at, 8192));
            if (!WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr) || written == 0) return false;
            at += written;
        }
        return true;
    }
    while (!utf8.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(utf8.size(), 1 << 20));
        if (!WriteFile(handle, utf8.data(), chunk, &written, nullptr) || written == 0) return false;
        utf8.remove_prefix(written);
    }
    return true;
}

}  // namespace platform
