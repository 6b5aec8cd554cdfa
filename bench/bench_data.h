// What the benchmarks work on: a full table's worth of descriptions, in the orders Store
// meets them, and a folder for the files they write.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/text.h"
#include "entry/entry.h"

namespace bench {

constexpr int kRows = Entry::kStoreLimit;

enum class Order { kAscending, kDescending, kRandom };

// Index entries of a report, numbered so that their order as text is their numeric order.
inline std::vector<Text> Descriptions(Order order) {
    std::vector<Text> descriptions;
    for (int i = 0; i < kRows; ++i) {
        const Text digits = DecimalText(i);
        descriptions.push_back(u"Entry " + Text(5 - digits.size(), u'0') + digits + u" of the report");
    }
    if (order == Order::kDescending) std::reverse(descriptions.begin(), descriptions.end());
    if (order == Order::kRandom) std::shuffle(descriptions.begin(), descriptions.end(), std::mt19937(20240305));
    return descriptions;
}

// A folder of the run's own, in memory (/dev/shm) where there is one, so that the file
// benchmarks measure the work of writing and reading and not the disk; FOLIO_BENCH_DIR
// names another place (a disk, to see what syncing costs there).
class BenchFolder {
public:
    BenchFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        const char* chosen = std::getenv("FOLIO_BENCH_DIR");
        const fs::path base = chosen != nullptr && *chosen != '\0' ? fs::path(chosen)
                              : fs::is_directory("/dev/shm", ec)     ? fs::path("/dev/shm")
                                                                     : fs::temp_directory_path();
        std::string name = (base / "folio-bench-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) name = (base / "folio-bench").string();
        path_ = name;
        fs::create_directories(path_, ec);
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    std::filesystem::path operator/(const char* name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace bench
