// Win32 file services.
#include <windows.h>

#include <algorithm>

#include "core/error.h"
#include "platform/file_room.h"
#include "platform/files.h"

namespace platform {

const char16_t kDirectorySeparator = u'\\';
// Paths without the long-path prefix: MAX_PATH less the terminating zero.
const size_t kPathLimit = MAX_PATH - 1;

namespace {

const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

[[noreturn]] void ThrowLastError() {
    const DWORD code = GetLastError();
    throw FileError(code == 0 ? ERROR_GEN_FAILURE : code);
}

// Writes all of the bytes, or throws the file error.
void WriteAll(HANDLE file, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) ThrowLastError();
        done += written;
    }
}

// A folder or a read-only file is refused before it is touched: checked by attribute, not left
// to the open, since a process with backup rights could otherwise write a file its owner marked
// read-only.
void RefuseUnwritable(const Text& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        throw FileError(ERROR_ACCESS_DENIED);
}

class Win32Replacement : public FileReplacement {
public:
    Win32Replacement(Text target, Text temp, HANDLE file)
        : target_(std::move(target)), temp_(std::move(temp)), file_(file) {}

    ~Win32Replacement() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        if (!committed_) DeleteFileW(Wide(temp_));
    }

protected:
    void FinishWriting() override {
        const BOOL flushed = FlushFileBuffers(file_);
        const DWORD flushError = GetLastError();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (!flushed) throw FileError(flushError);
    }

    bool PutInPlace() override {
        committed_ = MoveFileExW(Wide(temp_), Wide(target_),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        return committed_;
    }

    void WriteOut(std::string_view bytes) override { WriteAll(file_, bytes); }

private:
    Text target_, temp_;
    HANDLE file_;
    bool committed_ = false;
};

}  // namespace

bool FileIsPresent(const Text& path) {
    if (path.empty()) return false;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(Wide(path), &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool present = false;
    do {
        const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        present = (data.dwFileAttributes & excluded) == 0;
    } while (!present && FindNextFileW(search, &data));
    FindClose(search);
    return present;
}

std::string_view ReadFileInto(const Text& path, std::string& room) {
    // Sharing delete too: a Save of the same file may replace it while it is read (the reader
    // keeps reading the old content, where the platform allows it).
    HANDLE file = CreateFileW(Wide(path), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) ThrowLastError();
    // Read in place, into room for the length the file has when opened: the bytes are copied
    // once. A file that grows meanwhile is read to its end all the same.
    LARGE_INTEGER size{};
    const size_t begin =
        PrepareFileRoom(room, GetFileSizeEx(file, &size) && size.QuadPart > 0 ? static_cast<size_t>(size.QuadPart) : 0);
    size_t have = 0;
    char chunk[64 * 1024];
    for (;;) {
        const bool inPlace = begin + have < room.size();
        char* const into = inPlace ? room.data() + begin + have : chunk;
        const DWORD space =
            static_cast<DWORD>(inPlace ? std::min<size_t>(room.size() - begin - have, 1u << 30) : sizeof chunk);
        DWORD read = 0;
        if (!ReadFile(file, into, space, &read, nullptr)) {
            const DWORD code = GetLastError();
            CloseHandle(file);
            throw FileError(code);
        }
        if (read == 0) break;
        if (!inPlace) room.append(chunk, read);
        have += read;
    }
    CloseHandle(file);
    room.resize(begin + have);  // a file that shrank meanwhile
    return std::string_view(room).substr(begin);
}

void OverwriteFile(const Text& path, std::string_view bytes) {
    RefuseUnwritable(path);
    // Shared for writing: reports on several threads may write the same log at once.
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ThrowLastError();
    try {
        WriteAll(file, bytes);
    } catch (...) {
        CloseHandle(file);
        throw;
    }
    CloseHandle(file);
}

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

std::unique_ptr<FileReplacement> FileReplacement::Begin(const Text& target) {
    if (target.empty()) throw FileError(ERROR_PATH_NOT_FOUND);
    RefuseUnwritable(target);

    // The temporary file goes beside the target, so that the replace is a rename.
    const size_t nameStart = target.find_last_of(u"\\/:") + 1;  // 0 when there is no folder
    HANDLE file = INVALID_HANDLE_VALUE;
    Text temp;
    for (uint32_t attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kNameAttempts; ++attempt) {
        temp = TemporaryPath(target, nameStart);
        file = CreateFileW(Wide(temp), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) ThrowLastError();
    }
    if (file == INVALID_HANDLE_VALUE) ThrowLastError();
    return std::make_unique<Win32Replacement>(target, temp, file);
}

}  // namespace platform
