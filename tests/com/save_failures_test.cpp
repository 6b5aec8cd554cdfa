// Save when its file cannot be put in place, as a report host meets it: the target held open by
// another program, a target that may not be replaced, and a target read by another thread in a
// loop while two threads save to it. Save answers "Could Not Save to " and the file keeps what
// it held, with no temporary file left; a reader sees one whole table or the other, never part.
#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "com_client.h"

namespace com_test {
namespace {

// A folder of the test's own under the build's work folder, emptied first.
class Folder {
public:
    explicit Folder(const std::wstring& name) : path_(WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\" + name) {
        CreateDirectoryW(path_.c_str(), nullptr);
        for (const std::wstring& file : Names()) DeleteFileW((path_ + L"\\" + file).c_str());
    }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    const std::wstring& Path() const { return path_; }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
        } while (FindNextFileW(search, &data));
        FindClose(search);
        return names;
    }

private:
    std::wstring path_;
};

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string SaveTo(_Entry* entry, const std::wstring& path) {
    Bstr file(path.c_str()), result;
    BSTR arg = file.Get();
    EXPECT_EQ(entry->Save(&arg, result.Put()), S_OK);
    return result.Text();
}

std::string NewFileOf(_Entry* entry, const std::wstring& path) {
    Bstr file(path.c_str()), result;
    BSTR arg = file.Get();
    EXPECT_EQ(entry->NewFile(&arg, result.Put()), S_OK);
    return result.Text();
}

void StoreRows(_Entry* entry, int count, const wchar_t* prefix) {
    for (int i = 0; i < count; ++i) {
        Bstr d((prefix + std::to_wstring(1000 + i)).c_str()), p(std::to_wstring(i).c_str()), result;
        BSTR dArg = d.Get(), pArg = p.Get();
        ASSERT_EQ(entry->Store(&dArg, &pArg, result.Put()), S_OK);
    }
}

std::string SavedText(const Library& library) {
    return library.name == "Keystack" ? "Index saved to " : "Table of Contents saved to ";
}

// True when this runs under Wine, where a Linux command can stand in for a Windows folder
// permission that a root user would not meet.
bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Starts a Linux command under Wine. Wine runs a Linux program on its own: the process it
// hands back cannot be waited for, so callers wait for the command's effect instead.
void RunLinux(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// Whether the folder lets one file replace another, tried on scratch files of its own.
bool FolderTakesReplacements(const Folder& folder) {
    const std::wstring from = folder / L"probe", onto = folder / L"probe_target";
    WriteAll(onto, "");
    WriteAll(from, "");
    return MoveFileExW(from.c_str(), onto.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// Waits up to two seconds for `condition`, for a Linux command to take effect.
template <typename Condition>
bool WaitFor(Condition&& condition) {
    for (int i = 0; i < 40; ++i) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

// The Linux path of a Windows path under Z:.
std::wstring LinuxPath(std::wstring path) {
    if (path.compare(0, 2, L"Z:") == 0) path.erase(0, 2);
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

struct RaceState {
    std::wstring progId, target;
    GUID iid;
    std::string saved, couldNot;
    std::atomic<int> writersLeft{2}, badSaves{0}, badLoads{0}, loads{0}, saves{0};
    std::string firstBadLoad, firstBadSave;
};

struct RaceJob {
    RaceState* state;
    int rows;  // 0: the reader
};

DWORD WINAPI RaceThread(void* parameter) {
    RaceJob& job = *static_cast<RaceJob*>(parameter);
    RaceState& s = *job.state;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CLSID clsid{};
        CLSIDFromProgID(s.progId.c_str(), &clsid);
        ComPtr<_Entry> entry;
        if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, s.iid, entry.PutVoid()))) {
            if (job.rows == 0) {
                while (s.writersLeft > 0 || s.loads < 20) {
                    const std::string loaded = NewFileOf(entry.Get(), s.target);
                    ++s.loads;
                    if (loaded.rfind("Load 100 ", 0) != 0 && loaded.rfind("Load 300 ", 0) != 0) {
                        if (s.badLoads++ == 0) s.firstBadLoad = loaded;
                    }
                }
            } else {
                StoreRows(entry.Get(), job.rows, job.rows == 100 ? L"Small " : L"Large ");
                for (int i = 0; i < 25; ++i) {
                    const std::string result = SaveTo(entry.Get(), s.target);
                    ++s.saves;
                    if (result.rfind(s.saved, 0) != 0 && result != s.couldNot) {
                        if (s.badSaves++ == 0) s.firstBadSave = result;
                    }
                }
            }
        }
        if (job.rows != 0) --s.writersLeft;
    }
    CoUninitialize();
    return 0;
}

class SaveFailures : public BothLibraries {};

TEST_P(SaveFailures, ATargetThatCannotBeReplacedKeepsItsContent) {
    Folder folder(L"save_failures_" + Widen(Lib().name));
    const std::wstring target = folder / L"index.xml";
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    StoreRows(entry.Get(), 20, L"Row ");
    const std::string couldNot = "Could Not Save to " + Narrow(target.c_str(), target.size());

    // Held open by another program: without sharing, and shared for reading and writing but
    // not for deletion, which a replace needs.
    for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        WriteAll(target, "old content");
        HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_EQ(SaveTo(entry.Get(), target), couldNot) << "share " << share;
        CloseHandle(holder);
        EXPECT_EQ(ReadAll(target), "old content");
        EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"index.xml"});
    }

    // A folder that takes new files but refuses to let one be replaced: under Wine an
    // append-only Linux folder plays it, where the machine allows that attribute.
    if (UnderWine()) {
        WriteAll(target, "old content");
        RunLinux(L"/usr/bin/chattr +a " + LinuxPath(folder.Path()));
        if (WaitFor([&] { return !FolderTakesReplacements(folder); })) {
            EXPECT_EQ(SaveTo(entry.Get(), target), couldNot);
            RunLinux(L"/usr/bin/chattr -a " + LinuxPath(folder.Path()));
            EXPECT_TRUE(WaitFor([&] { return FolderTakesReplacements(folder); }));
            EXPECT_EQ(ReadAll(target), "old content");
            // (The append-only folder let the temporary file be made but not removed.)
            for (const std::wstring& name : folder.Names())
                EXPECT_TRUE(name == L"index.xml" || name.compare(0, 5, L"probe") == 0 || name[0] == L'~')
                    << Narrow(name.c_str(), name.size());
        } else {
            std::printf("append-only folders are not available here: that case was not run\n");
        }
        // Whatever happened above, the folder takes replacements again before going on.
        RunLinux(L"/usr/bin/chattr -a " + LinuxPath(folder.Path()));
        EXPECT_TRUE(WaitFor([&] { return FolderTakesReplacements(folder); }));
    }

    // And once nothing holds it, the same Save replaces it.
    EXPECT_EQ(SaveTo(entry.Get(), target).substr(0, SavedText(Lib()).size()), SavedText(Lib()));
    EXPECT_EQ(NewFileOf(entry.Get(), target).substr(0, 8), "Load 20 ");
}

// A reader in a loop and two writers of tables of different sizes, each on a thread of its
// own with objects of its own: every load sees a whole table, every Save is saved or not.
TEST_P(SaveFailures, ReadersSeeWholeTablesWhileOthersSave) {
    Folder folder(L"save_race_" + Widen(Lib().name));
    const std::wstring target = folder / L"shared.xml";
    const std::string saved = SavedText(Lib());
    const std::string couldNot = "Could Not Save to " + Narrow(target.c_str(), target.size());
    {
        ComPtr<_Entry> first = CreateEntry(Lib());
        StoreRows(first.Get(), 100, L"Small ");
        ASSERT_EQ(SaveTo(first.Get(), target).substr(0, saved.size()), saved);
    }

    RaceState shared;
    shared.progId = Lib().progIdEntry;
    shared.target = target;
    shared.iid = Lib().iidEntry;
    shared.saved = saved;
    shared.couldNot = couldNot;
    RaceJob jobs[] = {{&shared, 0}, {&shared, 100}, {&shared, 300}};
    std::vector<HANDLE> threads;
    for (RaceJob& job : jobs) threads.push_back(CreateThread(nullptr, 0, RaceThread, &job, 0, nullptr));
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0) << "a thread did not end";
        CloseHandle(thread);
    }
    EXPECT_EQ(shared.badLoads.load(), 0) << shared.firstBadLoad;
    EXPECT_EQ(shared.badSaves.load(), 0) << shared.firstBadSave;
    EXPECT_EQ(shared.saves.load(), 50);
    EXPECT_GE(shared.loads.load(), 20);
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"shared.xml"});
}

FOLIO_FOR_BOTH_LIBRARIES(SaveFailures);

}  // namespace
}  // namespace com_test
