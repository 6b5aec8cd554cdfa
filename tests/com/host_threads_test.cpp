// Report hosts run reports on worker threads, one apartment each, in one long-lived process.
// host_threads_client.exe plays such a host in a process of its own; here it is watched:
// it must report no fault and end by itself within seconds of finishing its work, and it is
// ended (and the test failed) when it does not.
#include <fstream>
#include <sstream>
#include <string>

#include "com_client.h"

namespace com_test {
namespace {

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct ClientRun {
    bool ended;
    DWORD exitCode;
    std::string report;
};

// Runs the client with `mode` (empty, or "exit-with-objects") and watches it: the work takes its
// time; once the client says it is done, the process has seconds to end, or it is ended.
ClientRun RunClient(const std::wstring& mode, const std::wstring& outputName) {
    const std::wstring folder = WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\host_threads";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring output = folder + L"\\" + outputName;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {false, 0, "cannot create the output file"};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring commandLine = L"\"" + WindowsPath(FOLIO_TEST_HOST_CLIENT) + L"\" \"" + folder + L"\" " + mode;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(out);
    if (!started) return {false, 0, "cannot start the client: " + std::to_string(GetLastError())};
    CloseHandle(process.hThread);

    constexpr DWORD kWorkLimitMs = 300000, kExitLimitMs = 10000;
    const DWORD start = GetTickCount();
    DWORD doneAt = 0;
    bool ended = false;
    while (!ended) {
        ended = WaitForSingleObject(process.hProcess, 200) == WAIT_OBJECT_0;
        const DWORD now = GetTickCount();
        if (!doneAt && ReadAll(output).find("host client done") != std::string::npos) doneAt = now;
        if (!ended && (doneAt ? now - doneAt > kExitLimitMs : now - start > kWorkLimitMs)) break;
    }
    if (!ended) TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 0;
    WaitForSingleObject(process.hProcess, 5000);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    ClientRun run{ended, exitCode, ReadAll(output)};
    if (!ended)
        run.report += doneAt ? "the client finished its work but its process did not end\n"
                             : "the client did not finish its work in time\n";
    return run;
}

TEST(HostThreads, ThreadsEndAndTheProcessExitsByItself) {
    const ClientRun run = RunClient(L"", L"output.txt");
    std::printf("%s", run.report.c_str());  // the figures: thread times and the heap
    EXPECT_TRUE(run.ended);
    EXPECT_NE(run.report.find("host client done"), std::string::npos);
    EXPECT_EQ(run.report.find("FAIL"), std::string::npos);
    EXPECT_EQ(run.exitCode, 0u);
}

// A host that exits while its reports still hold objects of both libraries, on several threads:
// the libraries do nothing at process termination, and the process ends at once.
TEST(HostThreads, AProcessThatExitsWithObjectsAliveEndsPromptly) {
    const ClientRun run = RunClient(L"exit-with-objects", L"exit-output.txt");
    EXPECT_TRUE(run.ended) << run.report;
    EXPECT_NE(run.report.find("host client done"), std::string::npos) << run.report;
    EXPECT_EQ(run.report.find("FAIL"), std::string::npos) << run.report;
    EXPECT_EQ(run.exitCode, 0u) << run.report;
}

}  // namespace
}  // namespace com_test
