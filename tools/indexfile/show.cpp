// indexfile show: the rows of a file as the libraries load them, for people (text, html) and
// for other programs (csv, json).
#include "commands.h"
#include "console_text.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"

namespace {

struct Shown {
    Text path;
    const Edition* edition;
    Entry* table;
    std::optional<int16_t> greatestPage;  // none: MaxPage fails (a numeric page beyond 32767)
    std::optional<LoadStop> stop;
};

// Text for a terminal: control characters made visible, so that a row stays on its line.
Text Visible(TextView text) {
    Text out;
    for (char16_t c : text) {
        if (c == u'\r') out += u"\\r";
        else if (c == u'\n') out += u"\\n";
        else if (c == u'\t') out += u"\\t";
        else if (c < 0x20) out += u"\\x" + Text(1, u"0123456789ABCDEF"[c >> 4]) + Text(1, u"0123456789ABCDEF"[c & 15]);
        else out += c;
    }
    return out;
}

// Whether any row has a sort key: the file then shows them.
bool HoldsSortKeys(const Entry& table) {
    for (int16_t i = 0; i < table.Count(); ++i)
        if (!table.FetchSortKey(i).empty()) return true;
    return false;
}

// With levels, each row shows its own level, indented under its parent's; a sort key after
// its page.
void ShowText(const Shown& s, Output& out) {
    const bool levels = !s.table->Levels().empty();
    for (int16_t i = 0; i < s.table->Count(); ++i) {
        const Text shown = levels ? Text(2 * (s.table->FetchLevel(i) - 1), u' ') + s.table->FetchLabel(i)
                                  : s.table->FetchDescription(i);
        out << DecimalText(i) << "\t" << Visible(shown) << "\t" << Visible(s.table->FetchPage(i));
        if (const Text key = s.table->FetchSortKey(i); !key.empty()) out << "\tsorted as " << Visible(key);
        out << "\n";
    }
    out << "count: " << DecimalText(s.table->Count()) << "\n";
    out << "greatest page: " << (s.greatestPage ? DecimalText(*s.greatestPage) : Text(u"none (a page beyond 32767)"))
        << "\n";
    out << "order: " << s.table->Order() << "\n";
    if (levels) out << "levels: " << Visible(s.table->Levels()) << "\n";
}

// RFC 4180: CR LF after each record; a field with a comma, a quote or a line break in quotes,
// its quotes doubled.
Text CsvField(TextView text) {
    if (text.find_first_of(u",\"\r\n") == TextView::npos) return Text(text);
    Text out = u"\"";
    for (char16_t c : text) {
        if (c == u'"') out += u'"';
        out += c;
    }
    return out + u"\"";
}

// A file with levels or sort keys has three columns more: each row's level, its own level's
// text and its sort key. Other files print as they always have.
void ShowCsv(const Shown& s, Output& out) {
    const bool more = !s.table->Levels().empty() || HoldsSortKeys(*s.table);
    out << (more ? "row,description,page,level,label,sortKey\r\n" : "row,description,page\r\n");
    for (int16_t i = 0; i < s.table->Count(); ++i) {
        out << DecimalText(i) << "," << CsvField(s.table->FetchDescription(i)) << ","
            << CsvField(s.table->FetchPage(i));
        if (more) {
            out << "," << DecimalText(s.table->FetchLevel(i)) << "," << CsvField(s.table->FetchLabel(i)) << ","
                << CsvField(s.table->FetchSortKey(i));
        }
        out << "\r\n";
    }
}

// A JSON string; half a surrogate pair stays as its escape, so that no unit is lost.
Text JsonString(TextView text) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    Text out = u"\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        const bool paired = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (c == u'"' || c == u'\\') {
            out += u'\\';
            out += c;
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\t') {
            out += u"\\t";
        } else if (c < 0x20 || (high && !paired) || low) {
            out += u"\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[c >> shift & 15];
        } else {
            out += c;
            if (paired) out += text[++i];
        }
    }
    return out + u"\"";
}

void ShowJson(const Shown& s, Output& out) {
    out << "{\n  \"file\": " << JsonString(s.path) << ",\n  \"kind\": "
        << JsonString(s.edition->identity.libraryName) << ",\n  \"order\": " << JsonString(s.table->Order())
        << ",\n  \"levels\": " << JsonString(s.table->Levels())
        << ",\n  \"count\": " << DecimalText(s.table->Count()) << ",\n  \"greatestPage\": "
        << (s.greatestPage ? DecimalText(*s.greatestPage) : Text(u"null")) << ",\n  \"error\": ";
    if (s.stop) {
        out << "{\"line\": " << DecimalText(static_cast<int64_t>(s.stop->line))
            << ", \"message\": " << JsonString(s.stop->reason) << "}";
    } else {
        out << "null";
    }
    out << ",\n  \"rows\": [";
    for (int16_t i = 0; i < s.table->Count(); ++i) {
        out << (i == 0 ? "\n" : ",\n") << "    {\"row\": " << DecimalText(i)
            << ", \"description\": " << JsonString(s.table->FetchDescription(i))
            << ", \"page\": " << JsonString(s.table->FetchPage(i)) << ", \"level\": " << DecimalText(s.table->FetchLevel(i))
            << ", \"label\": " << JsonString(s.table->FetchLabel(i))
            << ", \"sortKey\": " << JsonString(s.table->FetchSortKey(i)) << "}";
    }
    out << (s.table->Count() > 0 ? "\n  ]\n}\n" : "]\n}\n");
}

Text Html(TextView text) {
    Text out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'"': out += u"&quot;"; break;
            case u'\'': out += u"&#39;"; break;
            case u'\r':
                if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                out += u"<br>";
                break;
            case u'\n': out += u"<br>"; break;
            default: out += c < 0x20 ? u'\uFFFD' : c;
        }
    }
    return out;
}

// One page that a browser shows as it is: the rows of a contents page in their order, or an
// index under letter headings (FetchGroup: "A", "B", ..., and "#" for terms that start with
// anything but a letter). With levels, each row shows its own level, indented under its main
// entry (a contents page: its heading) by its level.
void ShowHtml(const Shown& s, Output& out) {
    const bool index = s.edition->sorted;
    const bool levels = !s.table->Levels().empty();
    const Text title = index ? u"Index" : u"Contents";
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" << title << ": " << Html(s.path)
        << "</title>\n<style>\n"
           "body { font-family: Georgia, serif; max-width: 42em; margin: 2em auto; padding: 0 1em; }\n"
           "ul { list-style: none; padding: 0; }\n"
           "li { display: flex; gap: 0.5em; margin: 0.2em 0; }\n"
           ".description { flex: 0 1 auto; }\n"
           ".leader { flex: 1; border-bottom: 1px dotted #888; margin-bottom: 0.35em; }\n"
           ".page { flex: 0 0 auto; }\n"
           ".level-1 .description { font-weight: bold; }\n"
           "h2 { border-bottom: 1px solid #ccc; margin-top: 1.5em; }\n"
           "footer { color: #666; font-size: 0.9em; margin-top: 2em; }\n"
           "</style>\n</head>\n<body>\n<h1>"
        << title << "</h1>\n";
    bool open = false;
    Text group;
    for (int16_t i = 0; i < s.table->Count(); ++i) {
        if (index) {
            Text heading = s.table->FetchGroup(i);
            if (heading.empty()) heading = u"#";
            if (!open || heading != group) {
                if (open) out << "</ul>\n";
                out << "<h2>" << Html(heading) << "</h2>\n";
                open = false;
                group = heading;
            }
        }
        if (!open) out << "<ul>\n";
        open = true;
        const int16_t level = s.table->FetchLevel(i);
        out << "<li";
        if (levels) {
            out << " class=\"level-" << DecimalText(level) << "\"";
            if (level > 1) out << " style=\"margin-left: " << DecimalText(2 * (level - 1)) << "em\"";
        }
        out << "><span class=\"description\">" << Html(levels ? s.table->FetchLabel(i) : s.table->FetchDescription(i))
            << "</span><span class=\"leader\"></span><span class=\"page\">" << Html(s.table->FetchPage(i))
            << "</span></li>\n";
    }
    if (open) out << "</ul>\n";
    out << "<footer>" << DecimalText(s.table->Count()) << (s.table->Count() == 1 ? " entry" : " entries") << " from "
        << Html(s.path) << "</footer>\n</body>\n</html>\n";
}

}  // namespace

int RunShow(const std::vector<Text>& args) {
    Arguments a;
    if (const auto error = ParseArguments(args, {true, true, false, false}, a)) return UsageError(u"show", *error);
    if (a.help) return PrintHelp(u"show"), kExitOk;
    if (a.operands.size() != 1) return UsageError(u"show", u"show takes one FILE");
    const Text format = a.format.value_or(u"text");
    if (format != u"text" && format != u"csv" && format != u"json" && format != u"html")
        return UsageError(u"show", u"unknown format \"" + format + u"\": use text, csv, json or html");
    const Text& path = a.operands[0];
    if (const auto unreadable = UnreadableFile(path)) {
        PrintError(*unreadable);
        return kExitUsage;
    }
    const Edition& edition = a.edition ? *a.edition : EditionOfRoot(ReadIndexFileRoot(path));
    auto table = std::make_unique<Entry>(edition);
    Shown s{path, &edition, table.get(), std::nullopt, std::nullopt};
    // As a report's NewFile loads it: Keystack in the order the file records, rows up to the
    // line where a load stops (Keystack raises that error, Pagestack answers with it).
    try {
        table->NewFile(path);
    } catch (const AutomationError&) {
    }
    s.stop = FindLoadStop(path);
    try {
        s.greatestPage = table->MaxPage();
    } catch (const AutomationError&) {
    }
    {
        Output out;
        if (format == u"csv") ShowCsv(s, out);
        else if (format == u"json") ShowJson(s, out);
        else if (format == u"html") ShowHtml(s, out);
        else ShowText(s, out);
    }
    int status = kExitOk;
    if (s.stop) {
        PrintError(path + u":" + DecimalText(static_cast<int64_t>(s.stop->line)) + u": the load stops here: " +
                   s.stop->reason + u"; the rows after it are not loaded");
        status = kExitProblems;
    }
    if (!s.greatestPage) {
        PrintError(path + u": a numeric page lies beyond 32767: MaxPage fails with the overflow error");
        status = kExitProblems;
    }
    return status;
}
