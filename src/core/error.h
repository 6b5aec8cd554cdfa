// The one error type of the core. It carries the automation error number (an HRESULT)
// and its description; the COM shell hands both to the caller as an automation error.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "core/text.h"

class AutomationError : public std::runtime_error {
public:
    AutomationError(int32_t number, Text description);

    int32_t Number() const { return number_; }
    const Text& Description() const { return description_; }

private:
    int32_t number_;
    Text description_;
};

// Automation error numbers the library raises (the classic runtime errors, FACILITY_CONTROL).
inline constexpr int32_t kErrorInvalidArgument = static_cast<int32_t>(0x800A0005);
inline constexpr int32_t kErrorOverflow = static_cast<int32_t>(0x800A0006);

// The description a failed allocation is reported with.
inline constexpr TextView kOutOfMemoryText = u"Out of memory";

// Only inside a catch block: the description of the error being handled, for the calls that
// answer every failure with a text rather than raise it (Save): the library's own error's
// description, kOutOfMemoryText for a failed allocation, a general text for anything else.
Text CurrentErrorDescription();

AutomationError OverflowError();
AutomationError InvalidArgumentError();
// A file error from the platform's error code (a Win32 error code on both platforms).
AutomationError FileError(uint32_t platformCode);
// Any other failure of the operating system, from its error code (a Win32 error code): its
// number and the system's text for it, as a file error carries them.
AutomationError SystemError(uint32_t platformCode);
