// What the commands learn of an index file through the libraries' own reader: its root, its
// kind, and the line at which a load stops.
#include "commands.h"
#include "entry/index_file_reader.h"
#include "platform/files.h"
#include "xml/xml_text.h"

const Edition& EditionOfRoot(const std::optional<Text>& rootTag) {
    if (rootTag && RootNameOf(*rootTag) == kPagestackEdition.rootElement) return kPagestackEdition;
    return kKeystackEdition;
}

Text KindOf(const Edition& edition) {
    return Text(edition.identity.libraryName) + (edition.sorted ? u" index" : u" contents");
}

Text Quoted(TextView text) { return ::Quoted(text, 60); }

namespace {

constexpr size_t kMaxPosition = 32767;

// The first numeric reference of the line that cannot be read on its own, or the empty text.
Text FailingReference(TextView line) {
    for (size_t at = line.find(u"&#"); at != TextView::npos; at = line.find(u"&#", at + 2)) {
        const size_t end = line.find(u';', at);
        if (end == TextView::npos) break;
        try {
            XmlUnescape(line.substr(at, end - at + 1));
        } catch (const AutomationError&) {
            return Text(line.substr(at, end - at + 1));
        }
    }
    return Text();
}

}  // namespace

Text LoadStopReason(const AutomationError& error, TextView line) {
    const bool overflow = error.Number() == kErrorOverflow;
    if (overflow && line.size() > kMaxPosition) {
        return u"the line holds " + DecimalText(static_cast<int64_t>(line.size())) +
               u" characters: the loader reads elements within the first 32767";
    }
    if (const Text reference = FailingReference(line); !reference.empty()) {
        return u"the character reference " + reference +
               (overflow ? Text(u" is out of range") : Text(u" names no character of the code page"));
    }
    if (overflow) return u"a reference or tag stands beyond character 32767 of the line";
    return u"the line cannot be read: " + error.Description();
}

std::optional<LoadStop> FindLoadStop(const Text& path) {
    std::optional<LoadStop> stop;
    Text pending;
    ReadIndexFileLines(path, [&](TextView line, size_t number) {
        if (stop) return;
        try {
            PairIndexFileLine(line, pending, [](Text, Text) {});
        } catch (const AutomationError& e) {
            stop = LoadStop{number, LoadStopReason(e, line)};
        }
    });
    return stop;
}

std::optional<Text> UnreadableFile(const Text& path) {
    if (!platform::FileIsPresent(path)) return path + u": cannot read: no such file";
    try {
        std::string room;
        platform::ReadFileInto(path, room);
    } catch (const AutomationError& e) {
        return path + u": cannot read: " + e.Description();
    }
    return std::nullopt;
}
