// File services of the platform seam, and the library's own version information.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/text.h"

namespace platform {

// The separator the platform puts between a folder and a name.
extern const char16_t kDirectorySeparator;
// The most characters a path may hold, and a name within it.
extern const size_t kPathLimit;
inline constexpr size_t kNameLimit = 255;

// A normal file of that name is present: a folder, a hidden or a system file is not.
// On Windows the name may hold wildcards, which match as a directory search does.
bool FileIsPresent(const Text& path);

// The whole content of a file, as bytes, read into `room` (what it held is gone; its storage
// serves where it is large enough): the view answered, within `room`. Throws the file error
// when the file cannot be read.
std::string_view ReadFileInto(const Text& path, std::string& room);

// Writes the bytes as the file's whole content, in place: the file is created, or an existing
// one cut to length zero first. Throws the file error when it cannot be opened or written (a
// read-only file is refused before it is touched).
void OverwriteFile(const Text& path, std::string_view bytes);

// Writes a file without ever losing the one it replaces: the bytes go into a temporary file
// beside the target, which Commit puts in place in one step. A writer destroyed before
// Commit removes its temporary file and leaves the target untouched.
class FileReplacement {
public:
    // Throws the file error when the target cannot be written: an empty path, a missing
    // folder, a folder of that name, a read-only file, or no temporary file can be made.
    static std::unique_ptr<FileReplacement> Begin(const Text& target);
    virtual ~FileReplacement() = default;

    // Buffered; throws the file error when a write fails.
    void Write(std::string_view bytes);
    // Writes the buffered bytes out once they pass a bounded size (kBufferSize), so that a
    // writer that builds a large content in Unwritten() needs no more memory for a large file
    // than for a small one. Throws the file error when the write fails.
    void WriteIfFull();
    // Writes what is buffered and makes it durable (throws the file error when that fails),
    // then replaces the target. False when the target could not be replaced: it is held open
    // by another program or may not be replaced; it keeps its content and the temporary file
    // is gone.
    bool Commit();
    // The bytes written but not yet out, for a writer that builds a large content in place:
    // what it appends here goes out, with the rest, at the next Write, WriteIfFull or Commit.
    std::string& Unwritten() { return buffer_; }

    // How much a writer gathers before it writes: large enough that a file takes few writes,
    // small enough that a 32-bit host never lacks the memory for it.
    static constexpr size_t kBufferSize = 256 * 1024;

    // For tests: a probe called before each step that can fail (a write of a full buffer,
    // Commit's last write, the finishing that makes the file durable) with the number of bytes
    // written so far. It may throw, as a full disk or a failed allocation would at that point.
    // Null: no probe.
    enum class WriteStep { kPiece, kLastPiece, kFinish };
    using WriteProbe = void (*)(WriteStep step, uint64_t writtenSoFar);
    static void SetWriteProbe(WriteProbe probe);

protected:
    // Writes all of `bytes` to the temporary file, or throws the file error.
    virtual void WriteOut(std::string_view bytes) = 0;
    // Makes the temporary file durable and closes it, or throws the file error.
    virtual void FinishWriting() = 0;
    // Puts the temporary file in place of the target; false when it cannot.
    virtual bool PutInPlace() = 0;

    // The name of a temporary file beside `target`, whose name starts at `nameStart`. Each call
    // gives another name, for when one is taken. A name has enough characters that names do
    // not run out; only where the platform's path limit leaves no room for that is it cut, and
    // never below the target's own name length, so that a target whose path fits the limit is
    // never refused for its temporary name.
    static Text TemporaryPath(const Text& target, size_t nameStart);
    // How many names Begin tries before it gives up.
    static constexpr uint32_t kNameAttempts = 64;

private:
    // Every write goes through here, past the probe.
    void WriteBuffer(WriteStep step);

    std::string buffer_;
    uint64_t written_ = 0;
};

// The running process's identifier.
uint32_t CurrentProcessId();

// What the library knows of itself: its version block, file name and folder.
struct VersionInfo {
    Text executableName;   // the library file's name without extension
    Text productName;
    Text fileDescription;
    Text companyName;
    int16_t major = 0, minor = 0, revision = 0;
    Text installedFolder;  // the folder the library file was loaded from

    // "major.minor (revision)", as the file header and Help show the version.
    Text Numbers() const {
        return DecimalText(major) + u"." + DecimalText(minor) + u" (" + DecimalText(revision) + u")";
    }
};

VersionInfo LibraryVersion();

}  // namespace platform
