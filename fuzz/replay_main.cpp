// Runs one fuzz target over the files of its corpus without libFuzzer: the regression test
// that every test run gets. Arguments are files and folders (a folder's files are taken in
// name order). Each input runs in a child process of its own, so that one that aborts does
// not hide the rest. Fails when no input is found, when an input breaks a promise (its child
// does not exit with 0), or when one takes longer than --max-seconds (2 by default; its child
// is then stopped): every input must finish well within a second, and sanitizer builds run
// slower. --max-seconds=0 sets no limit.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsOf(const std::vector<fs::path>& arguments) {
    std::vector<fs::path> inputs;
    for (const fs::path& argument : arguments) {
        if (fs::is_directory(argument)) {
            std::vector<fs::path> files;
            for (const auto& item : fs::directory_iterator(argument))
                if (item.is_regular_file()) files.push_back(item.path());
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else {
            inputs.push_back(argument);
        }
    }
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    double maxSeconds = 2;
    std::vector<fs::path> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--max-seconds=", 14) == 0) {
            maxSeconds = std::atof(argv[i] + 14);
        } else {
            arguments.emplace_back(argv[i]);
        }
    }
    const std::vector<fs::path> inputs = InputsOf(arguments);
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no input found\n");
        return 1;
    }

    int failed = 0;
    double slowest = 0;
    std::string slowestName;
    for (const fs::path& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};

        std::fflush(nullptr);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child < 0) {
            std::perror("replay: fork");
            return 1;
        }
        if (child == 0) {
            // A buffer of exactly the input's size, as libFuzzer hands it over, so that a
            // read past its end is seen by the sanitizers.
            const auto data = std::make_unique<uint8_t[]>(bytes.size());
            std::memcpy(data.get(), bytes.data(), bytes.size());
            LLVMFuzzerTestOneInput(data.get(), bytes.size());
            std::exit(0);  // not _exit: the leak checks run at exit
        }
        // Waits for the child; one still running past the limit is stopped, so that a slow
        // input fails the test at once instead of holding it up.
        int status = 0;
        double seconds = 0;
        bool stopped = false;
        for (;;) {
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (done == child) break;
            if (done < 0 && errno != EINTR) {
                std::perror("replay: waitpid");
                return 1;
            }
            if (maxSeconds > 0 && seconds > maxSeconds && !stopped) {
                ::kill(child, SIGKILL);
                stopped = true;
            }
            ::usleep(1000);
        }
        if (seconds > slowest) {
            slowest = seconds;
            slowestName = path.filename().string();
        }
        if (stopped) {
            std::fprintf(stderr, "replay: FAILED %s: still running after %.2f s\n", path.c_str(), maxSeconds);
            ++failed;
        } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "replay: FAILED %s (%s %d)\n", path.c_str(),
                         WIFSIGNALED(status) ? "signal" : "exit code",
                         WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
            ++failed;
        } else if (maxSeconds > 0 && seconds > maxSeconds) {
            std::fprintf(stderr, "replay: FAILED %s: took %.2f s, more than %.2f s\n", path.c_str(), seconds,
                         maxSeconds);
            ++failed;
        }
    }
    std::printf("replayed %zu inputs, %d failed; slowest %.3f s (%s)\n", inputs.size(), failed, slowest,
                slowestName.c_str());
    return failed == 0 ? 0 : 1;
}
