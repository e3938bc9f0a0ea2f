// orvane: the desktop program. Its arguments name the archive to open, joined
// by single spaces as one command line.
#include <QApplication>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "shell/main_window_state.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    app::frmMain window;
    window.Startup(shell::CommandLineArchive(arguments), true);
    window.show();
    return application.exec();
}
