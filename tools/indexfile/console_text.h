// What the tool prints: UTF-8 on standard output, one-line messages on standard error.
#pragma once

#include <string>

#include "core/text.h"

// The text in UTF-8; half a surrogate pair, which UTF-8 cannot hold, becomes U+FFFD.
std::string Utf8Of(TextView text);
// A program argument given as UTF-8 (the POSIX command line), as text.
Text TextOfUtf8(std::string_view utf8);

// Gathers a command's output and writes it to standard output a piece at a time.
class Output {
public:
    ~Output() { Flush(); }
    Output& operator<<(std::string_view utf8) {
        bytes_ += utf8;
        if (bytes_.size() > 64 * 1024) Flush();
        return *this;
    }
    Output& operator<<(TextView text) { return *this << std::string_view(Utf8Of(text)); }
    Output& operator<<(const Text& text) { return *this << TextView(text); }
    Output& operator<<(const char* utf8) { return *this << std::string_view(utf8); }
    Output& operator<<(const char16_t* text) { return *this << TextView(text); }
    void Flush();

private:
    std::string bytes_;
};

// Whether some output could not be written (a full disk, a closed pipe): the program then ends
// with its own exit status, whatever the command found.
bool StandardOutputFailed();

// One line on standard error: "indexfile: " and the message, its line breaks made blanks.
void PrintError(TextView message);
