// The boundary between the core's exceptions and automation errors: every method of the
// automation objects runs its body through GuardedCall, which turns an exception into a
// failure status plus the thread's error information (IErrorInfo).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <stdexcept>

#include "core/error.h"
#include "core/text.h"

namespace folio_com {

// Where an error comes from: the class's programmatic identifier and its interface.
struct ErrorSource {
    const wchar_t* progId;
    const GUID* iid;
};

// Sets the thread's error information and returns the status to hand to the caller.
// A number that is not a failure status becomes E_FAIL: an error never reads as success.
HRESULT ReportError(const ErrorSource& source, int32_t number, TextView description);

// Runs body(); returns S_OK, or the failure status of the exception it threw.
template <class Body>
HRESULT GuardedCall(const ErrorSource& source, Body&& body) noexcept {
    SetErrorInfo(0, nullptr);  // a caller must not see the error of an earlier call
    try {
        body();
        return S_OK;
    } catch (const AutomationError& error) {
        return ReportError(source, error.Number(), error.Description());
    } catch (const std::bad_alloc&) {
        return ReportError(source, E_OUTOFMEMORY, kOutOfMemoryText);
    } catch (const std::exception& error) {
        // No other exception is expected; it must still not unwind into the host.
        return ReportError(source, E_UNEXPECTED, AsciiToText(error.what()));
    } catch (...) {
        return ReportError(source, E_UNEXPECTED, u"Unexpected error");
    }
}

}  // namespace folio_com
