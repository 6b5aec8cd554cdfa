// Automation strings (BSTR) to and from the core's Text.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "core/text.h"

namespace folio_com {

// A null BSTR is the empty text. Embedded zeros are kept: the length is SysStringLen.
Text TextFromBstr(BSTR value);

// A new BSTR holding the text; throws std::bad_alloc when the system has no memory for it.
BSTR BstrFromText(TextView text);

}  // namespace folio_com
