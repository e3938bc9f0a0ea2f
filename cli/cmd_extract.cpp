// orvane-cli extract / extract-all / verify: items out of an archive, and a
// check that every item decodes.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "archive/compression_dispatch.h"
#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/load.h"
#include "cli/command.h"
#include "shell/settings.h"

namespace cli {
namespace {

// The settings of the program's ORVANE.INI, with --decoder applied.
bool MethodsFor(const ParsedArgs& parsed, archive::MethodSettings& methods, std::string& error) {
    methods = shell::MethodSettingsOf(shell::LoadSettings());
    if (!parsed.Has("decoder")) return true;
    archive::Method method;
    if (!archive::MethodFromName(parsed.Value("decoder"), method)) {
        error = "unknown decoder '" + parsed.Value("decoder") + "' (tarvo, okumura, hesk or dravik)";
        return false;
    }
    methods.DecAlgorithm = archive::DecoderValue(method);
    return true;
}

bool ParseItemNumber(const std::string& text, std::int32_t& item) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
    item = static_cast<std::int32_t>(value);
    return true;
}

extern const Command kExtract;
int RunExtract(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"raw"}, {"decoder"});
    if (!parsed.error.empty()) return UsageError(kExtract, parsed.error);
    if (parsed.positionals.size() != 3) return UsageError(kExtract, "expected ARCHIVE ITEM OUT");
    std::int32_t item = 0;
    if (!ParseItemNumber(parsed.positionals[1], item))
        return UsageError(kExtract, "ITEM must be an item number, not '" + parsed.positionals[1] + "'");
    archive::MethodSettings methods;
    std::string error;
    if (!MethodsFor(parsed, methods, error)) return UsageError(kExtract, error);

    archive::ItemTable table;
    archive::LoadArchive(table, parsed.positionals[0]);
    if (parsed.Has("raw"))
        archive::ExtractItemAsIs(table, item, parsed.positionals[2]);
    else
        archive::ExtractItem(table, item, parsed.positionals[2], methods);
    return kExitOk;
}

extern const Command kExtractAll;
int RunExtractAll(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"raw"}, {"decoder"});
    if (!parsed.error.empty()) return UsageError(kExtractAll, parsed.error);
    if (parsed.positionals.size() != 2) return UsageError(kExtractAll, "expected ARCHIVE DIR");
    archive::MethodSettings methods;
    std::string error;
    if (!MethodsFor(parsed, methods, error)) return UsageError(kExtractAll, error);

    archive::ItemTable table;
    archive::LoadArchive(table, parsed.positionals[0]);
    const std::string& folder = parsed.positionals[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder)) return Fail("cannot create the folder '" + folder + "'");

    const bool progress = ::isatty(STDERR_FILENO);
    const bool raw = parsed.Has("raw");
    int failed = 0;
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        if (progress) std::fprintf(stderr, "\rExtracting item %d of %d", i + 1, table.ItemCount);
        const std::string path = archive::BulkExtractionName(table, i, folder);
        try {
            if (raw)
                archive::ExtractItemAsIs(table, i, path);
            else
                archive::ExtractItem(table, i, path, methods);
        } catch (const archive::Error& e) {
            // One damaged item does not keep the others in the archive.
            if (progress) std::fprintf(stderr, "\n");
            std::fprintf(stderr, "orvane-cli: item %d: %s\n", i, e.Description.c_str());
            ++failed;
        }
    }
    if (progress) std::fprintf(stderr, "\n");
    if (failed) return Fail(std::to_string(failed) + " of " + std::to_string(table.ItemCount) + " items not extracted");
    return kExitOk;
}

extern const Command kVerify;
int RunVerify(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {}, {"decoder"});
    if (!parsed.error.empty()) return UsageError(kVerify, parsed.error);
    if (parsed.positionals.size() != 1) return UsageError(kVerify, "expected ARCHIVE");
    archive::MethodSettings methods;
    std::string error;
    if (!MethodsFor(parsed, methods, error)) return UsageError(kVerify, error);

    archive::ItemTable table;
    archive::LoadArchive(table, parsed.positionals[0]);
    int damaged = 0;
    archive::Bytes output;
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        const archive::ItemRecord& r = table[i];
        if (r.IsBlank) continue;
        try {
            archive::ExpandCompressedFile(r.Data, output, r.DecompressedSize, r.CompressionType, methods);
        } catch (const archive::Error& e) {
            std::printf("item %d: %s\n", i, e.Description.c_str());
            ++damaged;
        }
    }
    std::printf("%d items checked with the %s decoder, %d damaged\n", table.ItemCount,
                archive::MethodName(archive::Decoder(methods)), damaged);
    return damaged ? kExitFailed : kExitOk;
}

const char* const kDecoderHelp =
    "  --decoder NAME  decode with tarvo, okumura, hesk or dravik instead of the\n"
    "                  decoder chosen in the program's ORVANE.INI\n";

const std::string kExtractHelpText = std::string(
    "Writes item ITEM (numbered from 0) of ARCHIVE to the file OUT, decompressed.\n"
    "A hidden item of a voice archive gets its first letter back.\n\n"
    "Options:\n"
    "  --raw           write the stored bytes as they are, without decompressing\n") + kDecoderHelp;
const std::string kExtractAllHelpText = std::string(
    "Writes every item of ARCHIVE into the folder DIR (created when missing), named\n"
    "as the program's bulk extraction names them: the archive's key, the item\n"
    "number with four digits, a dot and the item's extension (RESS0012.pal).\n"
    "Damaged items are reported and skipped; the exit status is then 1.\n\n"
    "Options:\n"
    "  --raw           write the stored bytes as they are, without decompressing\n") + kDecoderHelp;
const std::string kVerifyHelpText = std::string(
    "Decodes every item of ARCHIVE and lists the items whose stored data is\n"
    "damaged. Exit status 1 when there is any.\n\n"
    "Options:\n") + kDecoderHelp;

const Command kExtract{"extract", "extract [--raw] [--decoder NAME] ARCHIVE ITEM OUT", "Write one item to a file",
                       kExtractHelpText.c_str(), RunExtract};
const Command kExtractAll{"extract-all", "extract-all [--raw] [--decoder NAME] ARCHIVE DIR",
                          "Write every item into a folder", kExtractAllHelpText.c_str(), RunExtractAll};
const Command kVerify{"verify", "verify [--decoder NAME] ARCHIVE", "Check that every item decodes",
                      kVerifyHelpText.c_str(), RunVerify};

const CommandRegistration registerExtract(kExtract);
const CommandRegistration registerExtractAll(kExtractAll);
const CommandRegistration registerVerify(kVerify);

}  // namespace
}  // namespace cli
