// The reader's order of text in one locale, from the platform: the system's locale-aware
// comparison on Windows, ICU's collation in the portable build (native tests, fuzzing, tools).
// Both compare with case ignored, accents after the letters (as a dictionary does) and runs
// of digits by their value: "item 2" < "Item 10" < "Éclair" < "eclipse"; Swedish puts "Ö"
// after "Z", German counts it as a form of "O". Texts that differ only in case compare equal:
// the table breaks such ties itself.
#pragma once

#include <memory>
#include <string>

#include "core/text.h"

namespace platform {

class TextOrder {
public:
    // The order of a locale this system knows, by a name such as "sv-SE", "de-DE" or "sv"
    // (letters in any case); nothing for a name it does not know.
    static std::unique_ptr<TextOrder> Open(TextView localeName);
    ~TextOrder();
    TextOrder(const TextOrder&) = delete;
    TextOrder& operator=(const TextOrder&) = delete;

    // The locale's full name as the platform spells it: "sv-SE" for "SV-se".
    const Text& LocaleName() const { return name_; }

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    int Compare(TextView a, TextView b) const;
    // Bytes whose order (byte by byte, unsigned, a prefix first) is Compare's: one key per
    // text spares a comparison of the texts at every step of a search. A key ends in a zero
    // byte; any other zero byte in it ends a part that decides the order wherever keys differ
    // before it (so no key is the start of another).
    std::string SortKey(TextView text) const;

    // The letter heading an index prints above `text`: its first letter in upper case, without
    // the accents that this locale counts as forms of the base letter ("é" stands under "E";
    // "ö" under "O" in German, under "Ö" in Swedish). The empty text when `text` starts with
    // anything but a letter: a digit, a blank, punctuation, a mark, or a surrogate (the
    // headings are letters of the Basic Multilingual Plane, as the index file's code page).
    Text LetterGroup(TextView text) const;

    struct Locale;  // the platform's own handles

private:
    TextOrder(Text name, std::unique_ptr<Locale> locale);
    Text name_;
    std::unique_ptr<Locale> locale_;
};

// The full name of the user's default locale ("en-US"), one that TextOrder::Open knows.
// Windows: the user's locale setting. Portable: the first of LC_ALL, LC_COLLATE and LANG that
// is set ("sv_SE.UTF-8" is "sv-SE"); "C", "POSIX", nothing, or a locale ICU has no data for
// mean "en-US", which is what Windows answers in a Wine prefix started with LANG=C.UTF-8.
Text DefaultLocaleName();

}  // namespace platform
