// Writes the index files of the seed corpus with the deliverable's own Save: a few values
// that need every kind of escape, a hundred plain rows, and (Keystack only) one row of
// references whose closing tag stands at the last position the reader takes (32766), and a
// table in Swedish text order, which the file records.
// Usage: seed_writer_<build> <folder>. Built with the fuzz programs; its output is committed.
#include <cstdio>
#include <string>

#include "core/build.h"
#include "entry/entry.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string build = Build::kSorted ? "keystack" : "pagestack";
    const auto path = [&](const char* name) {
        const std::string p = std::string(argv[1]) + "/saved_" + build + "_" + name + ".xml";
        return Text(p.begin(), p.end());
    };
    bool ok = true;
    const auto save = [&](const Entry& entry, const Text& file) {
        const Text report = entry.Save(file);
        ok = ok && report.compare(0, Build::kSavedText.size(), Build::kSavedText) == 0;
    };

    Entry escapes;
    const std::pair<Text, Text> values[] = {
        {u"AT&T <b> \"q\" 'a'", u"12"},
        {u"two\r\nlines", u"2\r\n3"},
        {u"lone\rCR and lone\nLF", u"-40"},
        {u"a</b", u"</Page>"},
        {u"<![CDATA[x]]>", u"]]><![CDATA["},
        {u"&#65; &amp; [[--CRLF-]]", u"2.5"},
        {u"caf\u00E9 \u20AC \u0178 \x7F \u00FF \u00A0 ~", u"&H7F"},
        {u"  spaced  ", u"  "},
        {u"\t<Description>x</Description>", u""},
        {u"Zebra", u"32767"},
        {u"apple", u"1e3"},
    };
    for (const auto& [description, page] : values) escapes.Store(description, page);
    save(escapes, path("escapes"));

    Entry plain;
    for (int i = 0; i < 100; ++i) plain.Store(u"Item " + DecimalText(1000 - 3 * i), DecimalText(i % 97));
    save(plain, path("100_rows"));

    if (Build::kSorted) {
        Entry references;
        references.Store(Text(4679, u'\u00E9'), u"\u00E9");  // 32753 characters once escaped
        save(references, path("long_references"));

        Entry swedish;
        swedish.SetOrder(u"text:sv-SE");
        for (const Text& d : {Text(u"Zurich"), Text(u"\u00D6sterreich"), Text(u"Oslo"), Text(u"Ostrava"), Text(u"apple"),
                              Text(u"Item 9"), Text(u"Item 10"), Text(u"Lake"), Text(u"lake"), Text(u"\u00E9clair")})
            swedish.Store(d, DecimalText(swedish.Count() + 1));
        save(swedish, path("text_order"));
    }
    return ok ? 0 : 1;
}
