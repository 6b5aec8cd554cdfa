// A whole index file, loaded by NewFile and by AppendFile onto what NewFile left, then saved
// and loaded again. Compiled once per deliverable.
#include <fstream>

#include "fuzz_check.h"
#include "scratch_folder.h"
#include "table_check.h"

namespace {

const fuzz::ScratchFolder& Scratch() {
    static const fuzz::ScratchFolder folder;
    return folder;
}

void WriteFile(const Text& path, std::string_view bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

// What a load of the saved file must give back: Save leaves out the rows without a
// description (only Pagestack has them).
fuzz::Rows SavedRows(const fuzz::Rows& rows) {
    fuzz::Rows kept;
    for (const auto& row : rows)
        if (!row.first.empty()) kept.push_back(row);
    return kept;
}

bool AnyRowHoldsTheMarker(const fuzz::Rows& rows) {
    for (const auto& [description, page] : rows)
        if (fuzz::HoldsCrLfMarker(description) || fuzz::HoldsCrLfMarker(page)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A table holds one row more than Store fills only when Pagestack loads it.
    constexpr int16_t kLoadLimit = Build::kSorted ? Entry::kStoreLimit : Entry::kRowCount;
    const Text input = Scratch() / "input.xml";
    const Text saved = Scratch() / "saved.xml";
    WriteFile(input, fuzz::Bytes(data, size));

    Entry entry;
    fuzz::Succeeds([&] { entry.NewFile(input); });
    fuzz::CheckTable(entry, kLoadLimit);
    fuzz::Succeeds([&] { entry.AppendFile(input); });
    fuzz::CheckTable(entry, kLoadLimit);

    const Text report = entry.Save(saved);
    const Text savedReport = Text(Build::kSavedText) + saved;
    if (report.compare(0, savedReport.size(), savedReport) != 0) {
        // The one way Save may fail here: a value too long once escaped.
        FUZZ_CHECK(report == u"Overflow");
        return 0;
    }
    // A file Save wrote always loads, whole.
    Entry reloaded;
    const Text loadReport = reloaded.NewFile(saved);
    FUZZ_CHECK(loadReport == u"Load " + DecimalText(reloaded.Count()) + Text(Build::kLoadedText));
    fuzz::CheckTable(reloaded, kLoadLimit);
    const fuzz::Rows rows = fuzz::RowsOf(entry);
    if (!AnyRowHoldsTheMarker(rows)) FUZZ_CHECK(fuzz::RowsOf(reloaded) == SavedRows(rows));
    return 0;
}
