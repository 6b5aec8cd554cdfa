// What sets the two deliverables apart, as two traits types; each deliverable is compiled with
// one of them as `Build` (see build.h). The table takes the same values as an `Edition`, so
// that one program may hold tables of both kinds (the indexfile tool reads and writes both).
#pragma once

#include <cstdint>

#include "core/identity.h"
#include "core/text.h"

struct BuildIdentity {
    TextView libraryName;  // executable, internal and type library name
    TextView companyName;
    int16_t major, minor, build, revision;
};

// A deliverable's values, as the table holds them.
struct Edition {
    bool sorted;  // Store keeps rows sorted (Keystack), or in the order first stored (Pagestack)
    BuildIdentity identity;
    TextView tableFullText, resetText, rootElement, entryElement, savedText, loadedText, noFileNameText;
    bool newFileReturnsErrors, loadClearsPendingDescription;
};

// The Edition of a traits type.
template <class Traits>
constexpr Edition EditionOf() {
    return {Traits::kSorted,      Traits::kIdentity,   Traits::kTableFullText,
            Traits::kResetText,   Traits::kRootElement, Traits::kEntryElement,
            Traits::kSavedText,   Traits::kLoadedText,  Traits::kNoFileNameText,
            Traits::kNewFileReturnsErrors, Traits::kLoadClearsPendingDescription};
}

struct KeystackBuild {
    // Store keeps rows sorted by description, each description once (an index).
    static constexpr bool kSorted = true;
    static constexpr BuildIdentity kIdentity{u"" KEYSTACK_LIBRARY_NAME, u"" KEYSTACK_COMPANY_NAME,
                                             KEYSTACK_VERSION_MAJOR, KEYSTACK_VERSION_MINOR,
                                             KEYSTACK_VERSION_BUILD, KEYSTACK_VERSION_REVISION};
    static constexpr TextView kTableFullText = u"No more index entries may be added";
    static constexpr TextView kResetText = u"Index Reset";
    static constexpr TextView kRootElement = u"IndexDoc";
    static constexpr TextView kEntryElement = u"Index";
    static constexpr TextView kSavedText = u"Index saved to ";
    static constexpr TextView kLoadedText = u" Index Data into memory";
    static constexpr TextView kNoFileNameText = u"";
    // NewFile raises read errors to the caller; every load starts with no pending description.
    static constexpr bool kNewFileReturnsErrors = false;
    static constexpr bool kLoadClearsPendingDescription = true;
};

struct PagestackBuild {
    // Store keeps rows in the order descriptions were first stored (a table of contents).
    static constexpr bool kSorted = false;
    static constexpr BuildIdentity kIdentity{u"" PAGESTACK_LIBRARY_NAME, u"" PAGESTACK_COMPANY_NAME,
                                             PAGESTACK_VERSION_MAJOR, PAGESTACK_VERSION_MINOR,
                                             PAGESTACK_VERSION_BUILD, PAGESTACK_VERSION_REVISION};
    static constexpr TextView kTableFullText = u"No More contents may be added";
    static constexpr TextView kResetText = u"Table of Contents Reset";
    static constexpr TextView kRootElement = u"TableOfContentsDoc";
    static constexpr TextView kEntryElement = u"Contents";
    static constexpr TextView kSavedText = u"Table of Contents saved to ";
    static constexpr TextView kLoadedText = u" Table of Contents into memory";
    static constexpr TextView kNoFileNameText = u"No Filename specified";
    // NewFile reports read errors as "ERROR: " text; a Description line left without its Page
    // line pairs with the first Page line of the next file loaded.
    static constexpr bool kNewFileReturnsErrors = true;
    static constexpr bool kLoadClearsPendingDescription = false;
};

inline constexpr Edition kKeystackEdition = EditionOf<KeystackBuild>();
inline constexpr Edition kPagestackEdition = EditionOf<PagestackBuild>();
