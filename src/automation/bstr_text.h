// Automation strings (BSTR) to and from the core's Text.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "core/text.h"

namespace folio_com {

// A null BSTR is the empty text. Embedded zeros are kept: the length is SysStringLen.
Text TextFromBstr(BSTR value);

// A new BSTR holding the text; throws std::bad_alloc when the system has no memory for it.
BSTR BstrFromText(TextView text);

// A BSTR that a call hands out, freed with its owner.
class OwnedBstr {
public:
    OwnedBstr() = default;
    ~OwnedBstr() { SysFreeString(text_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR* Put() { return &text_; }
    BSTR Get() const { return text_; }
    std::wstring Wide() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : std::wstring(); }

private:
    BSTR text_ = nullptr;
};

}  // namespace folio_com
