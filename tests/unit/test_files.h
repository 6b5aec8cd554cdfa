// Files for tests: a fresh folder per test, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/text.h"

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A folder no other test program has: the Keystack and Pagestack tests, their
        // Valgrind runs and other checkouts run the same tests at the same time.
        const std::string base = std::string("folio-") + info->test_suite_name() + "-" + info->name() + "-";
        for (int n = 0; n < 10000; ++n) {
            std::error_code ec;  // also when another program removes its folder of this name
            if (fs::create_directory(path_ = fs::temp_directory_path() / (base + std::to_string(n)), ec)) return;
        }
        ADD_FAILURE() << "no folder of its own for this test";
        path_.clear();
    }
    // Not std::filesystem::remove_all: its MinGW build goes round forever on an entry that Wine
    // still lists after a program whose handle outlived it had the file deleted. This gives up
    // after a few rounds, leaving what it cannot remove.
    ~TempFolder() {
        if (path_.empty()) return;
        for (int round = 0; round < 20 && !RemoveTree(path_); ++round)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The path of a name in this folder, as the library takes it.
    Text operator/(const std::string& name) const { return (path_ / name).u16string(); }
    const fs::path& path() const { return path_; }
    // Names in the folder, to see that no temporary file is left behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    // Removes what it can of a folder and everything in it; whether the folder is gone.
    static bool RemoveTree(const fs::path& folder) {
        std::error_code ec;
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
        for (const fs::path& entry : entries) {
            fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, ec);
            if (fs::is_directory(fs::symlink_status(entry, ec))) RemoveTree(entry);
            fs::remove(entry, ec);
        }
        fs::remove(folder, ec);
        return !fs::exists(folder, ec);
    }

    fs::path path_;
};

inline std::string ReadBytes(const Text& path) {
    std::ifstream in{fs::path(path), std::ios::binary};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const Text& path, const std::string& bytes) {
    std::ofstream out{fs::path(path), std::ios::binary | std::ios::trunc};
    out << bytes;
}

inline void MakeReadOnly(const Text& path) {
    fs::permissions(fs::path(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

// The lines of a file written with CR LF line ends; fails when the last line has none.
inline std::vector<std::string> CrLfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = bytes.find("\r\n", begin)) != std::string::npos; begin = end + 2)
        lines.push_back(bytes.substr(begin, end - begin));
    EXPECT_EQ(begin, bytes.size()) << "the file does not end in CR LF";
    return lines;
}
