// indexfile merge: one index file from several, as a book pass makes it: each input's pages
// moved by its offset and merged by AppendPages, the result written by Save.
#include <cstdlib>

#include "commands.h"
#include "console_text.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "entry/page_list.h"
#include "platform/files.h"
#include "tool_version.h"

namespace {

struct Input {
    Text path;
    int16_t offset = 0;
};

// "chapter2.xml@120": the file and its offset. A name whose "@" is followed by no number is a
// name; so is a whole argument that names a file when its part before the "@" does not.
std::optional<Input> ParseInput(const Text& arg, Text& error) {
    const size_t at = arg.rfind(u'@');
    if (at == Text::npos) return Input{arg, 0};
    const Text number = arg.substr(at + 1);
    const size_t digits = !number.empty() && (number[0] == u'-' || number[0] == u'+') ? 1 : 0;
    if (number.size() == digits || number.find_first_not_of(u"0123456789", digits) != Text::npos)
        return Input{arg, 0};
    const Text path = arg.substr(0, at);
    if (!platform::FileIsPresent(path) && platform::FileIsPresent(arg)) return Input{arg, 0};
    // More than six digits is out of range whatever they are, and beyond what strtol may hold.
    const long value = number.size() - digits > 6 ? 1'000'000 : std::strtol(TextToAscii(number).c_str(), nullptr, 10);
    if (value < -32768 || value > 32767) {
        error = u"offset " + number + u" of " + path + u" is outside -32768 to 32767";
        return std::nullopt;
    }
    return Input{path, static_cast<int16_t>(value)};
}

Text Signed(int16_t offset) { return (offset >= 0 ? u"+" : u"") + DecimalText(offset); }

// Why AppendPages refused a pair: its page moved out of range, or a list grown too long.
Text PageRefusal(const Entry::PagesRefusal& r, int16_t offset) {
    try {
        ShiftPageList(r.page, offset);
    } catch (const AutomationError&) {
        return u"the page " + Quoted(r.page) + u" moved by " + Signed(offset) + u" leaves 0 to 32767";
    }
    return u"the page list of " + Quoted(r.description) + u" with " + Quoted(r.page) + u" moved by " +
           Signed(offset) + u" grows too long for Save to write on one line";
}

int Refused(const Text& message) {
    PrintError(u"merge: " + message + u"; nothing was written");
    return kExitProblems;
}

}  // namespace

int RunMerge(const std::vector<Text>& args) {
    Arguments a;
    if (const auto error = ParseArguments(args, {true, false, true, false}, a)) return UsageError(u"merge", *error);
    if (a.help) return PrintHelp(u"merge"), kExitOk;
    if (a.operands.size() < 2) return UsageError(u"merge", u"merge takes OUT and one FILE or more");
    const Text& out = a.operands[0];
    if (out.empty()) return UsageError(u"merge", u"OUT is empty");
    std::vector<Input> inputs;
    for (size_t i = 1; i < a.operands.size(); ++i) {
        Text error;
        std::optional<Input> input = ParseInput(a.operands[i], error);
        if (!input) return UsageError(u"merge", error);
        if (input->path.empty()) return UsageError(u"merge", u"an input has no file name");
        if (const auto unreadable = UnreadableFile(input->path)) {
            PrintError(*unreadable);
            return kExitUsage;
        }
        inputs.push_back(*input);
    }

    // The first input decides the kind and, for an index, the order, unless the options do.
    const std::optional<Text> firstRoot = ReadIndexFileRoot(inputs[0].path);
    const Edition& edition = a.edition ? *a.edition : EditionOfRoot(firstRoot);
    auto table = std::make_unique<Entry>(edition);
    // The levels the first input records, as a NewFile of it would take them.
    if (firstRoot) {
        try {
            if (const Text levels = RecordedLevels(*firstRoot); !levels.empty()) table->SetLevels(levels);
        } catch (const AutomationError&) {
            // A separator that cannot be read: the inputs' paths load as single descriptions.
        }
    }
    const Text recorded = edition.sorted && firstRoot ? RecordedOrder(*firstRoot) : Text();
    if (a.order || !recorded.empty()) {
        try {
            table->SetOrder(a.order ? *a.order : recorded);
        } catch (const AutomationError& e) {
            if (a.order) return UsageError(u"merge", u"--order: " + e.Description());
            return UsageError(u"merge", inputs[0].path + u" records the order \"" + recorded +
                                            u"\", which this system cannot apply (" + e.Description() +
                                            u"); name the order with --order");
        }
    }

    for (const Input& input : inputs) {
        Entry::PagesRefusal refusal;
        Text answer;
        try {
            answer = table->AppendPages(input.path, input.offset, &refusal);
        } catch (const AutomationError& e) {
            const Text where = input.path + u":" + DecimalText(static_cast<int64_t>(refusal.line));
            if (refusal.line == 0) {
                PrintError(input.path + u": cannot read: " + e.Description());
                return kExitUsage;
            }
            if (refusal.description.empty() && refusal.page.empty()) {
                // The reader stopped at that line: the same reading tells why.
                const std::optional<LoadStop> stop = FindLoadStop(input.path);
                return Refused(where + u": the file cannot be read past this line: " +
                               (stop ? stop->reason : e.Description()));
            }
            return Refused(where + u": " + PageRefusal(refusal, input.offset));
        }
        if (answer == edition.tableFullText) {
            return Refused(input.path + u":" + DecimalText(static_cast<int64_t>(refusal.line)) + u": " +
                           Quoted(refusal.description) + u" is one description more than the table holds (" +
                           DecimalText(Entry::kStoreLimit) + u")");
        }
        // Anything but an append (a file gone since it was checked) merged nothing.
        if (answer.compare(0, 7, u"Append ") != 0) return Refused(input.path + u": " + answer);
    }

    WriteFilesAs(edition);
    const Text saved = table->Save(out);
    if (saved.substr(0, edition.savedText.size()) != edition.savedText)
        return Refused(out + u": cannot be written: " + saved);
    Output() << out << ": " << DecimalText(table->Count()) << (table->Count() == 1 ? " entry" : " entries")
             << " from " << DecimalText(static_cast<int64_t>(inputs.size()))
             << (inputs.size() == 1 ? " file" : " files") << " (" << KindOf(edition) << ", order "
             << table->Order() << ")\n";
    return kExitOk;
}
