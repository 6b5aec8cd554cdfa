// indexfile: a console program for index files, built from the libraries' own core: show a
// file's rows as a report would load them, check files for what would stop a load or lose
// data, merge the files of a book's parts into one.
#include <new>
#include <string>

#include "core/identity.h"
#include "commands.h"
#include "console_text.h"
#include "platform/platform.h"

namespace {

constexpr const char* kProgramHelp =
    "Usage: indexfile [--code-page NAME] COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Reads and writes the index files of Keystack (an index) and Pagestack (a table of\n"
    "contents) with the libraries' own code.\n"
    "\n"
    "Commands:\n"
    "  show FILE              the rows as the libraries load them, the count, the greatest\n"
    "                         page and the recorded order\n"
    "  check FILE...          what would make a load stop or lose data, line by line\n"
    "  merge OUT FILE[@OFFSET]...\n"
    "                         one file from several, each input's pages moved by its offset\n"
    "\n"
    "Options:\n"
    "  --code-page NAME       read and write files in code page NAME (\"1250\", \"windows-1251\",\n"
    "                         \"932\"); Windows-1252 by default. Linux only: on Windows the files\n"
    "                         are in the system's ANSI code page, as the libraries write them\n"
    "  --help                 this help; \"indexfile COMMAND --help\" for a command's\n"
    "  --version              the versions of the libraries whose files the tool writes\n"
    "\n"
    "Exit status: 0 done (every file clean, OUT written); 1 a problem found, a load that\n"
    "stops, or a merge refused; 2 a usage error or a file that cannot be read; 3 standard\n"
    "output could not be written.\n";

constexpr const char* kShowHelp =
    "Usage: indexfile show [--keystack | --pagestack] [--format FORMAT] FILE\n"
    "\n"
    "Prints the rows of FILE as a report's NewFile loads them: one per line with its row\n"
    "number (from 0, as FetchDescription counts), description and page, then the count, the\n"
    "greatest page (MaxPage) and the order. Keystack's way (sorted, one row per description,\n"
    "in the order the file records) or Pagestack's (the file's rows as they stand) follows\n"
    "the file's root element (TableOfContentsDoc: Pagestack), unless an option forces it.\n"
    "\n"
    "  --keystack, --pagestack  load the file as that library does\n"
    "  --format text            tab-separated rows for people (the default)\n"
    "  --format csv             RFC 4180: a header, then row,description,page\n"
    "  --format json            an object with file, kind, order, count, greatestPage,\n"
    "                           error (null, or the line where the load stops) and rows\n"
    "  --format html            one page a browser shows: a contents page, or an index\n"
    "                           with letter headings\n"
    "\n"
    "Output is UTF-8. Exit status: 0 the whole file loads; 1 the load stops at a line (the\n"
    "rows before it are shown, the line on standard error) or a page lies beyond 32767;\n"
    "2 a usage error or a file that cannot be read.\n";

constexpr const char* kCheckHelp =
    "Usage: indexfile check [--keystack | --pagestack] [--strict] FILE...\n"
    "\n"
    "Reports, as FILE:LINE: and what is wrong, everything that would make a load stop or lose\n"
    "data: a line the loader stops at (an invalid character reference, a line past the length\n"
    "limit), a Page line with no Description, a Description with no Page, an empty\n"
    "description, an element the loader skips (attributes, or not first on its line), a file\n"
    "that ends without its root end tag (a save cut short), a value too long for Save, more\n"
    "rows than the table holds, a \"?\" before a letter where a character was lost, bytes that\n"
    "formed no character, characters the code page cannot write; for a Keystack file also\n"
    "duplicate descriptions and an order this system cannot apply. Rows out of the file's\n"
    "recorded order lose nothing (a load sorts them in): they are shown as notes\n"
    "(FILE:LINE: note: ...). Prints \"FILE: ok\" for a file without problems.\n"
    "\n"
    "  --keystack, --pagestack  check as that library loads (default: the root element)\n"
    "  --strict                 count notes as problems\n"
    "\n"
    "Exit status: 0 every file clean; 1 a problem found; 2 a usage error or a file that\n"
    "cannot be read (the other files are still checked).\n";

constexpr const char* kMergeHelp =
    "Usage: indexfile merge [--keystack | --pagestack] [--order NAME] OUT FILE[@OFFSET]...\n"
    "\n"
    "Writes OUT from the inputs, in the order given, as a book pass does with AppendPages:\n"
    "each input's pages are moved by its OFFSET (-32768 to 32767, default 0) and merged page by\n"
    "page into one table, which is written as Save writes it: into a temporary file that then\n"
    "replaces OUT, so a failed merge leaves OUT as it was. What AppendPages refuses (a file\n"
    "it cannot read to its end, a page moved outside 0 to 32767, a page list too long for one\n"
    "line, more rows than the table holds) refuses the merge, naming the input and its line.\n"
    "\n"
    "  --keystack, --pagestack  an index or a contents file (default: the first input's root)\n"
    "  --order NAME             Keystack's order, as SetOrder takes it: \"ordinal\", \"text\"\n"
    "                           or \"text:LOCALE\" (\"text:sv-SE\"); by default the order the\n"
    "                           first input records\n"
    "\n"
    "Exit status: 0 OUT written; 1 the merge refused or OUT could not be written; 2 a usage\n"
    "error or an input that cannot be read.\n";

void Print(const char* text) { Output() << text; }

int Version() {
    Output() << "indexfile of " FOLIO_APPLICATION_NAME ": writes index files as " KEYSTACK_LIBRARY_NAME " "
             << DecimalText(KEYSTACK_VERSION_MAJOR) << "." << DecimalText(KEYSTACK_VERSION_MINOR) << " ("
             << DecimalText(KEYSTACK_VERSION_REVISION) << ") and " PAGESTACK_LIBRARY_NAME " "
             << DecimalText(PAGESTACK_VERSION_MAJOR) << "." << DecimalText(PAGESTACK_VERSION_MINOR) << " ("
             << DecimalText(PAGESTACK_VERSION_REVISION) << ")\n";
    return kExitOk;
}

// The code page option, wherever it stands; the other arguments stay in order.
int TakeCodePage(std::vector<Text>& args) {
    std::optional<Text> name;
    for (size_t i = 0; i < args.size();) {
        if (args[i] == u"--") break;
        if (args[i] == u"--code-page" || args[i].substr(0, 12) == u"--code-page=") {
            if (args[i].size() > 11) {
                name = args[i].substr(12);
                args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            } else if (i + 1 < args.size()) {
                name = args[i + 1];
                args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            } else {
                return UsageError(Text(), u"--code-page needs a value");
            }
            continue;
        }
        ++i;
    }
    if (!name) return kExitOk;
#ifdef _WIN32
    return UsageError(Text(), u"--code-page: on Windows the files are in the system's ANSI code page, as the "
                              u"libraries write and read them; run indexfile where that code page is in force");
#else
    if (const Text why = platform::UseAnsiCodePage(TextToAscii(*name)); !why.empty())
        return UsageError(Text(), u"--code-page: " + why);
    return kExitOk;
#endif
}

int Run(std::vector<Text> args) {
    if (const int status = TakeCodePage(args); status != kExitOk) return status;
    if (args.empty()) return UsageError(Text(), u"no command: use show, check or merge");
    const Text command = args[0];
    args.erase(args.begin());
    if (command == u"--help" || command == u"-h" || command == u"help") {
        if (!args.empty() && !PrintHelp(args[0])) return UsageError(Text(), u"unknown command " + args[0]);
        if (args.empty()) PrintHelp(Text());
        return kExitOk;
    }
    if (command == u"--version") return Version();
    if (command == u"show") return RunShow(args);
    if (command == u"check") return RunCheck(args);
    if (command == u"merge") return RunMerge(args);
    return UsageError(Text(), u"unknown command " + command + u": use show, check or merge");
}

// No failure leaves the program as a trace: each becomes one line and an exit status.
int Main(std::vector<Text> args) {
    try {
        const int status = Run(std::move(args));
        if (StandardOutputFailed()) {
            PrintError(u"standard output could not be written: what it shows is incomplete");
            return kExitOutput;
        }
        return status;
    } catch (const AutomationError& e) {
        PrintError(e.Description());
    } catch (const std::bad_alloc&) {
        PrintError(kOutOfMemoryText);
    } catch (const std::exception& e) {
        PrintError(u"unexpected failure: " + TextOfUtf8(e.what()));
    } catch (...) {
        PrintError(u"unexpected failure");
    }
    return kExitUsage;
}

}  // namespace

bool PrintHelp(TextView command) {
    if (command.empty()) Print(kProgramHelp);
    else if (command == u"show") Print(kShowHelp);
    else if (command == u"check") Print(kCheckHelp);
    else if (command == u"merge") Print(kMergeHelp);
    else return false;
    return true;
}

#ifdef _WIN32
// Windows hands the program its command line as UTF-16, every character of a path intact.
int wmain(int argc, wchar_t** argv) {
    std::vector<Text> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    return Main(std::move(args));
}
#else
int main(int argc, char** argv) {
    std::vector<Text> args;
    for (int i = 1; i < argc; ++i) args.push_back(TextOfUtf8(argv[i]));
    return Main(std::move(args));
}
#endif
