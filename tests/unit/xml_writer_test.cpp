// The XML writer: header lines, elements, and files that are replaced only when complete.
#include <gtest/gtest.h>

#include "core/build.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "test_files.h"
#include "test_text.h"
#include "xml/xml_writer.h"

namespace {

std::string Ansi(const Text& text) { return platform::ToAnsi(text); }

std::vector<std::string> ExpectedHeader(const Text& path) {
    const auto version = platform::LibraryVersion();
    const std::string revision = std::to_string(Build::kIdentity.revision);
    return {"<?xml version=\"1.0\" encoding=\"utf-8\"?>",
            "<!-- XML File Created by " + Ansi(version.executableName) + " -->",
            "<!-- Developed by Tessaryn Ltd -->",
            "<!-- Copyright (c) " + Ansi(platform::CurrentYear()) + " Tessaryn Ltd -->",
            "<!-- Pagestack version 1.0 (" + revision + ") -->",
            "<!-- https://www.tessaryn.example/folioscope for further details -->",
            "<!-- File " + Ansi(path) + " Created " + Ansi(platform::CurrentDateDdMmmYyyy()) + "-->"};
}

}  // namespace

TEST(XmlWriter, WritesHeaderElementsAndRoot) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    ASSERT_EQ(OpenXmlFile(path, u"IndexDoc", u""), u"");
    EXPECT_EQ(WriteXmlOpenTag(u"Index", u""), u"<Index>");
    EXPECT_EQ(WriteXmlElement(u"Description", u"AT&T"), u"<Description>AT&amp;T</Description>");
    EXPECT_EQ(WriteXmlElement(u"Description", u"a<b & \"c\""),
              u"<Description>a&lt;b &amp; &quot;c&quot;</Description>");
    EXPECT_EQ(WriteXmlElement(u"Page", u""), u"<Page></Page>");
    EXPECT_EQ(WriteXmlCDataElement(u"Note", u"x<y"), u"<Note><![CDATA[x<y]]></Note>");
    EXPECT_EQ(WriteXmlCloseTag(u"Index"), u"</Index>");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    EXPECT_EQ(CloseXmlFile(), u"XML already closed");

    std::vector<std::string> expected = ExpectedHeader(path);
    for (const char* line : {"<IndexDoc>", "<Index>", "<Description>AT&amp;T</Description>",
                             "<Description>a&lt;b &amp; &quot;c&quot;</Description>", "<Page></Page>",
                             "<Note><![CDATA[x<y]]></Note>", "</Index>", "</IndexDoc>"})
        expected.push_back(line);
    EXPECT_EQ(CrLfLines(ReadBytes(path)), expected);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.xml"});
}

TEST(XmlWriter, RootAttributesAndNoRoot) {
    TempFolder folder;
    ASSERT_EQ(OpenXmlFile(folder / "a.xml", u"IndexDoc", u"a=\"1\""), u"");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    auto lines = CrLfLines(ReadBytes(folder / "a.xml"));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], "<IndexDoc a=\"1\">");
    EXPECT_EQ(lines[8], "</IndexDoc>");

    ASSERT_EQ(OpenXmlFile(folder / "b.xml", u"", u"ignored"), u"");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    EXPECT_EQ(CrLfLines(ReadBytes(folder / "b.xml")), ExpectedHeader(folder / "b.xml"));
}

TEST(XmlWriter, WithoutAnOpenFileLinesAreOnlyReturned) {
    TempFolder folder;
    EXPECT_EQ(CloseXmlFile(), u"XML already closed");
    EXPECT_EQ(WriteXmlOpenTag(u"Index", u"id=\"7\" kind=\"a\""), u"<Index id=\"7\" kind=\"a\">");
    EXPECT_EQ(WriteXmlElement(u"Page", u"5 > 3"), u"<Page>5 &gt; 3</Page>");
    EXPECT_EQ(WriteXmlCloseTag(u"Index"), u"</Index>");
    EXPECT_TRUE(folder.Names().empty());
}

TEST(XmlWriter, ReplacesAFileOnlyWhenTheNewOneIsComplete) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    WriteBytes(path, "old content");
    ASSERT_EQ(OpenXmlFile(path, u"IndexDoc", u""), u"");
    WriteXmlElement(u"Page", u"1");
    EXPECT_EQ(ReadBytes(path), "old content");  // still there while the new one is written
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    EXPECT_EQ(CrLfLines(ReadBytes(path)).back(), "</IndexDoc>");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.xml"});
}

TEST(XmlWriter, OpeningAnotherFileAbandonsTheFirst) {
    TempFolder folder;
    const Text first = folder / "first.xml", second = folder / "second.xml", kept = folder / "kept.xml";
    ASSERT_EQ(OpenXmlFile(first, u"A", u""), u"");
    ASSERT_EQ(OpenXmlFile(second, u"B", u""), u"");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    EXPECT_EQ(CrLfLines(ReadBytes(second)).back(), "</B>");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"second.xml"});

    WriteBytes(kept, "kept");
    ASSERT_EQ(OpenXmlFile(kept, u"A", u""), u"");
    ASSERT_EQ(OpenXmlFile(second, u"C", u""), u"");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    EXPECT_EQ(ReadBytes(kept), "kept");
}

TEST(XmlWriter, FilesThatCannotBeWrittenAreReportedAndKept) {
    TempFolder folder;
    const Text readOnly = folder / "readonly.xml";
    WriteBytes(readOnly, "precious");
    MakeReadOnly(readOnly);
    fs::create_directory(folder.path() / "sub.xml");
    for (const Text& path : {Text(), folder / "missing/index.xml", folder / "sub.xml", readOnly}) {
        const Text result = OpenXmlFile(path, u"IndexDoc", u"");
        EXPECT_EQ(result.substr(0, 21), u"Error Creating File: ") << TextToAscii(path);
        EXPECT_GT(result.size(), 21u) << "no reason given";
        EXPECT_EQ(CloseXmlFile(), u"XML already closed");
    }
    EXPECT_EQ(ReadBytes(readOnly), "precious");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"readonly.xml", "sub.xml"}));
}

TEST(XmlWriter, PathOutsideTheCodePageBecomesQuestionMarksInTheHeader) {
    TempFolder folder;
    const Text path = (folder.path() / fs::path(u"\u4E2D\u00E9.xml")).u16string();
    ASSERT_EQ(OpenXmlFile(path, u"R", u""), u"");
    EXPECT_EQ(CloseXmlFile(), u"XML File closed");
    const std::string shown = Ansi(folder.path().u16string()) + Ansi(Text(1, platform::kDirectorySeparator)) + "?\xE9.xml";
    EXPECT_NE(ReadBytes(path).find("<!-- File " + shown + " Created "), std::string::npos) << ReadBytes(path);
}

// CheckFits refuses exactly the values Append refuses, also where its quick answer for short
// values ends: values that escape to seven characters each, five, or fourteen for two.
TEST(XmlWriter, CheckFitsAgreesWithTheLineItWouldWrite) {
    const XmlElementLines page(u"Page");
    auto appendThrows = [&](const Text& value) {
        std::string line;
        return ErrorNumberOf([&] { page.Append(line, value); }) != 0;
    };
    for (const Text& unit : {Text(u"\u00E9"), Text(u"&"), Text(u"\r\n"), Text(u"a")}) {
        const size_t longest = 32760 / (unit == u"&" ? 5 : unit == u"a" ? 1 : 7) / unit.size();
        for (size_t n = longest - 2; n <= longest + 2; ++n) {
            Text value;
            for (size_t i = 0; i < n; ++i) value += unit;
            const bool refused = ErrorNumberOf([&] { page.CheckFits(value); }) == kErrorOverflow;
            EXPECT_EQ(refused, appendThrows(value)) << n << " x " << TextToAscii(unit);
            EXPECT_EQ(refused, n > longest) << n << " x " << TextToAscii(unit);
        }
    }
}
