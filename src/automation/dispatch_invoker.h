// IDispatch::Invoke for the dual interfaces, written by hand. A script passes its variables
// by reference as variants (VT_VARIANT|VT_BYREF), or by value in another type (VT_I4 for a
// short); the standard type-library Invoke refuses those for a [in, out] BSTR* or short*
// parameter. Here every argument is converted as a by-value argument would be, into a local
// of the declared type, and the vtable method is called with the locals; text that the caller
// already holds as a BSTR is passed where it is. No method of the library changes its
// arguments, so nothing is written back: the caller's variables keep their values and their
// subtypes.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "automation/error_report.h"

namespace folio_com {

struct InvokeRequest {
    DISPID member;
    LCID lcid;
    WORD flags;
    DISPPARAMS* params;
    VARIANT* result;
    EXCEPINFO* exception;
    UINT* argumentError;
};

// Calls the method of the interface at `instance` that `method` describes (the vtable
// side's description of `request.member`, or null when there is no such method: then
// DISP_E_MEMBERNOTFOUND). A method that fails gives DISP_E_EXCEPTION, with its status and
// error information in the EXCEPINFO.
HRESULT InvokeByTypeInfo(void* instance, const FUNCDESC* method, const InvokeRequest& request,
                         const ErrorSource& source);

}  // namespace folio_com
