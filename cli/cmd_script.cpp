// orvane-cli run: replays a script file, printing its log.
#include <cstdio>
#include <string>

#include "archive/load.h"
#include "cli/command.h"
#include "script/run_script.h"
#include "shell/settings.h"

namespace cli {
namespace {

// Stands in for the main window: with --archive it "has open" that archive,
// which a SAV line saves under its name and an SVA line renames.
class CliWindow : public script::MainWindowLink {
public:
    CliWindow(bool open, std::string fileName) : open_(open), fileName_(std::move(fileName)) {}

    bool IsArchiveOpen() const override { return open_; }
    std::string CurrentFileName() const override { return fileName_; }
    void TakeFileName(const std::string& name) override { fileName_ = name; }
    void RefreshItemList() override {}
    void ApplyListSettings() override {}

private:
    bool open_;
    std::string fileName_;
};

extern const Command kRun;

int RunRun(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {}, {"archive"});
    if (!parsed.error.empty()) return UsageError(kRun, parsed.error);
    if (parsed.positionals.size() != 1) return UsageError(kRun, "expected one script file");
    const std::string& scriptPath = parsed.positionals[0];
    bool withArchive = parsed.Has("archive");
    std::string archivePath = parsed.Value("archive");
    if (withArchive && archivePath.empty()) return UsageError(kRun, "option '--archive' needs a value");

    archive::ItemTable table;
    if (withArchive) archive::LoadArchive(table, archivePath);
    CliWindow window(withArchive, archivePath);
    script::RunEnvironment environment(table, window, [](const std::string& message) {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputc('\n', stdout);
    });
    environment.Methods = shell::MethodSettingsOf(shell::LoadSettings());

    script::RunSummary summary = script::RunScript(scriptPath, environment);
    std::fflush(stdout);
    if (withArchive && !summary.Fatal && !summary.SavedSinceChange)
        std::fprintf(stderr, "orvane-cli: note: '%s' was not saved after the script's last item command\n",
                     window.CurrentFileName().c_str());
    return summary.Errors > 0 || summary.Fatal ? kExitFailed : kExitOk;
}

const Command kRun = {
    "run",
    "run SCRIPT [--archive ARCHIVE]",
    "Run a script of archive operations (.ovs)",
    "Runs the script line by line and prints each message of its log on a line\n"
    "of its own, as the script editor's log shows it.\n\n"
    "Without --archive the script starts with no archive open and must open\n"
    "(OPN) or create (NEW) its own. With --archive that archive is loaded first\n"
    "and stands for the archive open in the main window: item lines work on it,\n"
    "SAV saves it under its name, SVA saves it under a new one. Nothing is saved\n"
    "unless the script says so.\n\n"
    "The compression methods are those of the program's ORVANE.INI.\n\n"
    "Options:\n"
    "  --archive ARCHIVE   the archive the script works on\n\n"
    "Exit status: 0 when the log holds no error, 1 when it holds an error, an\n"
    "external error, an unknown identifier or a fatal error (or the archive\n"
    "cannot be loaded), 2 on wrong usage.\n",
    RunRun,
};

const CommandRegistration kRegistration(kRun);

}  // namespace
}  // namespace cli
