// The automation object UFL: the core's information requests behind the dual interface _UFL.
#pragma once

#include "automation/dual_object.h"
#include "folio_idl.h"  // _UFL, generated from folio.idl
#include "info/ufl.h"

namespace folio_com {

class UflObject final : public DualObject<_UFL> {
public:
    UflObject();

    HRESULT STDMETHODCALLTYPE Help(BSTR helpCommand, BSTR* result) override;

private:
    ::UFL ufl_;
};

}  // namespace folio_com
