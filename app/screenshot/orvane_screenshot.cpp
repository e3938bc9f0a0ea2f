// orvane-screenshot OUT.png [ARCHIVE] [large|small|list|details]: draws the
// main window on ARCHIVE in one view mode and saves it as a picture, without
// the start-up notice. scripts/run uses it where there is no display.
#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <string>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvane-screenshot OUT.png [ARCHIVE] [large|small|list|details]\n");
        return 2;
    }
    app::frmMain window;
    window.Startup(argc > 2 ? argv[2] : "", false);
    const std::string mode = argc > 3 ? argv[3] : "details";
    if (mode == "large") window.SetViewMode(shell::ViewMode::LargeIcons);
    else if (mode == "small") window.SetViewMode(shell::ViewMode::SmallIcons);
    else if (mode == "list") window.SetViewMode(shell::ViewMode::List);
    window.SelectRow(2);
    window.show();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "orvane-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
