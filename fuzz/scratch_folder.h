// A folder of the fuzz process's own for the files a target writes and loads, removed at exit.
// It lies in memory (/dev/shm) where there is one, since Save syncs every file it writes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/text.h"

namespace fuzz {

class ScratchFolder {
public:
    ScratchFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string name = (base / "folio-fuzz-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) name = (base / "folio-fuzz").string();
        path_ = name;
        fs::create_directories(path_, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of a name in this folder, as the library takes it.
    Text operator/(const char* name) const { return (path_ / name).u16string(); }

private:
    std::filesystem::path path_;
};

}  // namespace fuzz
