// The tool's three commands and what they share: their options, the kind of table a file
// loads into, and where and why a load stops.
#pragma once

#include <optional>
#include <vector>

#include "core/build_traits.h"
#include "core/error.h"
#include "core/text.h"

// Exit statuses: done (a clean file, a file written); a problem found or a merge refused;
// a usage error or a file that cannot be read; standard output could not be written.
enum ExitStatus : int { kExitOk = 0, kExitProblems = 1, kExitUsage = 2, kExitOutput = 3 };

int RunShow(const std::vector<Text>& args);
int RunCheck(const std::vector<Text>& args);
int RunMerge(const std::vector<Text>& args);
// The help of the program (command empty) or of one command; false for an unknown command.
bool PrintHelp(TextView command);

// --- Options ---

struct CommandOptions {
    bool edition = false;  // --keystack, --pagestack
    bool format = false;   // --format NAME
    bool order = false;    // --order NAME
    bool strict = false;   // --strict
};

struct Arguments {
    std::vector<Text> operands;
    const Edition* edition = nullptr;  // forced by --keystack or --pagestack
    std::optional<Text> format, order;
    bool help = false;
    bool strict = false;
};

// Reads a command's arguments: its options (anywhere; "--" ends them) and operands. Returns
// the usage error's message, or nothing.
std::optional<Text> ParseArguments(const std::vector<Text>& args, const CommandOptions& allowed, Arguments& out);
// The usage error of a command: the message and where to find help, on standard error.
int UsageError(TextView command, TextView message);

// --- Index files ---

// The table a file loads into: Pagestack's for a TableOfContentsDoc, Keystack's otherwise.
const Edition& EditionOfRoot(const std::optional<Text>& rootTag);
// "Keystack index" or "Pagestack contents".
Text KindOf(const Edition& edition);

// Why a line stops a load, from the error its reading raised: an invalid reference (quoted
// when it can be found) or a line past the length limit.
Text LoadStopReason(const AutomationError& error, TextView line);
// Where a load of the file stops: the line and the reason, or nothing when it reads to its end.
// Throws the file error when the file cannot be read.
struct LoadStop {
    size_t line;
    Text reason;
};
std::optional<LoadStop> FindLoadStop(const Text& path);

// A file the commands cannot read at all: its message ("FILE: cannot read: ..."), or nothing
// when its bytes can be read.
std::optional<Text> UnreadableFile(const Text& path);

// A text in quotes for a message, cut short when long, its line breaks shown as "\r" and "\n".
Text Quoted(TextView text);
