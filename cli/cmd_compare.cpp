// orvane-cli compare: the slot-by-slot comparison of two archives.
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "shell/compare.h"

namespace cli {
namespace {

extern const Command kCompare;

int RunCompare(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"json"}, {});
    if (!parsed.error.empty()) return UsageError(kCompare, parsed.error);
    if (parsed.positionals.size() != 2) return UsageError(kCompare, "expected two archives");

    std::vector<shell::ComparisonRow> rows =
        shell::CompareArchives(parsed.positionals[0], parsed.positionals[1]);
    bool allMatch = std::all_of(rows.begin(), rows.end(),
                                [](const shell::ComparisonRow& r) { return r.Archive1.empty() && r.Archive2.empty(); });

    if (parsed.Has("json")) {
        std::printf("{\"match\": %s, \"rows\": [", allMatch ? "true" : "false");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::printf("%s\n  {\"archive1\": %s, \"archive2\": %s, \"result\": %s}", i ? "," : "",
                        JsonString(rows[i].Archive1).c_str(), JsonString(rows[i].Archive2).c_str(),
                        JsonString(rows[i].Result).c_str());
        }
        std::printf("\n]}\n");
    } else {
        // Values are at most 11 characters ("-2147483648"), "Archive 1" is 9.
        std::printf("%-11s  %-11s  %s\n", "Archive 1", "Archive 2", "Result");
        for (const auto& r : rows)
            std::printf("%-11s  %-11s  %s\n", r.Archive1.c_str(), r.Archive2.c_str(), r.Result.c_str());
    }
    return allMatch ? kExitOk : kExitFailed;
}

const Command kCompare = {
    "compare",
    "compare [--json] ARCHIVE1 ARCHIVE2",
    "Compare the offset tables and entry headers of two archives",
    "Lists, item by item, whether the offset-table slots and the entry headers\n"
    "(decompressed size, stored size, compression type) of the two archives agree.\n"
    "Items that only the second archive has are not compared; entry data is not\n"
    "compared.\n\n"
    "Options:\n"
    "  --json   print the rows as JSON\n\n"
    "Exit status: 0 when every row is a match, 1 otherwise (or when an archive\n"
    "cannot be read), 2 on wrong usage.\n",
    RunCompare,
};

const CommandRegistration kRegistration(kCompare);

}  // namespace
}  // namespace cli
