// What every fuzz target shares: the entry point, how a broken promise stops the run, and
// which outcomes are expected. The same target code runs under libFuzzer and in the corpus
// replay, so a finding looks the same in both: a message on stderr and an abort.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/error.h"
#include "core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

// Runs `call`. The core's own error (overflow, invalid argument, file error) is an expected
// outcome and gives false; any other exception goes on and ends the run as a finding.
template <typename Call>
bool Succeeds(Call&& call) {
    try {
        call();
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Save writes the marker as it is and the reader turns it into CR LF: the one text that
// does not come back from the file unchanged.
inline bool HoldsCrLfMarker(TextView text) { return text.find(u"[[--CRLF--]]") != TextView::npos; }

}  // namespace fuzz
