// The type information that the objects hand out and dispatch through, once for the whole
// process: each piece is loaded at first use from the type library embedded in this DLL, and
// all of it goes in the module's teardown as the DLL is unloaded. Nothing of it is released by
// a destructor at process exit, when oleaut32 may no longer be called.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "automation/interface_type_info.h"

namespace folio_com {

// The dual interface `iid` of this library: _EntryPages or _UFL. Throws std::bad_alloc.
InterfaceTypeInfo& InterfaceTypes(const GUID& iid);
// The type information of this library's class `clsid` (Entry or UFL), with a reference for
// the caller.
HRESULT ClassTypes(const GUID& clsid, ITypeInfo** info);
// Releases all of it. Only when no object of the library is left: as the DLL is unloaded.
void ReleaseTypeInformation();

}  // namespace folio_com
