// Save and NewFile of a full table (8000 entries), each beside the same bytes written and
// read the simplest way, with stdio; NewFile of a file in a double-byte code page (as another
// tool writes one: its characters as they are) beside reading it; and AppendFile and
// AppendPages of a book's chapter beside reading the chapter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/build.h"
#include "bench_data.h"
#include "platform/platform.h"
#include "ratio_summary.h"

namespace {

// A full table whose values need a little escaping now and then, as real index entries do.
Entry FullTable() {
    Entry entry;
    int i = 0;
    for (const Text& d : bench::Descriptions(bench::Order::kRandom)) {
        const Text extra = i % 10 == 0 ? u" & more" : i % 10 == 5 ? u" caf\u00E9" : u"";
        entry.Store(d + extra, DecimalText(1 + i % 400));
        ++i;
    }
    return entry;
}

Text PathText(const std::filesystem::path& path) { return path.u16string(); }

std::string ReadAll(const std::filesystem::path& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[64 * 1024];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

void Save(benchmark::State& state) {
    bench::BenchFolder folder;
    const Entry entry = FullTable();
    const Text path = PathText(folder / "index.xml");
    for (auto _ : state) benchmark::DoNotOptimize(entry.Save(path));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(folder / "index.xml").size()));
}

// The same bytes, written the way Save puts a file in place: a file beside the target, synced,
// then renamed over it.
void RawWrite(benchmark::State& state) {
    bench::BenchFolder folder;
    FullTable().Save(PathText(folder / "index.xml"));
    const std::string bytes = ReadAll(folder / "index.xml");
    const auto temp = folder / "index.xml.tmp";
    const auto target = folder / "raw.xml";
    for (auto _ : state) {
        FILE* f = std::fopen(temp.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
        ::fsync(fileno(f));
        std::fclose(f);
        std::rename(temp.c_str(), target.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void NewFile(benchmark::State& state) {
    bench::BenchFolder folder;
    const Text path = PathText(folder / "index.xml");
    FullTable().Save(path);
    Entry entry;
    for (auto _ : state) benchmark::DoNotOptimize(entry.NewFile(path));
    if (entry.Count() != bench::kRows) state.SkipWithError("the file did not load whole");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(folder / "index.xml").size()));
}

void ReadBytes(benchmark::State& state, const std::filesystem::path& path) {
    size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = ReadAll(path);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

void RawRead(benchmark::State& state) {
    bench::BenchFolder folder;
    FullTable().Save(PathText(folder / "index.xml"));
    ReadBytes(state, folder / "index.xml");
}

// A full table's file in code page 932 with its Japanese characters as they are (two bytes
// each), as a tool other than Save writes it; the rows as FullTable's, each with a few of them.
void WriteDoubleByteFile(const std::filesystem::path& path) {
    Text text = u"<?xml version=\"1.0\" encoding=\"shift_jis\"?>\r\n<" + Text(Build::kRootElement) + u">\r\n";
    const Text entry(Build::kEntryElement);
    int i = 0;
    for (const Text& d : bench::Descriptions(bench::Order::kAscending)) {
        const Text extra = i % 10 == 0 ? u" &amp; \u307B\u304B" : i % 10 == 5 ? u" \u7D22\u5F15" : u"";
        text += u"\t<" + entry + u">\r\n\t\t<Description>\u9805\u76EE " + d + extra + u"</Description>\r\n\t\t<Page>" +
                DecimalText(1 + i % 400) + u"</Page>\r\n\t</" + entry + u">\r\n";
        ++i;
    }
    text += u"</" + Text(Build::kRootElement) + u">\r\n";
    const std::string bytes = platform::ToAnsi(text);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// In code page 932 for its run; back to Windows-1252, the native default, after it.
template <typename Run>
void InDoubleByteCodePage(benchmark::State& state, Run&& run) {
    if (!platform::UseAnsiCodePage("932").empty()) {
        state.SkipWithError("code page 932 is not available");
        return;
    }
    bench::BenchFolder folder;
    WriteDoubleByteFile(folder / "index932.xml");
    run(folder / "index932.xml");
    platform::UseAnsiCodePage("windows-1252");
}

void NewFileDoubleByte(benchmark::State& state) {
    InDoubleByteCodePage(state, [&state](const std::filesystem::path& path) {
        Entry entry;
        for (auto _ : state) benchmark::DoNotOptimize(entry.NewFile(PathText(path)));
        if (entry.Count() != bench::kRows) state.SkipWithError("the file did not load whole");
        state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(path).size()));
    });
}

void RawReadDoubleByte(benchmark::State& state) {
    InDoubleByteCodePage(state, [&state](const std::filesystem::path& path) { ReadBytes(state, path); });
}

// A chapter of a book: the full table's terms on other pages, a list now and then, as
// AppendPages merges them into the index of the chapters before.
Entry Chapter() {
    Entry entry;
    int i = 0;
    for (const Text& d : bench::Descriptions(bench::Order::kRandom)) {
        const Text extra = i % 10 == 0 ? u" & more" : i % 10 == 5 ? u" caf\u00E9" : u"";
        const int page = 1 + (i * 7) % 300;
        entry.Store(d + extra, i % 4 == 0 ? DecimalText(page) + u"-" + DecimalText(page + 2) + u", " +
                                                DecimalText(page + 9)
                                          : DecimalText(page));
        ++i;
    }
    return entry;
}

// Loads the table before each timed call: both calls change it.
template <typename Call>
void MergeChapter(benchmark::State& state, Call&& call) {
    bench::BenchFolder folder;
    const Text table = PathText(folder / "index.xml"), chapter = PathText(folder / "chapter.xml");
    FullTable().Save(table);
    Chapter().Save(chapter);
    Entry entry;
    for (auto _ : state) {
        state.PauseTiming();
        entry.NewFile(table);
        state.ResumeTiming();
        benchmark::DoNotOptimize(call(entry, chapter));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(folder / "chapter.xml").size()));
}

// AppendFile replaces each page (Pagestack: adds one row to the full table and skips the rest).
void AppendFile(benchmark::State& state) {
    MergeChapter(state, [](Entry& entry, const Text& chapter) { return entry.AppendFile(chapter); });
}

void AppendPages(benchmark::State& state) {
    MergeChapter(state, [&state](Entry& entry, const Text& chapter) {
        Text result = entry.AppendPages(chapter, 120);
        if (result.rfind(u"Append " + DecimalText(bench::kRows), 0) != 0) state.SkipWithError("the file did not merge");
        return result;
    });
}

// Reading and writing a file take a fraction of a millisecond, where a busy machine's pauses
// weigh: each is measured five times, and counts by the median.
void FiveTimes(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(Save)->Apply(FiveTimes);
BENCHMARK(RawWrite)->Apply(FiveTimes);
BENCHMARK(NewFile)->Apply(FiveTimes);
BENCHMARK(RawRead)->Apply(FiveTimes);
BENCHMARK(NewFileDoubleByte)->Apply(FiveTimes);
BENCHMARK(RawReadDoubleByte)->Apply(FiveTimes);
BENCHMARK(AppendFile)->Apply(FiveTimes);
BENCHMARK(AppendPages)->Apply(FiveTimes);

void RawReadChapter(benchmark::State& state) {
    bench::BenchFolder folder;
    Chapter().Save(PathText(folder / "chapter.xml"));
    ReadBytes(state, folder / "chapter.xml");
}
BENCHMARK(RawReadChapter)->Apply(FiveTimes);

const std::string kBuildName(Build::kIdentity.libraryName.begin(), Build::kIdentity.libraryName.end());
const bool kRatios =
    AddRatio({kBuildName + " Save 8000 entries / raw write", "Save/real_time", 1, "RawWrite/real_time", 1, 4}) &&
    AddRatio({kBuildName + " NewFile 8000 entries / raw read", "NewFile/real_time", 1, "RawRead/real_time", 1, 20}) &&
    AddRatio({kBuildName + " NewFile 8000, code page 932 / raw read", "NewFileDoubleByte/real_time", 1,
              "RawReadDoubleByte/real_time", 1, 20}) &&
    AddRatio({kBuildName + " AppendFile 8000 into 8000 / raw read", "AppendFile/real_time", 1,
              "RawReadChapter/real_time", 1, 20}) &&
    AddRatio({kBuildName + " AppendPages 8000 into 8000 / raw read", "AppendPages/real_time", 1,
              "RawReadChapter/real_time", 1, 20}) &&
    AddRatio({kBuildName + " AppendPages 8000 into 8000 / AppendFile", "AppendPages/real_time", 1,
              "AppendFile/real_time", 1, 2});

}  // namespace
