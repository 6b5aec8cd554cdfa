#include "automation/bstr_text.h"

#include <new>

namespace folio_com {

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "automation strings are 16-bit units");

Text TextFromBstr(BSTR value) {
    if (value == nullptr) return Text();
    return Text(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
}

BSTR BstrFromText(TextView text) {
    BSTR value = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()));
    if (value == nullptr) throw std::bad_alloc();
    return value;
}

}  // namespace folio_com
