// The automation object Entry: one core Entry table behind the dual interface _EntryPages,
// which extends _Entry (also answered) with page lists, the order of the rows and headings,
// the methods that put a book together from several reports, levels and sort keys.
#pragma once

#include "automation/dual_object.h"
#include "entry/entry.h"
#include "folio_idl.h"  // _Entry and _EntryPages, generated from folio.idl

namespace folio_com {

class EntryObject final : public DualObject<_EntryPages> {
public:
    EntryObject();

    // The [in, out] arguments are read and never changed: the core takes them by value.
    HRESULT STDMETHODCALLTYPE NewFile(BSTR* sFile, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE AppendFile(BSTR* sFile, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Save(BSTR* sFile, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Clear(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FetchDescription(short* index, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FetchPage(short* index, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Store(BSTR* description, BSTR* pageNo, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Count(short* result) override;
    HRESULT STDMETHODCALLTYPE MaxPage(short* result) override;
    HRESULT STDMETHODCALLTYPE AddPage(BSTR* description, BSTR* pageNo, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FindPage(BSTR* description, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE SetOrder(BSTR* order, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FetchGroup(short* index, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE ShiftPages(short* offset, short* result) override;
    HRESULT STDMETHODCALLTYPE AppendPages(BSTR* sFile, short* offset, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE SetLevels(BSTR* separator, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FetchLevel(short* index, short* result) override;
    HRESULT STDMETHODCALLTYPE FetchLabel(short* index, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE SortAs(BSTR* description, BSTR* sortKey, BSTR* result) override;

private:
    ::Entry table_;
};

}  // namespace folio_com
