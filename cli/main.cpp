// orvane-cli: the command-line companion of Tarvo Resource Manager.
#include <cstdio>
#include <exception>
#include <string>

#include "archive/error.h"
#include "cli/command.h"
#include "shell/file_locations.h"

namespace cli {

namespace {
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintOverview(FILE* to) {
    std::fprintf(to, "Usage: orvane-cli COMMAND [OPTIONS] ...\n\n"
                     "Works with HQR archives (.HQR, .VOX, .ILE, .OBL, .HQS) from the command line.\n\n"
                     "Commands:\n");
    for (const auto& c : Commands()) std::fprintf(to, "  %-12s %s\n", c.name, c.summary);
    std::fprintf(to, "\nRun 'orvane-cli COMMAND --help' for the options of a command, 'orvane-cli --version'\n"
                     "for the version.\n"
                     "Exit status: 0 success, 1 the operation failed, 2 wrong usage.\n");
}
}  // namespace

CommandRegistration::CommandRegistration(const Command& command) { Registry().push_back(command); }

const std::vector<Command>& Commands() { return Registry(); }

int Fail(const std::string& message, int status) {
    std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
    return status;
}

int UsageError(const Command& command, const std::string& message) {
    std::fprintf(stderr, "orvane-cli: %s\nUsage: orvane-cli %s\n", message.c_str(), command.usage);
    return kExitUsage;
}

bool WantsHelp(const Command& command, const Args& args) {
    for (const auto& a : args) {
        if (a == "-h" || a == "--help") {
            std::printf("Usage: orvane-cli %s\n\n%s\n\n%s", command.usage, command.summary, command.help);
            return true;
        }
        if (a == "--") break;
    }
    return false;
}

bool ParsedArgs::Has(const std::string& name) const {
    for (const auto& [n, v] : options)
        if (n == name) return true;
    return false;
}

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name) return it->second;
    return fallback;
}

ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& withValue) {
    ParsedArgs parsed;
    auto contains = [](const std::vector<std::string>& v, const std::string& s) {
        for (const auto& x : v)
            if (x == s) return true;
        return false;
    };
    bool onlyPositionals = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositionals || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            if (!onlyPositionals && a.size() > 1 && a[0] == '-' && a != "-") {
                parsed.error = "unknown option '" + a + "'";
                return parsed;
            }
            parsed.positionals.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositionals = true;
            continue;
        }
        std::string name = a.substr(2), value;
        bool hasValue = false;
        if (auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (contains(withValue, name)) {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    parsed.error = "option '--" + name + "' needs a value";
                    return parsed;
                }
                value = args[++i];
            }
        } else if (contains(flags, name)) {
            if (hasValue) {
                parsed.error = "option '--" + name + "' takes no value";
                return parsed;
            }
        } else {
            parsed.error = "unknown option '--" + name + "'";
            return parsed;
        }
        parsed.options.emplace_back(name, value);
    }
    return parsed;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {  // Latin-1 to UTF-8
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
    return out + "\"";
}

}  // namespace cli

int main(int argc, char** argv) {
    using namespace cli;
    if (argc < 2) {
        PrintOverview(stderr);
        return kExitUsage;
    }
    std::string name = argv[1];
    if (name == "-h" || name == "--help" || name == "help") {
        PrintOverview(stdout);
        return kExitOk;
    }
    if (name == "--version") {
        std::printf("orvane-cli (Tarvo Resource Manager) %s\n", ORVANE_VERSION);
        return kExitOk;
    }
    // The file-based method's exchange files: beside the program, or in a
    // private folder when the program's folder is not the user's to write.
    const shell::TemporaryDirectoryScope temporaryFiles(shell::ChooseFileLocations(shell::ProcessLocationFacts()));
    for (const auto& c : Commands()) {
        if (name != c.name) continue;
        Args args(argv + 2, argv + argc);
        if (WantsHelp(c, args)) return kExitOk;
        try {
            return c.run(args);
        } catch (const archive::Error& e) {
            return Fail(e.Description);
        } catch (const std::exception& e) {
            return Fail(e.what());
        }
    }
    std::fprintf(stderr, "orvane-cli: unknown command '%s'\n", name.c_str());
    PrintOverview(stderr);
    return kExitUsage;
}
