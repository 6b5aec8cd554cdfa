// The indexfile program, run as a user runs it (natively, and the Windows program under Wine):
// check against files damaged one way each, show in every format read back by the test, and
// merge against AppendPages and Save of this program's own Keystack table.
#include <gtest/gtest.h>

#include <cstdlib>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <map>

#include "core/build.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "run_program.h"
#include "test_files.h"
#include "test_text.h"

namespace {

const std::string kTool = FOLIO_TEST_INDEXFILE;

std::string Utf8(const Text& text) { return Utf8Of(text); }

// UTF-8 as the index file reader takes it.
Text FromUtf8(const std::string& utf8) { return DecodeIndexFile("\xEF\xBB\xBF" + utf8).text; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(text.substr(begin, end - begin));
    if (begin < text.size()) lines.push_back(text.substr(begin));
    return lines;
}

// A file as Save lays it out: the header (lines 1 to 7), the root on line 8, then `body`, one
// element a line from line 9 on, and the root end tag unless the file is cut short.
std::string IndexFile(const std::vector<std::string>& body, const std::string& root = "IndexDoc",
                      bool rootEnd = true) {
    std::string bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    for (int i = 2; i <= 7; ++i) bytes += "<!-- header line " + std::to_string(i) + " -->\r\n";
    bytes += "<" + root + ">\r\n";
    for (const std::string& line : body) bytes += line + "\r\n";
    if (rootEnd) bytes += "</" + root.substr(0, root.find(' ')) + ">\r\n";
    return bytes;
}

std::vector<std::string> Pairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::vector<std::string> body;
    for (const auto& [description, page] : pairs) {
        body.push_back("<Description>" + description + "</Description>");
        body.push_back("<Page>" + page + "</Page>");
    }
    return body;
}

class IndexFileTool : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return Utf8(folder_ / name); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        WriteBytes(folder_ / name, bytes);
        return Path(name);
    }
    ProgramRun Run(const std::vector<std::string>& args) const {
        ProgramRun run = RunProgram(kTool, args, Utf8(Text(folder_.path().u16string())));
        EXPECT_NE(run.exitCode, -1) << "indexfile did not run";
        return run;
    }
    // Every error is one line on standard error, after the program's name.
    void ExpectOneErrorLine(const ProgramRun& run, const std::string& part) const {
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_EQ(lines[0].rfind("indexfile: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
    }
    // The table of this program's deliverable (Keystack) saved to `name`, as a report saves it.
    std::string Saved(const std::string& name, const std::vector<std::pair<std::string, std::string>>& rows,
                      const Text& order = Text()) const {
        Entry entry;
        if (!order.empty()) entry.SetOrder(order);
        for (const auto& [description, page] : rows) entry.AddPage(FromUtf8(description), FromUtf8(page));
        EXPECT_EQ(entry.Save(folder_ / name).substr(0, 15), u"Index saved to ");
        return Path(name);
    }

    TempFolder folder_;
};

static_assert(Build::kSorted, "these tests compare with a Keystack table");

// --- check ---

struct Damage {
    std::string name;
    std::string bytes;
    size_t line;
    std::string what;  // a part of the message
    std::vector<std::string> options = {};
};

TEST_F(IndexFileTool, CheckFindsEachProblemAtItsLine) {
    const std::string tooLong(33000, 'x');
    const std::vector<Damage> damages = {
        {"reference.xml", IndexFile(Pairs({{"fen", "1"}, {"bad &#300; ref", "2"}})), 11, "&#300;"},
        {"range.xml", IndexFile(Pairs({{"fen", "1"}, {"big &#99999999999;", "2"}})), 11, "out of range"},
        {"long_tag.xml", IndexFile({"<Description" + tooLong + ">x</Description>", "<Page>1</Page>"}), 9,
         "the load stops here"},
        {"long_value.xml", IndexFile({"<Description>" + tooLong + "</Description>", "<Page>1</Page>"}), 9,
         "33027 characters"},
        {"page_alone.xml", IndexFile({"<Description>fen</Description>", "<Page>1</Page>", "<Page>2</Page>"}), 11,
         "a Page line with no Description"},
        {"cut_short.xml", IndexFile(Pairs({{"fen", "1"}, {"peat", "2"}}), "IndexDoc", false), 12,
         "without its root end tag </IndexDoc>"},
        {"duplicate.xml", IndexFile(Pairs({{"fen", "1"}, {"peat", "2"}, {"fen", "3"}})), 13,
         "a second row for \"fen\" (the first is on line 9)"},
        // Rows out of order lose nothing (a load sorts them in): notes, problems with --strict.
        {"order.xml", IndexFile(Pairs({{"fen", "1"}, {"bog", "2"}, {"peat", "3"}})), 11,
         "note: out of the file's order (ordinal): \"bog\" sorts before \"fen\" on line 9", {"--strict"}},
        {"text_order.xml",
         IndexFile(Pairs({{"apple", "1"}, {"Zebra", "2"}, {"Lake", "3"}}), "IndexDoc order=\"text:en-US\""), 13,
         "note: out of the file's order (text:en-US): \"Lake\" sorts before \"Zebra\"", {"--strict"}},
        // Elements behind a line's first one: after another element, or on lines ended by a
        // bare LF in a file whose lines end at CR (all one line to the loader).
        {"page_then_description.xml", IndexFile({"<Page>1</Page><Description>fen</Description>", "<Page>2</Page>"}),
         9, "a Description element that follows the tag <Page>"},
        {"lf_rows.xml",
         IndexFile({"<Description>fen</Description>",
                    "<Page>1</Page>\n<Index>\n<Description>bog</Description>\n<Page>2</Page>\n</Index>"}),
         10, "a Description element after a line feed without a carriage return"},
        {"unknown_order.xml", IndexFile(Pairs({{"fen", "1"}}), "IndexDoc order=\"text:qq-QQ\""), 8,
         "records the order \"text:qq-QQ\", which this system cannot apply"},
        {"lost.xml", IndexFile(Pairs({{"fen", "1"}, {"na?ve", "2"}, {"why?", "3"}})), 11, "a \"?\" before a letter"},
        {"dangling.xml", IndexFile({"<Description>fen</Description>", "<Page>1</Page>", "<Description>peat</Description>"}),
         11, "a Description line with no Page line after it: the load drops it"},
        {"replaced.xml", IndexFile({"<Description>fen</Description>", "<Description>peat</Description>", "<Page>1</Page>"}),
         9, "the Description on line 10 takes its place"},
        {"attributes.xml", IndexFile({"<Index>", "<Description lang=\"en\">fen</Description>", "<Page>1</Page>", "</Index>"}),
         10, "a Description element with attributes"},
        {"one_line.xml", IndexFile(Pairs({{"fen", "1"}}))
                             .insert(0, ""),
         0, ""},  // replaced below
        {"empty_description.xml", IndexFile(Pairs({{"", "1"}, {"fen", "2"}})), 9, "an empty Description"},
        {"contents_page_alone.xml", IndexFile({"<Page>iv</Page>", "<Description>Preface</Description>", "<Page>1</Page>"},
                                              "TableOfContentsDoc"),
         9, "makes a row without a description"},
        {"empty.xml", "", 1, "no root element"},
    };
    for (Damage damage : damages) {
        if (damage.name == "one_line.xml") {  // an element behind another tag on its line
            damage.bytes = IndexFile({"<Index><Description>fen</Description>", "<Page>1</Page>", "</Index>"});
            damage.line = 9;
            damage.what = "follows the tag <Index>";
        }
        const std::string path = Write(damage.name, damage.bytes);
        std::vector<std::string> args{"check"};
        args.insert(args.end(), damage.options.begin(), damage.options.end());
        args.push_back(path);
        const ProgramRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1) << damage.name;
        const std::vector<std::string> lines = Lines(run.out);
        const std::string at = path + ":" + std::to_string(damage.line) + ": ";
        bool found = false;
        for (const std::string& line : lines) found = found || (line.rfind(at, 0) == 0 && line.find(damage.what) != std::string::npos);
        EXPECT_TRUE(found) << damage.name << ": no \"" << at << "..." << damage.what << "\" in:\n" << run.out;
        // One problem, one line: the damage is reported once, and nothing else is (a Page
        // whose Description hides behind it on its line also has no Description before it).
        if (damage.name != "dangling.xml" && damage.name != "one_line.xml" &&
            damage.name != "page_then_description.xml") {
            EXPECT_EQ(lines.size(), 1u) << damage.name << ":\n" << run.out;
        }
        EXPECT_EQ(run.err, "") << damage.name;
    }
}

TEST_F(IndexFileTool, CheckPassesCleanFilesAndGoesOnPastOnesItCannotRead) {
    const std::string index = Saved("index.xml", {{"AT&T", "12"}, {"caf\xC3\xA9", "1"}, {"peat", "3"}, {"peat", "7-9"},
                                                  {"a<b> \"c\" 'd'", "iv"}});
    const std::string text = Saved("text.xml", {{"Zebra", "1"}, {"apple", "2"}, {"\xC3\x96sterreich", "3"}}, u"text:sv-SE");
    // Pagestack keeps the order of storing and may hold a description twice.
    const std::string contents = Write("contents.xml", IndexFile(Pairs({{"2  Lakes", "9"}, {"1  Bogs", "1"},
                                                                        {"2  Lakes", "12"}}), "TableOfContentsDoc"));
    // A file of bare Description and Page lines has no root element, and loads.
    const std::string bare = Write("bare.xml", "<Description>fen</Description>\r\n<Page>1</Page>\r\n");
    ProgramRun run = Run({"check", index, text, contents, bare});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, index + ": ok\n" + text + ": ok\n" + contents + ": ok\n" + bare + ": ok\n");
    EXPECT_EQ(run.err, "");

    // Forced to Keystack's way, the contents file has a duplicate and rows out of order.
    run = Run({"check", "--keystack", contents});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;

    // A file that cannot be read is an error of its own (2), and the others are still checked;
    // a file with notes only is clean.
    const std::string damaged = Write("damaged.xml", IndexFile(Pairs({{"b", "1"}, {"a", "2"}})));
    run = Run({"check", Path("missing.xml"), index, damaged});
    EXPECT_EQ(run.exitCode, 2);
    ExpectOneErrorLine(run, Path("missing.xml") + ": cannot read");
    ASSERT_EQ(Lines(run.out).size(), 3u) << run.out;
    EXPECT_EQ(Lines(run.out)[0], index + ": ok");
    EXPECT_EQ(Lines(run.out)[1].rfind(damaged + ":11: note: out of the file's order", 0), 0u) << run.out;
    EXPECT_EQ(Lines(run.out)[2], damaged + ": ok");
    EXPECT_EQ(Run({"check", damaged}).exitCode, 0);

#ifndef _WIN32
    // Output that cannot be written is a failure of its own, whatever the file.
    for (const char* command : {"show", "check"}) {
        const std::string line = std::string(FOLIO_TEST_INDEXFILE) + " " + command + " '" + index + "' > /dev/full 2>/dev/null";
        const int status = std::system(line.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << command;
        EXPECT_EQ(WEXITSTATUS(status), 3) << command;
    }
#endif
}

// --- show ---

// RFC 4180 records: fields separated by commas, records by CR LF, a quoted field's quotes doubled.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    for (size_t i = 0; i < text.size(); ++i) {
        std::string& field = records.back().back();
        if (text[i] == '"' && field.empty()) {
            for (++i; i < text.size() && !(text[i] == '"' && (i + 1 == text.size() || text[i + 1] != '"')); ++i) {
                if (text[i] == '"') ++i;
                field += text[i];
            }
        } else if (text[i] == ',') {
            records.back().emplace_back();
        } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            if (i + 1 < text.size()) records.emplace_back(1);
        } else {
            field += text[i];
        }
    }
    return records;
}

// A small JSON reader: objects, arrays, strings (with \u escapes, surrogate pairs included),
// numbers, true, false and null. Fails the test on anything else.
struct Json {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;
    const Json& operator[](const std::string& name) const {
        static const Json none;
        const auto it = members.find(name);
        EXPECT_NE(it, members.end()) << "no member " << name;
        return it == members.end() ? none : it->second;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}
    Json Document() {
        Json value = Value();
        Blanks();
        EXPECT_EQ(at_, s_.size()) << "text after the JSON value";
        return value;
    }

private:
    void Blanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t')) ++at_;
    }
    bool Take(char c) {
        Blanks();
        if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
        return false;
    }
    unsigned Hex4() {
        unsigned value = 0;
        for (int k = 0; k < 4 && at_ < s_.size(); ++k) {
            const char c = s_[at_++];
            value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return value;
    }
    std::string String() {
        std::u16string units;
        EXPECT_TRUE(Take('"'));
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (c != '\\') {
                EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "a control character in a JSON string";
                out += c;
                continue;
            }
            c = s_[at_++];
            switch (c) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    Text unit(1, static_cast<char16_t>(Hex4()));
                    if (unit[0] >= 0xD800 && unit[0] <= 0xDBFF && s_.compare(at_, 2, "\\u") == 0) {
                        at_ += 2;
                        unit += static_cast<char16_t>(Hex4());
                    }
                    out += Utf8(unit);
                    break;
                }
                default: out += c;  // \" \\ \/
            }
        }
        EXPECT_TRUE(Take('"'));
        return out;
    }
    Json Value() {
        Json value;
        Blanks();
        if (at_ >= s_.size()) {
            ADD_FAILURE() << "JSON ends early";
            return value;
        }
        const char c = s_[at_];
        if (c == '{') {
            value.kind = Json::kObject;
            ++at_;
            if (Take('}')) return value;
            do {
                Blanks();
                const std::string name = String();
                EXPECT_TRUE(Take(':'));
                value.members[name] = Value();
            } while (Take(','));
            EXPECT_TRUE(Take('}'));
        } else if (c == '[') {
            value.kind = Json::kArray;
            ++at_;
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            EXPECT_TRUE(Take(']'));
        } else if (c == '"') {
            value.kind = Json::kString;
            value.text = String();
        } else if (s_.compare(at_, 4, "null") == 0) {
            at_ += 4;
        } else if (s_.compare(at_, 4, "true") == 0 || s_.compare(at_, 5, "false") == 0) {
            value.kind = Json::kBool;
            value.number = s_[at_] == 't';
            at_ += s_[at_] == 't' ? 4 : 5;
        } else {
            value.kind = Json::kNumber;
            size_t used = 0;
            value.number = std::stod(s_.substr(at_), &used);
            at_ += used;
        }
        return value;
    }

    const std::string& s_;
    size_t at_ = 0;
};

// Values that each format must carry unchanged: markup, quotes, commas, a line break inside a
// value, characters above 126, and one outside the code page that the file holds as UTF-8.
const std::vector<std::pair<std::string, std::string>> kAwkwardRows = {
    {"AT&amp;T, &quot;Bell&quot;", "12, 14"},
    {"caf&#0233; &lt;script&gt;alert('x')&lt;/script&gt;", "iv"},
    {"two&#0013;&#0010;lines", "3-5"},
    {"peat", "40000"},
    {"\xC3\x96sterreich \xE4\xB8\xAD", "1"},
};
const std::vector<std::pair<std::string, std::string>> kAwkwardLoaded = {
    {"AT&T, \"Bell\"", "12, 14"},
    {"caf\xC3\xA9 <script>alert('x')</script>", "iv"},
    {"peat", "40000"},
    {"two\r\nlines", "3-5"},
    {"\xC3\x96sterreich \xE4\xB8\xAD", "1"},
};

TEST_F(IndexFileTool, ShowPrintsTheRowsAsTheLibrariesLoadThemInEveryFormat) {
    const std::string path = Write("awkward.xml", "\xEF\xBB\xBF" + IndexFile(Pairs(kAwkwardRows)));

    ProgramRun run = Run({"show", "--format", "csv", path});
    EXPECT_EQ(run.exitCode, 1);  // MaxPage fails on page 40000
    ExpectOneErrorLine(run, "a numeric page lies beyond 32767");
    const auto records = ParseCsv(run.out);
    ASSERT_EQ(records.size(), kAwkwardLoaded.size() + 1) << run.out;
    EXPECT_EQ(records[0], (std::vector<std::string>{"row", "description", "page"}));
    for (size_t i = 0; i < kAwkwardLoaded.size(); ++i) {
        EXPECT_EQ(records[i + 1], (std::vector<std::string>{std::to_string(i), kAwkwardLoaded[i].first,
                                                            kAwkwardLoaded[i].second}));
    }

    run = Run({"show", "--format=json", path});
    const Json json = JsonReader(run.out).Document();
    EXPECT_EQ(json["file"].text, path);
    EXPECT_EQ(json["kind"].text, "Keystack");
    EXPECT_EQ(json["order"].text, "ordinal");
    EXPECT_EQ(json["count"].number, 5);
    EXPECT_EQ(json["greatestPage"].kind, Json::kNull);
    EXPECT_EQ(json["error"].kind, Json::kNull);
    ASSERT_EQ(json["rows"].items.size(), kAwkwardLoaded.size());
    for (size_t i = 0; i < kAwkwardLoaded.size(); ++i) {
        const Json& row = json["rows"].items[i];
        EXPECT_EQ(row["row"].number, static_cast<double>(i));
        EXPECT_EQ(row["description"].text, kAwkwardLoaded[i].first);
        EXPECT_EQ(row["page"].text, kAwkwardLoaded[i].second);
    }

    // Text: one row a line, its line break shown, then the count, the greatest page and the order.
    const std::string fine = Write("fine.xml", IndexFile(Pairs({{"b&#0013;&#0010;c", "3"}, {"a", "12"}, {"d", "x"}})));
    run = Run({"show", fine});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0\ta\t12\n1\tb\\r\\nc\t3\n2\td\tx\ncount: 3\ngreatest page: 12\norder: ordinal\n");

    // Forced to Pagestack's way, the rows stand as the file holds them, duplicates and all.
    const std::string twice = Write("twice.xml", IndexFile(Pairs({{"b", "1"}, {"a", "2"}, {"b", "3"}})));
    run = Run({"show", "--pagestack", "--format", "json", twice});
    const Json contents = JsonReader(run.out).Document();
    EXPECT_EQ(contents["kind"].text, "Pagestack");
    ASSERT_EQ(contents["rows"].items.size(), 3u);
    EXPECT_EQ(contents["rows"].items[2]["description"].text, "b");
    EXPECT_EQ(contents["greatestPage"].number, 3);
    run = Run({"show", twice});
    EXPECT_EQ(run.out, "0\ta\t2\n1\tb\t3\ncount: 2\ngreatest page: 3\norder: ordinal\n");
}

TEST_F(IndexFileTool, ShowInHtmlEscapesEverythingAndHeadsEachLetter) {
    const std::string path = Write("awkward.xml", "\xEF\xBB\xBF" + IndexFile(Pairs(kAwkwardRows)));
    ProgramRun run = Run({"show", "--format", "html", path});
    const std::string& html = run.out;
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos) << "a description became markup";
    EXPECT_NE(html.find("caf\xC3\xA9 &lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos) << html;
    EXPECT_NE(html.find("AT&amp;T, &quot;Bell&quot;"), std::string::npos);
    EXPECT_NE(html.find("two<br>lines"), std::string::npos);
    // Letter headings in the index's order: A, C, P, T, then Ö (en-US counts it as O).
    std::vector<std::string> headings;
    for (size_t at = html.find("<h2>"); at != std::string::npos; at = html.find("<h2>", at + 1))
        headings.push_back(html.substr(at + 4, html.find("</h2>", at) - at - 4));
    EXPECT_EQ(headings, (std::vector<std::string>{"A", "C", "P", "T", "O"}));
    EXPECT_NE(html.find("</html>\n"), std::string::npos);

    // A contents page lists its rows without headings.
    const std::string contents = Write("contents.xml", IndexFile(Pairs({{"1 &lt;Bogs&gt;", "1"}}), "TableOfContentsDoc"));
    run = Run({"show", "--format", "html", contents});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("<h1>Contents</h1>"), std::string::npos);
    EXPECT_EQ(run.out.find("<h2>"), std::string::npos);
    EXPECT_NE(run.out.find("1 &lt;Bogs&gt;"), std::string::npos);
}

TEST_F(IndexFileTool, ShowOfAFileWhoseLoadStopsShowsTheRowsBeforeAndTheLine) {
    const std::string path = Write("stops.xml", IndexFile(Pairs({{"fen", "1"}, {"bad &#300;", "2"}, {"peat", "3"}})));
    ProgramRun run = Run({"show", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "0\tfen\t1\ncount: 1\ngreatest page: 1\norder: ordinal\n");
    ExpectOneErrorLine(run, path + ":11: the load stops here: the character reference &#300;");
    run = Run({"show", "--format", "json", path});
    const Json json = JsonReader(run.out).Document();
    EXPECT_EQ(json["error"]["line"].number, 11);
    EXPECT_EQ(json["count"].number, 1);
    // Pagestack answers the same error with a text; the rows are the same.
    run = Run({"show", "--pagestack", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.out)[0], "0\tfen\t1");

    run = Run({"show", Path("missing.xml")});
    EXPECT_EQ(run.exitCode, 2);
    ExpectOneErrorLine(run, "missing.xml: cannot read");
}

// --- merge ---

// A saved file as the program named `name` would have written it: the header names the program
// that wrote it (a library's own name, or a test program's).
std::string SignedBy(std::string file, const std::string& name) {
    const std::string before = "<!-- XML File Created by ";
    const size_t from = file.find(before) + before.size(), to = file.find(" -->", from);
    return file.replace(from, to - from, name);
}

TEST_F(IndexFileTool, MergeWritesWhatAppendPagesAndSaveWrite) {
    const std::string one = Saved("one.xml", {{"peat", "1-3"}, {"bog", "iv"}, {"fen", "2"}, {"AT&T", "9"}});
    const std::string two = Write("two.xml", IndexFile(Pairs({{"peat", "4, 12"}, {"caf&#0233;", "1"}, {"bog", "7"}})));
    const Text out = folder_ / "book.xml";
    for (const Text& order : {Text(), Text(u"text:sv-SE"), Text(u"text:de-DE")}) {
        Entry book;
        if (!order.empty()) book.SetOrder(order);
        book.AppendPages(AsciiToText(one), 3);
        book.AppendPages(AsciiToText(two), 40);
        ASSERT_EQ(book.Save(out).substr(0, 15), u"Index saved to ");
        // The tool writes as the Keystack DLL would; this test program, under Wine, would sign
        // the file with its own name.
        const std::string expected = SignedBy(ReadBytes(out), "Keystack");
        fs::remove(fs::path(out));
        std::vector<std::string> args{"merge", Utf8(out), one + "@3", two + "@+40"};
        if (!order.empty()) args.insert(args.begin() + 1, {"--order", TextToAscii(order)});
        const ProgramRun run = Run(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, Utf8(out) + ": 5 entries from 2 files (Keystack index, order " +
                               (order.empty() ? "ordinal" : TextToAscii(order)) + ")\n");
        EXPECT_EQ(ReadBytes(out), expected) << "order " << TextToAscii(order);
    }

    // The first input's recorded order is the merge's by default.
    const std::string swedish = Saved("swedish.xml", {{"\xC3\x96sterreich", "1"}, {"Zurich", "2"}}, u"text:sv-SE");
    ProgramRun run = Run({"merge", Utf8(out), swedish, one});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadBytes(out).find("<IndexDoc order=\"text:sv-SE\">\r\n"), std::string::npos);
    run = Run({"show", Utf8(out)});
    EXPECT_EQ(Lines(run.out)[5], "5\t\xC3\x96sterreich\t1") << run.out;
}

// Levels and sort keys: show gives each row's level and key, check judges the order with them
// and finds a sort key that belongs to no row, merge keeps them.
TEST_F(IndexFileTool, LevelsAndSortKeysAreShownCheckedAndMerged) {
    Entry index;
    index.SetLevels(u">");
    for (const char16_t* d : {u"lake>oxbow", u"The Hague", u"lake>kettle", u"Hamburg"}) index.Store(d, u"3");
    index.SortAs(u"The Hague", u"Hague");
    const Text saved = folder_ / "levels.xml";
    ASSERT_EQ(index.Save(saved).substr(0, 15), u"Index saved to ");
    const std::string path = Utf8(saved);

    ProgramRun run = Run({"show", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0\tThe Hague\t3\tsorted as Hague\n1\tHamburg\t3\n2\tlake\t\n3\t  kettle\t3\n4\t  oxbow\t3\n"
                       "count: 5\ngreatest page: 3\norder: ordinal\nlevels: >\n");
    run = Run({"show", "--format", "csv", path});
    const auto records = ParseCsv(run.out);
    ASSERT_EQ(records.size(), 6u) << run.out;
    EXPECT_EQ(records[0], (std::vector<std::string>{"row", "description", "page", "level", "label", "sortKey"}));
    EXPECT_EQ(records[1], (std::vector<std::string>{"0", "The Hague", "3", "1", "The Hague", "Hague"}));
    EXPECT_EQ(records[4], (std::vector<std::string>{"3", "lake>kettle", "3", "2", "kettle", ""}));
    run = Run({"show", "--format", "json", path});
    const Json json = JsonReader(run.out).Document();
    EXPECT_EQ(json["levels"].text, ">");
    EXPECT_EQ(json["rows"].items[4]["level"].number, 2);
    EXPECT_EQ(json["rows"].items[4]["label"].text, "oxbow");
    EXPECT_EQ(json["rows"].items[0]["sortKey"].text, "Hague");
    run = Run({"show", "--format", "html", path});
    EXPECT_NE(run.out.find("<li class=\"level-2\" style=\"margin-left: 2em\"><span class=\"description\">oxbow</span>"),
              std::string::npos) << run.out;

    // The DLL's file is clean; a sort key out of its place is found, and so is a row out of the
    // order its keys and levels give.
    run = Run({"check", "--strict", path});
    EXPECT_EQ(run.out, path + ": ok\n");
    const std::string stray = Write("stray.xml", IndexFile({"<SortKey>Hague</SortKey>", "<Description>fen</Description>",
                                                           "<Page>1</Page>"}, "IndexDoc levels=\"&gt;\""));
    run = Run({"check", stray});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.out)[0].rfind(stray + ":9: a SortKey line that belongs to no row", 0), 0u) << run.out;
    const std::string unsorted = Write("unsorted.xml", IndexFile(Pairs({{"lake", ""}, {"lake district", "1"},
                                                                        {"lake&gt;oxbow", "2"}}),
                                                                 "IndexDoc levels=\"&gt;\""));
    run = Run({"check", "--strict", unsorted});
    EXPECT_EQ(Lines(run.out)[0].rfind(unsorted + ":13: note: out of the file's order", 0), 0u) << run.out;

    // A merge keeps the levels and keys: byte for byte what AppendPages and Save make.
    Entry book;
    book.SetLevels(u">");
    book.AppendPages(saved, 10);
    const Text out = folder_ / "book.xml";
    book.Save(out);
    const std::string expected = SignedBy(ReadBytes(out), "Keystack");
    fs::remove(fs::path(out));
    run = Run({"merge", Utf8(out), path + "@10"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(out), expected);
    EXPECT_NE(expected.find("<SortKey>Hague</SortKey>"), std::string::npos);
}

TEST_F(IndexFileTool, MergeOfContentsKeepsInputOrderAndNamesPagestack) {
    const std::string one = Write("one.xml", IndexFile(Pairs({{"1  Bogs", "1"}, {"2  Fens", "9"}}), "TableOfContentsDoc"));
    const std::string two = Write("two.xml", IndexFile(Pairs({{"3  Peat", "1"}, {"1  Bogs", "4"}}), "TableOfContentsDoc"));
    const Text out = folder_ / "contents.xml";
    Entry book(kPagestackEdition);
    book.AppendPages(AsciiToText(one), 2);
    book.AppendPages(AsciiToText(two), 20);
    book.Save(out);
    const std::vector<std::string> expected = CrLfLines(ReadBytes(out));
    fs::remove(fs::path(out));

    const ProgramRun run = Run({"merge", Utf8(out), one + "@2", two + "@20"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = CrLfLines(ReadBytes(out));
    ASSERT_EQ(lines.size(), expected.size());
    // This program's own header names Keystack; the tool writes as Pagestack does.
    EXPECT_EQ(lines[1], "<!-- XML File Created by Pagestack -->");
    EXPECT_EQ(lines[4], "<!-- Pagestack version 1.0 (19) -->");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 1 || i == 4) continue;
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(lines[7], "<TableOfContentsDoc>");
    EXPECT_EQ(lines[10], "<Page>3, 24</Page>");  // "1  Bogs": 1 + 2, and 4 + 20 merged in
}

TEST_F(IndexFileTool, MergeRefusesWhatAppendPagesRefusesAndChangesNothing) {
    const std::string one = Write("one.xml", IndexFile(Pairs({{"fen", "1"}, {"peat", "32000"}})));
    const Text out = folder_ / "book.xml";
    WriteBytes(out, "the old book\r\n");
    const auto refused = [&](const std::vector<std::string>& args, int status, const std::string& part) {
        const ProgramRun run = Run(args);
        EXPECT_EQ(run.exitCode, status) << run.err;
        ExpectOneErrorLine(run, part);
        EXPECT_EQ(ReadBytes(out), "the old book\r\n");
    };
    // The files of the folder but those that capture the program's output.
    const auto files = [&] {
        std::vector<std::string> names = folder_.Names();
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) { return name.rfind("program", 0) == 0; }),
                    names.end());
        return names;
    };
    const std::vector<std::string> before = files();
    refused({"merge", Utf8(out), one, one + "@1000"}, 1,
            one + ":12: the page \"32000\" moved by +1000 leaves 0 to 32767");
    const std::string stops = Write("stops.xml", IndexFile(Pairs({{"fen", "1"}, {"&#300;", "2"}})));
    refused({"merge", Utf8(out), one, stops}, 1, stops + ":11: the file cannot be read past this line");
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 8001; ++i) many.push_back({"term " + std::to_string(10000 + i), "1"});
    const std::string full = Write("full.xml", IndexFile(Pairs(many)));
    refused({"merge", Utf8(out), full}, 1, full + ":16010: \"term 18000\" is one description more than the table holds");
    std::string longList;
    // A list just short of the longest Page line Save writes, which four more pages overfill.
    for (int page = 1; longList.size() < 32745; page += 2) longList += (longList.empty() ? "" : ", ") + std::to_string(page);
    const std::string lists = Write("lists.xml", IndexFile(Pairs({{"fen", longList}})));
    const std::string more = Write("more.xml", IndexFile(Pairs({{"fen", "30001, 30003, 30005, 30007"}})));
    refused({"merge", Utf8(out), lists, more}, 1, more + ":10: the page list of \"fen\"");
    refused({"merge", Utf8(out), one, Path("missing.xml") + "@3"}, 2, "missing.xml: cannot read");
    refused({"merge", Utf8(out), one + "@40000"}, 2, "offset 40000");
    refused({"merge", Utf8(out)}, 2, "merge takes OUT and one FILE or more");
    refused({"merge", "--order", "text:qq-QQ", Utf8(out), one}, 2, "--order: Unknown locale \"qq-QQ\"");
    refused({"merge", "--pagestack", "--order", "text", Utf8(out), one}, 2, "accepts the order \"ordinal\" only");
    const std::string unknown = Write("unknown.xml", IndexFile(Pairs({{"fen", "1"}}), "IndexDoc order=\"text:qq-QQ\""));
    refused({"merge", Utf8(out), unknown}, 2, "records the order \"text:qq-QQ\"");
    // The five inputs written since, and no temporary file.
    EXPECT_EQ(files().size(), before.size() + 5) << "a temporary file was left behind";

    // OUT that cannot be written: nothing else is touched.
    const ProgramRun run = Run({"merge", Path("no folder/book.xml"), one});
    EXPECT_EQ(run.exitCode, 1);
    ExpectOneErrorLine(run, "cannot be written");
}

// --- the program ---

TEST_F(IndexFileTool, HelpAndUsageErrors) {
    ProgramRun run = Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: indexfile", 0), 0u);
    for (const char* word : {"show FILE", "check FILE...", "merge OUT FILE[@OFFSET]...", "Exit status"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    for (const char* command : {"show", "check", "merge"}) {
        run = Run({command, "--help"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.rfind(std::string("Usage: indexfile ") + command, 0), 0u) << run.out;
        EXPECT_NE(run.out.find("Exit status"), std::string::npos);
        EXPECT_EQ(Run({"help", command}).out, run.out);
    }
    run = Run({"--version"});
    EXPECT_EQ(run.out, "indexfile of Folioscope: writes index files as Keystack 1.0 (17) and Pagestack 1.0 (19)\n");

    const std::vector<std::pair<std::vector<std::string>, std::string>> usage = {
        {{}, "no command"},
        {{"list", "x.xml"}, "unknown command list"},
        {{"show"}, "show takes one FILE"},
        {{"show", "--format", "xml", "x.xml"}, "unknown format \"xml\""},
        {{"show", "--order", "text", "x.xml"}, "unknown option --order"},
        {{"check"}, "check takes one FILE or more"},
        {{"check", "--keystack", "--pagestack", "x.xml"}, "exclude each other"},
        {{"show", "--format"}, "--format needs a value"},
        {{"--code-page"}, "--code-page needs a value"},
    };
    for (const auto& [args, part] : usage) {
        run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << part;
        ExpectOneErrorLine(run, part);
        EXPECT_EQ(run.out, "");
    }
}

#ifdef _WIN32
TEST_F(IndexFileTool, CodePageIsTheSystemsOnWindows) {
    const ProgramRun run = Run({"--code-page", "1250", "show", Path("x.xml")});
    EXPECT_EQ(run.exitCode, 2);
    ExpectOneErrorLine(run, "--code-page: on Windows the files are in the system's ANSI code page");
}
#else
TEST_F(IndexFileTool, CodePageReadsAndWritesFilesOfAnotherWindows) {
    // Central European: byte 0xB3 and reference 179 are "ł" there, "³" in Windows-1252.
    const std::string polish = Write("polish.xml", IndexFile(Pairs({{"\xB3\xF3" "d\x9F", "1"}, {"&#0179;awa", "2"}})));
    ProgramRun run = Run({"show", "--code-page", "1250", polish});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out)[0], "0\t\xC5\x82" "awa\t2");
    EXPECT_EQ(Lines(run.out)[1], "1\t\xC5\x82\xC3\xB3" "d\xC5\xBA\t1");
    run = Run({"show", polish});
    EXPECT_EQ(Lines(run.out)[0], "0\t\xC2\xB3" "awa\t2");

    // Japanese, double-byte: the file holds the characters as they are, and a merge writes them so.
    const std::string japanese = Write("japanese.xml", IndexFile(Pairs({{"\x93\xFA\x96\x7B", "3"}})));
    run = Run({"--code-page=932", "show", japanese});
    EXPECT_EQ(Lines(run.out)[0], "0\t\xE6\x97\xA5\xE6\x9C\xAC\t3");
    run = Run({"merge", "--code-page", "932", Path("book.xml"), japanese + "@1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadBytes(folder_ / "book.xml").find("<Description>\x93\xFA\x96\x7B</Description>\r\n<Page>4</Page>"),
              std::string::npos);
    // Read as Windows-1252 the same file holds characters the Japanese file did not mean.
    run = Run({"check", "--code-page", "windows-1252", japanese});
    EXPECT_EQ(run.exitCode, 0) << run.out;

    for (const char* name : {"no-such-page", "utf-8", "ibm-037"}) {
        run = Run({"--code-page", name, "show", japanese});
        EXPECT_EQ(run.exitCode, 2) << name;
        ExpectOneErrorLine(run, "--code-page:");
    }
}
#endif

}  // namespace
