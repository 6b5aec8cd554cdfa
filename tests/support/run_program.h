// Runs a program of the build as a process of its own, as a user runs it from a shell, and
// gives back its exit status and what it wrote to standard output and error. Under Wine the
// program is a Windows program started by CreateProcessW.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1;  // -1: it could not be started, or did not end within the time allowed
    std::string out, err;
};

// `program` as the build names it (under Wine a Linux path, which becomes a Z: path); the
// arguments in UTF-8; the output captured through files in `workFolder`.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workFolder);
