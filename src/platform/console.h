// The standard output and error of a console program (the indexfile tool): UTF-8 text that a
// Windows console shows as text, and that a file or a pipe gets as the bytes they are.
#pragma once

#include <string_view>

namespace platform {

enum class StandardStream { kOutput, kError };

// Writes all of `utf8`; false when the stream is gone (a closed pipe), so that the program can
// stop and say so with its exit status.
bool WriteStandard(StandardStream stream, std::string_view utf8);

}  // namespace platform
