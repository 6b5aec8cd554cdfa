// A report host in miniature, run as a process of its own by host_threads_test.cpp: reports run
// on worker threads, one apartment each, in one process that must end by itself afterwards.
//   host_threads_client.exe FOLDER
// Round after round, threads create objects of both libraries by programmatic identifier and
// call them through IDispatch as hosts do; every thread must end within a bounded wait, and
// between rounds both libraries must be unloaded. Before that, 2000 short threads each Save
// once, and the process's memory must not grow with them.
//   host_threads_client.exe FOLDER exit-with-objects
// A host that ends while reports still run: threads hold objects of both libraries, called
// through IDispatch, and the process exits without releasing them.
// Prints "FAIL ..." for each fault, the figures, and "host client done" last; exits with 0 when
// all held.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::atomic<int> g_failures{0};
constexpr int kShortThreads = 2000;
std::wstring g_folder;

void Fail(const std::wstring& what) {
    ++g_failures;
    std::printf("FAIL %ls\n", what.c_str());
    std::fflush(stdout);
}

// One object, called by name through IDispatch with string arguments, as a script host does.
class Object {
public:
    explicit Object(const std::wstring& progId) {
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&object_));
        if (FAILED(hr)) Fail(L"cannot create " + progId);
    }
    ~Object() {
        if (object_) object_->Release();
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The method's result as text (a number as its digits); "error" when the call failed.
    std::wstring Call(const wchar_t* method, std::vector<std::wstring> args = {}) {
        if (!object_) return L"error";
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(method);
        if (FAILED(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return L"error";
        std::vector<VARIANT> params(args.size());
        for (size_t i = 0; i < args.size(); ++i) {  // DISPPARAMS holds them last first
            VARIANT& v = params[args.size() - 1 - i];
            VariantInit(&v);
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = SysAllocString(args[i].c_str());
        }
        DISPPARAMS dp{params.data(), nullptr, static_cast<UINT>(params.size()), 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp,
                                           &result, nullptr, nullptr);
        for (VARIANT& v : params) VariantClear(&v);
        std::wstring text = L"error";
        if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)))
            text.assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
        VariantClear(&result);
        return text;
    }

private:
    IDispatch* object_ = nullptr;
};

void Expect(bool held, const std::wstring& what) {
    if (!held) Fail(what);
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

// A whole report on one thread: both libraries, a few thousand rows, the file out and back in,
// and the information requests that keep per-thread state.
struct Report {
    int number;
    int rows;
};

DWORD WINAPI RunReport(void* parameter) {
    const Report& report = *static_cast<const Report*>(parameter);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Fail(L"CoInitializeEx");
        return 1;
    }
    for (const wchar_t* library : {L"Keystack", L"Pagestack"}) {
        const std::wstring lib = library;
        const std::wstring where = lib + L", thread " + std::to_wstring(report.number) + L": ";
        Object entry(lib + L".Entry"), ufl(lib + L".UFL");
        for (int i = 0; i < report.rows; ++i) {
            // Descending, so that Keystack inserts before every row it has.
            const std::wstring description = L"Term " + std::to_wstring(100000 - i);
            if (entry.Call(L"Store", {description, std::to_wstring(i % 500 + 1)}) != description) {
                Fail(where + L"Store " + description);
                break;
            }
        }
        const std::wstring file = g_folder + L"\\report-" + std::to_wstring(report.number) + L"-" + lib + L".xml";
        const std::wstring saved = entry.Call(L"Save", {file});
        Expect(StartsWith(saved, lib == L"Keystack" ? L"Index saved to " : L"Table of Contents saved to "),
               where + L"Save answered " + saved);
        const std::wstring loaded = entry.Call(L"NewFile", {file});
        Expect(StartsWith(loaded, L"Load " + std::to_wstring(report.rows) + L" "), where + L"NewFile answered " + loaded);
        Expect(entry.Call(L"Count") == std::to_wstring(report.rows), where + L"Count");
        Expect(StartsWith(ufl.Call(L"Help", {L"version"}), lib + L" "), where + L"Help version");
        Expect(ufl.Call(L"Help", {L"developer"}) != L"error", where + L"Help developer");
        Expect(ufl.Call(L"Help", {L"savelog"}).empty(), where + L"Help savelog");
        DeleteFileW(file.c_str());
    }
    CoUninitialize();
    return 0;
}

// A short one: one Save of a small table and nothing else.
DWORD WINAPI SaveOnce(void* parameter) {
    const int number = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Fail(L"CoInitializeEx");
        return 1;
    }
    {
        Object entry(L"Keystack.Entry");
        entry.Call(L"Store", {L"Short " + std::to_wstring(number), L"1"});
        // Threads that run at the same time save to files of their own.
        const std::wstring file = g_folder + L"\\short-" + std::to_wstring(number % 8) + L".xml";
        Expect(StartsWith(entry.Call(L"Save", {file}), L"Index saved to "), L"short thread Save");
    }
    CoUninitialize();
    return 0;
}

// Whether either library is still loaded, after asking COM to free what is unused (COM may wait
// for a second request before it frees a library).
bool LibrariesStillLoaded() {
    auto loaded = [] {
        return GetModuleHandleW(L"Keystack.dll") != nullptr || GetModuleHandleW(L"Pagestack.dll") != nullptr;
    };
    for (int attempt = 0; attempt < 20 && loaded(); ++attempt) {
        CoFreeUnusedLibrariesEx(0, 0);
        Sleep(10);
    }
    return loaded();
}

// A report that is still running when its host ends: it holds its objects, called through
// IDispatch, and waits for an end that never comes.
HANDLE g_reportsReady = nullptr;
HANDLE g_neverSet = nullptr;

DWORD WINAPI HoldObjects(void* parameter) {
    const int number = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Fail(L"CoInitializeEx");
        return 1;
    }
    auto* keystack = new Object(L"Keystack.Entry");  // never released
    auto* pagestack = new Object(L"Pagestack.Entry");
    auto* help = new Object(L"Pagestack.UFL");
    const std::wstring description = L"Held " + std::to_wstring(number);
    Expect(keystack->Call(L"AddPage", {description, L"1"}) == description, L"held Keystack AddPage");
    Expect(pagestack->Call(L"Store", {description, L"2"}) == description, L"held Pagestack Store");
    Expect(StartsWith(help->Call(L"Help", {L"version"}), L"Pagestack "), L"held Help version");
    ReleaseSemaphore(g_reportsReady, 1, nullptr);
    WaitForSingleObject(g_neverSet, INFINITE);
    return 0;
}

// Objects alive on several threads and on the main thread as the process exits: it must end
// at once, whatever the libraries hold.
int ExitWithObjects() {
    constexpr int kThreads = 4;
    g_reportsReady = CreateSemaphoreW(nullptr, 0, kThreads, nullptr);
    g_neverSet = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (int i = 0; i < kThreads; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, HoldObjects, reinterpret_cast<void*>(static_cast<INT_PTR>(i)), 0, nullptr);
        if (thread) CloseHandle(thread);
        else Fail(L"CreateThread");
    }
    for (int i = 0; i < kThreads; ++i)
        if (WaitForSingleObject(g_reportsReady, 60000) != WAIT_OBJECT_0) Fail(L"a report did not get ready");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto* held = new Object(L"Keystack.Entry");
    Expect(held->Call(L"Store", {L"main", L"3"}) == L"main", L"main thread Store");
    std::printf("%d failures\nhost client done\n", g_failures.load());
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;  // exits with the threads and their objects alive
}

// Starts the threads together and waits for each within a bounded time.
bool RunThreads(LPTHREAD_START_ROUTINE body, const std::vector<void*>& parameters, DWORD waitMs,
                const wchar_t* what) {
    std::vector<HANDLE> threads;
    for (void* parameter : parameters) {
        HANDLE thread = CreateThread(nullptr, 0, body, parameter, 0, nullptr);
        if (!thread) {
            Fail(std::wstring(what) + L": CreateThread");
            continue;
        }
        threads.push_back(thread);
    }
    bool ended = true;
    const DWORD deadline = GetTickCount() + waitMs;
    for (HANDLE thread : threads) {
        const DWORD now = GetTickCount();
        const DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
        if (WaitForSingleObject(thread, left) != WAIT_OBJECT_0) ended = false;
        CloseHandle(thread);
    }
    if (!ended) Fail(std::wstring(what) + L": a thread did not end within " + std::to_wstring(waitMs) + L" ms");
    return ended;
}

// The process's committed private memory, from the address space itself: heaps grow by it.
size_t CommittedPrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* at = nullptr;
         VirtualQuery(at, &info, sizeof info) == sizeof info && at + info.RegionSize > at;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    }
    return total;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::wstring(argv[2]) != L"exit-with-objects")) {
        std::printf("usage: host_threads_client FOLDER [exit-with-objects]\n");
        return 2;
    }
    g_folder = argv[1];
    if (argc == 3) return ExitWithObjects();

    // Many short threads while the library stays loaded (the main thread holds an object):
    // what each of them leaves behind would add up. First, while the heaps are still small
    // enough for the growth to show.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Object holder(L"Keystack.Entry");
        auto shortThreads = [](int first, int count) {
            for (int i = first; i < first + count; i += 8) {
                std::vector<void*> parameters;
                for (int j = i; j < i + 8 && j < first + count; ++j)
                    parameters.push_back(reinterpret_cast<void*>(static_cast<INT_PTR>(j)));
                if (!RunThreads(SaveOnce, parameters, 60000, L"short threads")) return false;
            }
            return true;
        };
        bool ended = shortThreads(0, 100);  // the first ones warm the heaps up
        const size_t before = CommittedPrivateBytes();
        const DWORD start = GetTickCount();
        ended = ended && shortThreads(100, kShortThreads);
        const size_t after = CommittedPrivateBytes();
        if (!ended) {
            std::printf("host client done\n");
            std::fflush(stdout);
            ExitProcess(1);
        }
        const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
        std::printf("%d short threads: %lu ms, committed memory %lu -> %lu bytes (%+lld)\n",
                    kShortThreads, GetTickCount() - start, static_cast<unsigned long>(before),
                    static_cast<unsigned long>(after), growth);
        // A thread's state left behind is about 150 (32-bit) to 250 bytes: 2000 of them would
        // show as 300 KB or more. Heaps commit 64 KB at a time, so one step may come anyway.
        Expect(growth <= 128 * 1024, L"committed memory grew by " + std::to_wstring(growth) + L" bytes over " +
                                         std::to_wstring(kShortThreads) + L" threads");
    }
    CoUninitialize();

    // Two rounds of eight reports: the library may be unloaded between them and load again.
    for (int round = 1; round <= 2; ++round) {
        std::vector<Report> reports;
        for (int i = 0; i < 8; ++i) reports.push_back({round * 10 + i, 2000});
        std::vector<void*> parameters;
        for (Report& report : reports) parameters.push_back(&report);
        const DWORD start = GetTickCount();
        if (!RunThreads(RunReport, parameters, 120000, round == 1 ? L"round 1" : L"round 2")) {
            std::printf("host client done\n");
            std::fflush(stdout);
            ExitProcess(1);  // threads that never end would hold the process
        }
        std::printf("round %d: 8 threads ended in %lu ms\n", round, GetTickCount() - start);
        // Every apartment that used the libraries has ended: COM unloads them, and the next
        // round loads them afresh.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Expect(!LibrariesStillLoaded(), L"round " + std::to_wstring(round) + L": a library stayed loaded");
        CoUninitialize();
    }

    std::printf("%d failures\nhost client done\n", g_failures.load());
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;  // and the process must now end by itself
}
