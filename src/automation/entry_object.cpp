#include "automation/entry_object.h"

#include "automation/bstr_text.h"
#include "automation/identifiers.h"

namespace folio_com {
namespace {

// Errors name the interface that declares the method.
const ErrorSource kEntrySource{kProgIdEntry, &kIidEntry};
const ErrorSource kEntryPagesSource{kProgIdEntry, &kIidEntryPages};

// A text result: the out parameter stays null unless the call succeeds.
template <class Body>
HRESULT TextResult(BSTR* result, Body&& body, const ErrorSource& source = kEntrySource) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return GuardedCall(source, [&] { *result = BstrFromText(body()); });
}

// A number result: zero unless the call succeeds.
template <class Body>
HRESULT NumberResult(short* result, Body&& body, const ErrorSource& source = kEntrySource) {
    if (result == nullptr) return E_POINTER;
    *result = 0;
    return GuardedCall(source, [&] { *result = body(); });
}

}  // namespace

EntryObject::EntryObject() : DualObject(kEntrySource, kClsidEntry, kIidEntryPages, &kIidEntry) {}

HRESULT EntryObject::NewFile(BSTR* sFile, BSTR* result) {
    if (sFile == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.NewFile(TextFromBstr(*sFile)); });
}

HRESULT EntryObject::AppendFile(BSTR* sFile, BSTR* result) {
    if (sFile == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.AppendFile(TextFromBstr(*sFile)); });
}

HRESULT EntryObject::Save(BSTR* sFile, BSTR* result) {
    if (sFile == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.Save(TextFromBstr(*sFile)); });
}

HRESULT EntryObject::Clear(BSTR* result) {
    return TextResult(result, [&] { return table_.Clear(); });
}

HRESULT EntryObject::FetchDescription(short* index, BSTR* result) {
    if (index == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.FetchDescription(*index); });
}

HRESULT EntryObject::FetchPage(short* index, BSTR* result) {
    if (index == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.FetchPage(*index); });
}

HRESULT EntryObject::Store(BSTR* description, BSTR* pageNo, BSTR* result) {
    if (description == nullptr || pageNo == nullptr) return E_POINTER;
    return TextResult(result, [&] {
        return table_.Store(TextFromBstr(*description), TextFromBstr(*pageNo));
    });
}

HRESULT EntryObject::Count(short* result) {
    return NumberResult(result, [&] { return table_.Count(); });
}

HRESULT EntryObject::MaxPage(short* result) {
    return NumberResult(result, [&] { return table_.MaxPage(); });
}

HRESULT EntryObject::AddPage(BSTR* description, BSTR* pageNo, BSTR* result) {
    if (description == nullptr || pageNo == nullptr) return E_POINTER;
    return TextResult(
        result, [&] { return table_.AddPage(TextFromBstr(*description), TextFromBstr(*pageNo)); },
        kEntryPagesSource);
}

HRESULT EntryObject::FindPage(BSTR* description, BSTR* result) {
    if (description == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.FindPage(TextFromBstr(*description)); }, kEntryPagesSource);
}

HRESULT EntryObject::SetOrder(BSTR* order, BSTR* result) {
    if (order == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.SetOrder(TextFromBstr(*order)); }, kEntryPagesSource);
}

HRESULT EntryObject::FetchGroup(short* index, BSTR* result) {
    if (index == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.FetchGroup(*index); }, kEntryPagesSource);
}

HRESULT EntryObject::ShiftPages(short* offset, short* result) {
    if (offset == nullptr) return E_POINTER;
    return NumberResult(result, [&] { return table_.ShiftPages(*offset); }, kEntryPagesSource);
}

HRESULT EntryObject::AppendPages(BSTR* sFile, short* offset, BSTR* result) {
    if (sFile == nullptr || offset == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.AppendPages(TextFromBstr(*sFile), *offset); }, kEntryPagesSource);
}

HRESULT EntryObject::SetLevels(BSTR* separator, BSTR* result) {
    if (separator == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.SetLevels(TextFromBstr(*separator)); }, kEntryPagesSource);
}

HRESULT EntryObject::FetchLevel(short* index, short* result) {
    if (index == nullptr) return E_POINTER;
    return NumberResult(result, [&] { return table_.FetchLevel(*index); }, kEntryPagesSource);
}

HRESULT EntryObject::FetchLabel(short* index, BSTR* result) {
    if (index == nullptr) return E_POINTER;
    return TextResult(result, [&] { return table_.FetchLabel(*index); }, kEntryPagesSource);
}

HRESULT EntryObject::SortAs(BSTR* description, BSTR* sortKey, BSTR* result) {
    if (description == nullptr || sortKey == nullptr) return E_POINTER;
    return TextResult(
        result, [&] { return table_.SortAs(TextFromBstr(*description), TextFromBstr(*sortKey)); }, kEntryPagesSource);
}

}  // namespace folio_com
