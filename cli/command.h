// The sub-commands of orvane-cli. Each command lives in a file of its own and
// registers itself with a static CommandRegistration.
#pragma once

#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // "list [--json] ARCHIVE"
    const char* summary;  // one line for the overview
    const char* help;     // the full text printed by --help (after the usage line)
    int (*run)(const Args& args);  // args after the command name; returns the exit status
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

const std::vector<Command>& Commands();

// Writes "orvane-cli: " + message to stderr and returns the status.
int Fail(const std::string& message, int status = kExitFailed);
// A usage error for the command: the message, then "Usage: ...", status 2.
int UsageError(const Command& command, const std::string& message);
// True when args holds "-h" or "--help"; then prints the command's help.
bool WantsHelp(const Command& command, const Args& args);

// Splits args into options ("--name" / "--name=value" / "--name value" for
// the names in withValue) and positionals. Unknown options are reported.
struct ParsedArgs {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> options;  // name without "--"
    std::string error;                                          // non-empty on a bad option
    bool Has(const std::string& name) const;
    std::string Value(const std::string& name, const std::string& fallback = "") const;
};
ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& withValue);

// Text as a JSON string literal (bytes above 0x7F are read as Latin-1).
std::string JsonString(const std::string& text);

}  // namespace cli
