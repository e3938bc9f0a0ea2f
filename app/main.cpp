// orvane: the desktop program. Its arguments name the archive to open, joined
// by single spaces as one command line; "--help" and "--version" alone print
// and end.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "shell/file_locations.h"
#include "shell/main_window_state.h"

namespace {

void PrintHelp(const shell::FileLocations& locations) {
    std::printf("Usage: orvane [ARCHIVE]\n\n"
                "Tarvo Resource Manager: lists, extracts, adds, replaces, recompresses and compares the items of\n"
                "HQR archives (.HQR, .VOX, .ILE, .OBL, .HQS) and runs scripts of archive operations (.ovs).\n\n"
                "  ARCHIVE     the archive to open at start-up\n"
                "  --help      show this text and end\n"
                "  --version   show the version and end\n\n"
                "Settings (ORVANE.INI, ORVANE.VDB): %s\n"
                "See also orvane-cli(1) for batch work.\n",
                locations.SettingsDirectory.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const shell::FileLocations locations = shell::ChooseFileLocations(shell::ProcessLocationFacts());
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintHelp(locations);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("orvane (Tarvo Resource Manager) %s\n", ORVANE_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(ORVANE_VERSION);
    QGuiApplication::setDesktopFileName("org.orvane.Orvane");
    application.setWindowIcon(QIcon::fromTheme("orvane"));
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const shell::TemporaryDirectoryScope temporaryFiles(locations);
    app::MainWindowOptions options;
    options.SettingsDirectory = locations.SettingsDirectory;
    app::frmMain window(std::move(options));
    window.Startup(shell::CommandLineArchive(arguments), true);
    window.show();
    return application.exec();
}
