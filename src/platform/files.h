// File services of the platform seam, and the library's own version information.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/text.h"

namespace platform {

// The separator the platform puts between a folder and a name.
extern const char16_t kDirectorySeparator;

// A normal file of that name is present: a folder, a hidden or a system file is not.
// On Windows the name may hold wildcards, which match as a directory search does.
bool FileIsPresent(const Text& path);

// The whole content of a file, as bytes. Throws the file error when it cannot be read.
std::string ReadFileBytes(const Text& path);

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
    // Writes what is buffered and replaces the target. Throws the file error on failure.
    void Commit();
    // The bytes written but not yet out, for a writer that builds a large content in place:
    // what it appends here goes out, with the rest, at the next Write or at Commit.
    std::string& Unwritten() { return buffer_; }

protected:
    // Writes all of `bytes` to the temporary file, or throws the file error.
    virtual void WriteOut(std::string_view bytes) = 0;
    // Makes the temporary file durable, closes it and puts it in place of the target.
    virtual void Finish() = 0;

private:
    std::string buffer_;
};

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
