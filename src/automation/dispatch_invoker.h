// IDispatch::Invoke for the dual interfaces, written by hand. A script passes its variables
// by reference as variants (VT_VARIANT|VT_BYREF), or by value in another type (VT_I4 for a
// short); the standard type-library Invoke refuses those for a [in, out] BSTR* or short*
// parameter. Here every argument is converted as a by-value argument would be, into a local
// of the declared type, and the vtable method is called with the locals. No method of the
// library changes its arguments, so nothing is written back: the caller's variables keep
// their values and their subtypes.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

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

// The methods of one object's dual interface by dispatch identifier, each looked up once in
// the type information (its own and that of the interfaces it derives from) and kept: a
// report calls the same few methods thousands of times.
class MethodTable {
public:
    MethodTable() = default;
    ~MethodTable();
    MethodTable(const MethodTable&) = delete;
    MethodTable& operator=(const MethodTable&) = delete;

    // The method of `vtableInfo` (the vtable side of the dual interface), or null.
    const FUNCDESC* Find(ITypeInfo* vtableInfo, DISPID member);

private:
    struct Method {
        DISPID member;
        ITypeInfo* owner;  // the interface that declares it
        FUNCDESC* description;
    };
    std::vector<Method> methods_;
};

// Calls the method `request.member` of the interface at `instance`, described by
// `vtableInfo` (the vtable side of the dual interface). A method that fails gives
// DISP_E_EXCEPTION, with its status and error information in the EXCEPINFO.
HRESULT InvokeByTypeInfo(void* instance, ITypeInfo* vtableInfo, MethodTable& methods,
                         const InvokeRequest& request, const ErrorSource& source);

}  // namespace folio_com
