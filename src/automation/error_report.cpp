#include "automation/error_report.h"

#include <string>

namespace folio_com {

HRESULT ReportError(const ErrorSource& source, int32_t number, TextView description) {
    const HRESULT status = number < 0 ? static_cast<HRESULT>(number) : E_FAIL;
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        // SetDescription wants a terminated string; the text may hold no terminator.
        const std::wstring text(reinterpret_cast<const wchar_t*>(description.data()),
                                description.size());
        create->SetGUID(*source.iid);
        create->SetSource(const_cast<LPOLESTR>(source.progId));
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return status;
}

}  // namespace folio_com
