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

TEST(HostThreads, ThreadsEndAndTheProcessExitsByItself) {
    const std::wstring folder = WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\host_threads";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring output = folder + L"\\output.txt";

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring commandLine = L"\"" + WindowsPath(FOLIO_TEST_HOST_CLIENT) + L"\" \"" + folder + L"\"";
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(out);
    ASSERT_TRUE(started) << GetLastError();
    CloseHandle(process.hThread);

    // The work takes its time; once the client says it is done, the process has seconds to end.
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

    const std::string report = ReadAll(output);
    std::printf("%s", report.c_str());  // the figures: thread times and the heap
    EXPECT_TRUE(ended) << (doneAt ? "the client finished its work but its process did not end"
                                  : "the client did not finish its work in time");
    EXPECT_NE(report.find("host client done"), std::string::npos);
    EXPECT_EQ(report.find("FAIL"), std::string::npos);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace com_test
