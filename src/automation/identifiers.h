// The identifiers and names of the deliverable being built, as C++ constants.
#pragma once

#include <guiddef.h>

#include "automation/guid_text.h"
#include "automation/selected_identity.h"

namespace folio_com {

inline constexpr GUID kLibid = GuidFromText(FOLIO_LIBID);
inline constexpr GUID kClsidEntry = GuidFromText(FOLIO_CLSID_ENTRY);
inline constexpr GUID kIidEntry = GuidFromText(FOLIO_IID_ENTRY);
inline constexpr GUID kIidEntryPages = GuidFromText(FOLIO_IID_ENTRY_PAGES);
inline constexpr GUID kClsidUfl = GuidFromText(FOLIO_CLSID_UFL);
inline constexpr GUID kIidUfl = GuidFromText(FOLIO_IID_UFL);

// Registry spellings: braced GUIDs and the programmatic identifiers.
#define FOLIO_WIDE_(text) L##text
#define FOLIO_WIDE(text) FOLIO_WIDE_(text)
inline constexpr const wchar_t* kLibidKey = L"{" FOLIO_WIDE(FOLIO_LIBID) L"}";
inline constexpr const wchar_t* kClsidEntryKey = L"{" FOLIO_WIDE(FOLIO_CLSID_ENTRY) L"}";
inline constexpr const wchar_t* kClsidUflKey = L"{" FOLIO_WIDE(FOLIO_CLSID_UFL) L"}";
inline constexpr const wchar_t* kIidEntryKey = L"{" FOLIO_WIDE(FOLIO_IID_ENTRY) L"}";
inline constexpr const wchar_t* kIidEntryPagesKey = L"{" FOLIO_WIDE(FOLIO_IID_ENTRY_PAGES) L"}";
inline constexpr const wchar_t* kIidUflKey = L"{" FOLIO_WIDE(FOLIO_IID_UFL) L"}";
inline constexpr const wchar_t* kProgIdEntry = FOLIO_WIDE(FOLIO_PROGID_ENTRY);
inline constexpr const wchar_t* kProgIdUfl = FOLIO_WIDE(FOLIO_PROGID_UFL);

}  // namespace folio_com
