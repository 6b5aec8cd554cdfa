#include "core/error.h"

#include <new>

#include "platform/platform.h"

AutomationError::AutomationError(int32_t number, Text description)
    : std::runtime_error(TextToAscii(description)),
      number_(number),
      description_(std::move(description)) {}

Text CurrentErrorDescription() {
    try {
        throw;
    } catch (const AutomationError& e) {
        return e.Description();
    } catch (const std::bad_alloc&) {
        return Text(kOutOfMemoryText);
    } catch (...) {
        return u"Unexpected error";
    }
}

AutomationError OverflowError() {
    return AutomationError(kErrorOverflow, u"Overflow");
}

AutomationError InvalidArgumentError() {
    return AutomationError(kErrorInvalidArgument, u"Invalid procedure call or argument");
}

AutomationError FileError(uint32_t platformCode) { return SystemError(platformCode); }

AutomationError SystemError(uint32_t platformCode) {
    // HRESULT_FROM_WIN32: FACILITY_WIN32 with the severity bit, so callers see the platform's code.
    const uint32_t code = platformCode == 0 ? 0x80004005u  // E_FAIL for "no code known"
                                            : (0x80070000u | (platformCode & 0xFFFFu));
    return AutomationError(static_cast<int32_t>(code), platform::SystemErrorText(platformCode));
}
