// Options and operands of the commands, and their usage errors.
#include "commands.h"
#include "console_text.h"

namespace {

bool StartsWith(TextView text, TextView prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::optional<Text> ParseArguments(const std::vector<Text>& args, const CommandOptions& allowed, Arguments& out) {
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const Text& arg = args[i];
        if (!options || arg.size() < 2 || arg[0] != u'-') {
            out.operands.push_back(arg);
            continue;
        }
        if (arg == u"--") {
            options = false;
            continue;
        }
        if (arg == u"--help" || arg == u"-h") {
            out.help = true;
            continue;
        }
        if (allowed.strict && arg == u"--strict") {
            out.strict = true;
            continue;
        }
        if (allowed.edition && (arg == u"--keystack" || arg == u"--pagestack")) {
            const Edition* edition = arg == u"--keystack" ? &kKeystackEdition : &kPagestackEdition;
            if (out.edition && out.edition != edition) return Text(u"--keystack and --pagestack exclude each other");
            out.edition = edition;
            continue;
        }
        // An option with a value: "--format csv" or "--format=csv".
        struct Valued {
            TextView name;
            bool allowedHere;
            std::optional<Text>* slot;
        };
        std::optional<Text>* target = nullptr;
        Text name;
        for (const Valued& option : {Valued{u"--format", allowed.format, &out.format},
                                     Valued{u"--order", allowed.order, &out.order}}) {
            if (option.allowedHere && (arg == option.name || StartsWith(arg, Text(option.name) + u"="))) {
                target = option.slot;
                name = Text(option.name);
            }
        }
        if (!target) return u"unknown option " + arg;
        if (arg.size() > name.size()) {
            *target = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            *target = args[++i];
        } else {
            return name + u" needs a value";
        }
    }
    return std::nullopt;
}

int UsageError(TextView command, TextView message) {
    Text where = command.empty() ? Text(u"indexfile --help") : u"indexfile " + Text(command) + u" --help";
    PrintError((command.empty() ? Text() : Text(command) + u": ") + Text(message) + u" (see " + where + u")");
    return kExitUsage;
}
