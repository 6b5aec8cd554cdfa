// Portable file services: paths are the native file system's (UTF-8), written through
// std::filesystem and POSIX calls; error codes are translated to their Win32 numbers so that
// both builds raise the same file errors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/error.h"
#include "platform/file_room.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace platform {

const char16_t kDirectorySeparator = u'/';
const size_t kPathLimit = 4095;

namespace {

uint32_t Win32CodeOf(int err) {
    switch (err) {
        case ENOENT: return 3;       // ERROR_PATH_NOT_FOUND
        case EACCES: case EPERM: case EISDIR: return 5;  // ERROR_ACCESS_DENIED
        case EROFS: return 19;       // ERROR_WRITE_PROTECT
        case EBUSY: case ETXTBSY: return 32;  // ERROR_SHARING_VIOLATION
        case ENOSPC: return 112;     // ERROR_DISK_FULL
        case EEXIST: return 80;      // ERROR_FILE_EXISTS
        case EINVAL: return 87;      // ERROR_INVALID_PARAMETER
        case ENAMETOOLONG: return 206;
        default: return 31;          // ERROR_GEN_FAILURE
    }
}

[[noreturn]] void ThrowErrno(int err) { throw FileError(Win32CodeOf(err)); }

fs::path PathOf(const Text& text) { return fs::path(text); }

// Writes all of the bytes, or throws the file error.
void WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        done += static_cast<size_t>(n);
    }
}

// A folder or a file without write permission is refused, whoever runs the program.
void RefuseUnwritable(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) throw FileError(5);
    if (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw FileError(5);
}

class PortableReplacement : public FileReplacement {
public:
    PortableReplacement(fs::path target, fs::path temp, int fd)
        : target_(std::move(target)), temp_(std::move(temp)), fd_(fd) {}

    ~PortableReplacement() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(temp_.c_str());
    }

protected:
    void FinishWriting() override {
        const bool synced = ::fsync(fd_) == 0;
        const int syncError = errno;
        const bool closed = ::close(fd_) == 0;
        const int closeError = errno;
        fd_ = -1;
        if (!synced) ThrowErrno(syncError);
        if (!closed) ThrowErrno(closeError);
    }

    bool PutInPlace() override {
        committed_ = ::rename(temp_.c_str(), target_.c_str()) == 0;
        return committed_;
    }

    void WriteOut(std::string_view bytes) override { WriteAll(fd_, bytes); }

private:
    fs::path target_, temp_;
    int fd_;
    bool committed_ = false;
};

}  // namespace

bool FileIsPresent(const Text& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const fs::file_status status = fs::status(PathOf(path), ec);
    return !ec && fs::is_regular_file(status);
}

std::string_view ReadFileInto(const Text& path, std::string& room) {
    const fs::path p = PathOf(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(errno);
    // Read in place, into room for the length the file has when opened: the bytes are copied
    // once. A file that grows meanwhile is read to its end all the same.
    struct stat status;
    const size_t begin =
        PrepareFileRoom(room, ::fstat(fd, &status) == 0 && status.st_size > 0 ? static_cast<size_t>(status.st_size) : 0);
    size_t have = 0;
    char chunk[64 * 1024];
    for (;;) {
        const bool inPlace = begin + have < room.size();
        char* const into = inPlace ? room.data() + begin + have : chunk;
        const size_t space = inPlace ? room.size() - begin - have : sizeof chunk;
        const ssize_t n = ::read(fd, into, space);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            ThrowErrno(err);
        }
        if (!inPlace) room.append(chunk, static_cast<size_t>(n));
        have += static_cast<size_t>(n);
    }
    ::close(fd);
    room.resize(begin + have);  // a file that shrank meanwhile
    return std::string_view(room).substr(begin);
}

void OverwriteFile(const Text& path, std::string_view bytes) {
    const fs::path p = PathOf(path);
    RefuseUnwritable(p);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) ThrowErrno(errno);
    try {
        WriteAll(fd, bytes);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) ThrowErrno(errno);
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

std::unique_ptr<FileReplacement> FileReplacement::Begin(const Text& target) {
    if (target.empty()) throw FileError(3);  // no such path
    const fs::path path = PathOf(target);
    RefuseUnwritable(path);

    // The temporary file goes beside the target, so that the replace is a rename.
    const size_t nameStart = target.find_last_of(u'/') + 1;  // 0 when there is no folder
    int fd = -1;
    fs::path temp;
    for (uint32_t attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        temp = PathOf(TemporaryPath(target, nameStart));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) ThrowErrno(errno);
    }
    if (fd < 0) ThrowErrno(EEXIST);
    return std::make_unique<PortableReplacement>(path, std::move(temp), fd);
}

}  // namespace platform
