// A whole index file, loaded by NewFile and by AppendFile onto what NewFile left, then saved
// and loaded again; and the same file as an editor may have saved it (another encoding with
// its byte-order mark, LF line ends, indented lines), which must load as its CR LF, unindented
// twin; and merged by AppendPages, all or nothing, as AddPage calls would merge its pairs. Compiled once per deliverable.
#include <fstream>

#include "entry/index_file_reader.h"
#include "entry/page_list.h"
#include "fuzz_check.h"
#include "platform/platform.h"
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

// What a row reads back as once saved: a character the code page lacks is written as "?".
Text AsSaved(const Text& text) { return platform::FromAnsi(platform::ToAnsi(text)); }

// What a load of the saved file must give back: Save leaves out the rows without a
// description (only Pagestack has them); Keystack stores each saved pair again, so rows whose
// descriptions became alike once saved merge, in the order the file records.
fuzz::Rows SavedRows(const fuzz::Rows& rows, const Text& order) {
    Entry sorted;
    if (Build::kSorted) sorted.SetOrder(order);
    fuzz::Rows kept;
    for (const auto& [description, page] : rows) {
        if (description.empty()) continue;
        if (Build::kSorted) sorted.Store(AsSaved(description), AsSaved(page));
        else kept.emplace_back(AsSaved(description), AsSaved(page));
    }
    return Build::kSorted ? fuzz::RowsOf(sorted) : kept;
}

bool AnyRowHoldsTheMarker(const fuzz::Rows& rows) {
    for (const auto& [description, page] : rows)
        if (fuzz::HoldsCrLfMarker(description) || fuzz::HoldsCrLfMarker(page)) return true;
    return false;
}

// --- The same file as an editor may have saved it ---

// UTF-8 of text that holds no unpaired surrogate.
std::string Utf8Of(TextView text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        const int length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(length == 1 ? c : kLead[length] | c >> (6 * (length - 1)));
        for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
    }
    return out;
}

bool HoldsUnpairedSurrogate(TextView text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF, low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (low || (high && (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF))) return true;
        i += high;
    }
    return false;
}

std::string Utf16Of(TextView text, bool bigEndian) {
    std::string out;
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// Blanks and tabs of the kinds editors put before a line.
std::string_view Indentation(size_t line) {
    static const std::string_view kIndentations[] = {"", "  ", "\t", " \t  \t"};
    return kIndentations[line % 4];
}

// The bytes with each line indented, its line ends kept (CR LF, CR; LF in a file without CR).
std::string IndentedBytes(std::string_view bytes) {
    const bool crEnds = bytes.find('\r') != std::string_view::npos;
    std::string out(Indentation(0));
    size_t line = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] != (crEnds ? '\r' : '\n')) continue;
        if (crEnds && i + 1 < bytes.size() && bytes[i + 1] == '\n') out += bytes[++i];
        if (i + 1 < bytes.size()) out += Indentation(line++);
    }
    return out;
}

// The bytes with every line end (CR LF or a lone CR) made an LF.
std::string LfBytes(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            out += bytes[i];
            continue;
        }
        out += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return out;
}

// Everything a NewFile shows: its report or the error it raised, and the rows.
struct Outcome {
    Text report;
    int32_t error = 0;
    fuzz::Rows rows;
    bool operator==(const Outcome& other) const {
        return report == other.report && error == other.error && rows == other.rows;
    }
};

Outcome NewFileOf(Entry& entry, const Text& path) {
    Outcome outcome;
    try {
        outcome.report = entry.NewFile(path);
    } catch (const AutomationError& e) {
        outcome.error = e.Number();
    }
    outcome.rows = fuzz::RowsOf(entry);
    return outcome;
}

Outcome LoadOf(std::string_view bytes) {
    const Text path = Scratch() / "variant.xml";
    WriteFile(path, bytes);
    Entry entry;
    return NewFileOf(entry, path);
}

// Each variant of the input loads exactly as the input itself did.
void CheckVariants(std::string_view input, const Outcome& expected) {
    const IndexFileText file = DecodeIndexFile(input);
    std::vector<TextView> lines;
    bool linesHoldLf = false;
    ForEachIndexFileLine(file.text, [&](TextView line, size_t) {
        lines.push_back(line);
        linesHoldLf = linesHoldLf || line.find(u'\n') != TextView::npos;
    });
    // The input's lines with CR LF, and indented, with LF where no line holds one.
    Text crLf, indented;
    for (size_t i = 0; i < lines.size(); ++i) {
        crLf.append(lines[i]).append(u"\r\n");
        const std::string_view indentation = Indentation(i);
        indented.append(indentation.begin(), indentation.end()).append(lines[i]).append(linesHoldLf ? u"\r\n" : u"\n");
    }
    FUZZ_CHECK(LoadOf("\xFE\xFF" + Utf16Of(crLf, true)) == expected);
    FUZZ_CHECK(LoadOf("\xFF\xFE" + Utf16Of(indented, false)) == expected);
    if (!HoldsUnpairedSurrogate(file.text)) FUZZ_CHECK(LoadOf("\xEF\xBB\xBF" + Utf8Of(crLf)) == expected);
    // The bytes themselves, where a line end or an indentation is the same byte whatever the
    // code page: indented, and with LF line ends.
    if (file.encoding == IndexFileEncoding::kAnsi || file.encoding == IndexFileEncoding::kUtf8) {
        FUZZ_CHECK(LoadOf(IndentedBytes(input)) == expected);
        if (!linesHoldLf) FUZZ_CHECK(LoadOf(LfBytes(input)) == expected);
    }
}

// AppendPages of the file onto a table that holds a row already: either exactly what AddPage
// calls of its pairs (each page moved) give, or a refusal that leaves the table as it was.
// When AddPage would find the table full, the refusal may be that text or, for a page or a
// list met after that point, the overflow error: AppendPages checks every pair before the room.
void CheckAppendPages(const Text& path, int16_t offset) {
    Entry entry, byCalls;
    for (Entry* table : {&entry, &byCalls}) table->Store(u"Item 1000", u"3, 7-9");  // a term of the saved seeds
    const fuzz::Rows before = fuzz::RowsOf(entry);
    int32_t error = 0;
    Text answer;
    try {
        answer = entry.AppendPages(path, offset);
    } catch (const AutomationError& e) {
        error = e.Number();
    }

    Text pending;
    std::vector<std::pair<Text, Text>> pairs;
    int32_t expectedError = 0;
    try {
        ReadIndexFilePairs(path, pending, [&](Text d, Text p) { pairs.emplace_back(std::move(d), std::move(p)); });
    } catch (const AutomationError& e) {  // the file cannot be read to its end
        FUZZ_CHECK(error == e.Number());
        FUZZ_CHECK(fuzz::RowsOf(entry) == before);
        return;
    }
    bool full = false;
    try {
        for (const auto& [description, page] : pairs) {
            if (description.empty()) continue;
            const Text moved = ShiftPageList(page, offset).value_or(page);
            full = byCalls.AddPage(description, moved) == Build::kTableFullText || full;
        }
    } catch (const AutomationError& e) {
        expectedError = e.Number();
    }
    if (expectedError == 0 && !full) {
        FUZZ_CHECK(error == 0);
        FUZZ_CHECK(answer == u"Append " + DecimalText(byCalls.Count()) + Text(Build::kLoadedText));
        FUZZ_CHECK(fuzz::RowsOf(entry) == fuzz::RowsOf(byCalls));
        return;
    }
    if (expectedError != 0 && !full) {
        FUZZ_CHECK(error == expectedError);
    } else {
        FUZZ_CHECK((error == 0 && answer == Build::kTableFullText) || error == kErrorOverflow);
    }
    FUZZ_CHECK(fuzz::RowsOf(entry) == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A table holds one row more than Store fills only when Pagestack loads it.
    constexpr int16_t kLoadLimit = Build::kSorted ? Entry::kStoreLimit : Entry::kRowCount;
    const Text input = Scratch() / "input.xml";
    const Text saved = Scratch() / "saved.xml";
    WriteFile(input, fuzz::Bytes(data, size));

    Entry entry;
    CheckVariants(fuzz::Bytes(data, size), NewFileOf(entry, input));
    fuzz::CheckTable(entry, kLoadLimit);
    fuzz::Succeeds([&] { entry.AppendFile(input); });
    fuzz::CheckTable(entry, kLoadLimit);
    CheckAppendPages(input, static_cast<int16_t>(size % 3 == 0 ? 0 : size % 3 == 1 ? 7 : -3));

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
    if (!AnyRowHoldsTheMarker(rows)) FUZZ_CHECK(fuzz::RowsOf(reloaded) == SavedRows(rows, entry.Order()));
    return 0;
}
