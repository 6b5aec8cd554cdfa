#include "automation/ufl_object.h"

#include "automation/bstr_text.h"
#include "automation/identifiers.h"

namespace folio_com {
namespace {

const ErrorSource kUflSource{kProgIdUfl, &kIidUfl};

}  // namespace

UflObject::UflObject() : DualObject(kUflSource, kClsidUfl, kIidUfl) {}

HRESULT UflObject::Help(BSTR helpCommand, BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return GuardedCall(Source(), [&] { *result = BstrFromText(ufl_.Help(TextFromBstr(helpCommand))); });
}

}  // namespace folio_com
