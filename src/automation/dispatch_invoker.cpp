#include "automation/dispatch_invoker.h"

#include <oleauto.h>

#include <new>
#include <vector>

namespace folio_com {
namespace {

// The interface that `info` (the vtable side of an interface) derives from, as a vtable
// side too; none for IDispatch, whose methods are no members to invoke.
ITypeInfo* BaseInterface(ITypeInfo* info) {
    HREFTYPE ref = 0;
    ITypeInfo* base = nullptr;
    if (FAILED(info->GetRefTypeOfImplType(0, &ref)) || FAILED(info->GetRefTypeInfo(ref, &base))) return nullptr;
    TYPEATTR* attr = nullptr;
    if (FAILED(base->GetTypeAttr(&attr))) {
        base->Release();
        return nullptr;
    }
    const bool isDispatch = IsEqualGUID(attr->guid, IID_IDispatch) || IsEqualGUID(attr->guid, IID_IUnknown);
    const bool isDispatchSide = attr->typekind == TKIND_DISPATCH;
    base->ReleaseTypeAttr(attr);
    if (isDispatch) {
        base->Release();
        return nullptr;
    }
    if (isDispatchSide) {  // a dual base: its vtable side holds the offsets
        ITypeInfo* vtable = nullptr;
        if (FAILED(base->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
            FAILED(base->GetRefTypeInfo(ref, &vtable)))
            vtable = nullptr;
        base->Release();
        return vtable;
    }
    return base;
}

// The method with that dispatch identifier in `info` or the interfaces it derives from
// (_EntryPages inherits the methods of _Entry). The FUNCDESC belongs to `*owner`, which the
// caller releases.
FUNCDESC* FindMethod(ITypeInfo* info, DISPID member, ITypeInfo** owner) {
    info->AddRef();
    while (info != nullptr) {
        TYPEATTR* attr = nullptr;
        UINT count = 0;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            count = attr->cFuncs;
            info->ReleaseTypeAttr(attr);
        }
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            if (FAILED(info->GetFuncDesc(i, &desc))) continue;
            if (desc->memid == member && desc->invkind == INVOKE_FUNC) {
                *owner = info;
                return desc;
            }
            info->ReleaseFuncDesc(desc);
        }
        ITypeInfo* base = BaseInterface(info);
        info->Release();
        info = base;
    }
    return nullptr;
}

// Variants that clear themselves.
class VariantArray {
public:
    explicit VariantArray(size_t size) : items_(size) {
        for (VARIANT& item : items_) VariantInit(&item);
    }
    ~VariantArray() {
        for (VARIANT& item : items_) VariantClear(&item);
    }
    VariantArray(const VariantArray&) = delete;
    VariantArray& operator=(const VariantArray&) = delete;
    VARIANT& operator[](size_t i) { return items_[i]; }

private:
    std::vector<VARIANT> items_;
};

VARTYPE DeclaredType(const TYPEDESC& type) {
    return type.vt == VT_PTR ? type.lptdesc->vt : type.vt;
}

bool IsByReference(const TYPEDESC& type) { return type.vt == VT_PTR; }

// The address of a variant's value, as a VT_BYREF argument points to it.
void* ValueAddress(VARIANT& value) { return &V_I8(&value); }

void SetArgumentError(const InvokeRequest& request, UINT index) {
    if (request.argumentError) *request.argumentError = index;
}

// Which element of rgvarg feeds each parameter: positional arguments stand last-to-first,
// named arguments first with their parameter numbers in rgdispidNamedArgs.
HRESULT MapArguments(const InvokeRequest& request, UINT parameterCount, std::vector<int>& feeds) {
    const DISPPARAMS& params = *request.params;
    if (params.cArgs != parameterCount) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs > params.cArgs) return E_INVALIDARG;
    if (params.cArgs > 0 && params.rgvarg == nullptr) return E_INVALIDARG;
    if (params.cNamedArgs > 0 && params.rgdispidNamedArgs == nullptr) return E_INVALIDARG;
    feeds.assign(parameterCount, -1);
    const UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT p = 0; p < positional; ++p) feeds[p] = static_cast<int>(params.cArgs - 1 - p);
    for (UINT n = 0; n < params.cNamedArgs; ++n) {
        const DISPID parameter = params.rgdispidNamedArgs[n];
        if (parameter < 0 || static_cast<UINT>(parameter) >= parameterCount ||
            feeds[parameter] != -1) {
            SetArgumentError(request, n);
            return DISP_E_PARAMNOTFOUND;
        }
        feeds[parameter] = static_cast<int>(n);
    }
    return S_OK;
}

// After a failed call: the method's status and error information into the EXCEPINFO.
void FillException(const InvokeRequest& request, HRESULT status, const ErrorSource& source) {
    IErrorInfo* info = nullptr;
    const bool haveInfo = GetErrorInfo(0, &info) == S_OK && info != nullptr;
    if (request.exception) {
        EXCEPINFO& exception = *request.exception;
        ZeroMemory(&exception, sizeof exception);
        exception.scode = status;
        if (haveInfo) {
            info->GetSource(&exception.bstrSource);
            info->GetDescription(&exception.bstrDescription);
            info->GetHelpFile(&exception.bstrHelpFile);
            info->GetHelpContext(&exception.dwHelpContext);
        }
        if (exception.bstrSource == nullptr) exception.bstrSource = SysAllocString(source.progId);
    }
    if (haveInfo) {
        // Reading took the information off the thread; callers that ask later still find it.
        SetErrorInfo(0, info);
        info->Release();
    }
}

}  // namespace

MethodTable::~MethodTable() {
    for (const Method& method : methods_) {
        method.owner->ReleaseFuncDesc(method.description);
        method.owner->Release();
    }
}

const FUNCDESC* MethodTable::Find(ITypeInfo* vtableInfo, DISPID member) {
    for (const Method& method : methods_)
        if (method.member == member) return method.description;
    ITypeInfo* owner = nullptr;
    FUNCDESC* description = FindMethod(vtableInfo, member, &owner);
    if (description == nullptr) return nullptr;
    try {
        methods_.push_back({member, owner, description});
    } catch (const std::bad_alloc&) {
        owner->ReleaseFuncDesc(description);
        owner->Release();
        return nullptr;
    }
    return description;
}

HRESULT InvokeByTypeInfo(void* instance, ITypeInfo* vtableInfo, MethodTable& methods,
                         const InvokeRequest& request, const ErrorSource& source) {
    if (request.params == nullptr) return E_INVALIDARG;
    const FUNCDESC* const method = methods.Find(vtableInfo, request.member);
    if (method == nullptr) return DISP_E_MEMBERNOTFOUND;

    const UINT total = static_cast<UINT>(method->cParams);
    const bool hasResult =
        total > 0 && (method->lprgelemdescParam[total - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
    const UINT parameterCount = total - (hasResult ? 1 : 0);

    // Every member is a method; one without parameters may also be read like a property
    // (a script's `x.Count`).
    const bool asMethod = (request.flags & DISPATCH_METHOD) != 0;
    const bool asGet = (request.flags & DISPATCH_PROPERTYGET) != 0 && parameterCount == 0;
    if (!asMethod && !asGet) return DISP_E_MEMBERNOTFOUND;

    std::vector<int> feeds;
    HRESULT hr = MapArguments(request, parameterCount, feeds);
    if (FAILED(hr)) return hr;

    // Converted arguments, one local per parameter, plus the result.
    VariantArray locals(total);
    std::vector<VARIANT> actual(total);
    std::vector<VARIANTARG*> actualPointers(total);
    std::vector<VARTYPE> actualTypes(total);
    for (UINT p = 0; p < total; ++p) {
        const TYPEDESC& type = method->lprgelemdescParam[p].tdesc;
        const VARTYPE declared = DeclaredType(type);
        if (p < parameterCount) {
            VARIANT& given = request.params->rgvarg[feeds[p]];
            if (V_VT(&given) == VT_ERROR && V_ERROR(&given) == DISP_E_PARAMNOTFOUND) {
                SetArgumentError(request, static_cast<UINT>(feeds[p]));
                return DISP_E_PARAMNOTOPTIONAL;
            }
            hr = VariantChangeTypeEx(&locals[p], &given, request.lcid, 0, declared);
            if (FAILED(hr)) {
                SetArgumentError(request, static_cast<UINT>(feeds[p]));
                return hr;
            }
        } else {
            V_VT(&locals[p]) = declared;  // the result, still empty
        }
        VariantInit(&actual[p]);
        if (IsByReference(type)) {
            V_VT(&actual[p]) = static_cast<VARTYPE>(VT_BYREF | declared);
            V_BYREF(&actual[p]) = ValueAddress(locals[p]);
        } else {
            actual[p] = locals[p];  // shallow: the local keeps ownership
        }
        actualTypes[p] = V_VT(&actual[p]);
        actualPointers[p] = &actual[p];
    }

    VARIANT status;
    VariantInit(&status);
    hr = DispCallFunc(instance, method->oVft, method->callconv, VT_ERROR, total,
                      actualTypes.data(), actualPointers.data(), &status);
    if (FAILED(hr)) return hr;
    if (FAILED(V_ERROR(&status))) {
        FillException(request, V_ERROR(&status), source);
        return DISP_E_EXCEPTION;
    }
    if (hasResult && request.result) {
        // Hand the result over; the local gives it up.
        *request.result = locals[total - 1];
        VariantInit(&locals[total - 1]);
    }
    return S_OK;
}

}  // namespace folio_com
