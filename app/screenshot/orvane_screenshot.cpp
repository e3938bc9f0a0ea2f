// orvane-screenshot OUT.png [ARCHIVE] [large|small|list|details]: draws the
// main window on ARCHIVE in one view mode and saves it as a picture, without
// the start-up notice. scripts/run uses it where there is no display.
//
// orvane-screenshot --windows DIR ARCHIVE: saves the other windows over
// ARCHIVE into DIR for a person to look at: every options page, the script
// editor after a run with errors, the comparison of ARCHIVE with itself, the
// viewer on items 0 and 1 in view and edit mode with a search hit marked,
// the viewer's printed page (printed.pdf), the question that offers to put
// back an item changed in another program, and a message naming a path with
// a non-ASCII letter.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <fstream>
#include <string>

#include "app/frm_compare.h"
#include "app/frm_options.h"
#include "app/frm_script.h"
#include "app/hex_window.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "hexedit/texts.h"
#include "shell/edit_in_place.h"

namespace {

// File dialogs answer from a list; every question is answered No, so that
// nothing waits for a person and nothing is written back.
class ListedAnswers : public shell::Dialogs {
public:
    std::deque<std::string> Files;
    shell::Answer Message(const std::string&, const std::string&, shell::MessageIcon,
                          shell::MessageButtons buttons) override {
        return buttons == shell::MessageButtons::Ok ? shell::Answer::Ok : shell::Answer::No;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> OpenFile(const shell::FileDialogRequest&) override { return Next(); }
    std::optional<std::string> SaveFile(const shell::FileDialogRequest&) override { return Next(); }
    std::optional<std::string> ChooseFolder(const std::string&) override { return Next(); }

private:
    std::optional<std::string> Next() {
        if (Files.empty()) return std::nullopt;
        std::string file = Files.front();
        Files.pop_front();
        return file;
    }
};

bool Save(QWidget& window, const std::string& path) {
    window.show();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(path.c_str()));
}

// The window with a title bar drawn above it, showing its caption: grabs
// carry no window frame, and Xvfb has no window manager to draw one.
bool SaveWithCaption(QWidget& window, const std::string& path) {
    window.show();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    const QPixmap body = window.grab();
    const int bar = window.fontMetrics().height() + 12;
    QPixmap framed(body.width(), body.height() + bar);
    framed.fill(QColor(0x2B, 0x4F, 0x81));
    QPainter painter(&framed);
    painter.setPen(Qt::white);
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(8, 0, body.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    painter.drawPixmap(0, bar, body);
    painter.end();
    return framed.save(QString::fromLocal8Bit(path.c_str()));
}

// The main window with its Edit menu open, after removing item 1: the menu
// names the step Undo takes back.
bool SaveEditMenu(app::frmMain& main, const std::string& path) {
    main.SelectRow(2);
    main.RemoveCommand();
    main.show();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    QMenu* edit = main.findChild<QMenu*>("mnuEdit");
    const QRect title = main.menuBar()->actionGeometry(edit->menuAction());
    const QPoint at = main.menuBar()->mapTo(&main, title.bottomLeft());
    edit->popup(main.mapToGlobal(at));
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    QPixmap picture = main.grab();
    QPainter painter(&picture);
    painter.drawPixmap(at, edit->grab());
    painter.end();
    edit->hide();
    return picture.save(QString::fromLocal8Bit(path.c_str()));
}

int Windows(const std::string& dir, const std::string& archive) {
    ListedAnswers answers;
    app::MainWindowOptions options;
    options.Dialogs = &answers;
    options.SettingsDirectory = dir;
    app::frmMain main(options);
    main.Startup(archive, false);
    if (!main.IsArchiveOpen() || main.Table().ItemCount < 2) {
        std::fprintf(stderr, "orvane-screenshot: %s is not an archive of two items or more\n", archive.c_str());
        return 1;
    }
    bool saved = true;
    main.CurrentSettings().EnableCOptions = true;
    {
        app::frmOptions window(main);
        for (int page = 0; page < 3; ++page) {
            window.findChild<QTabBar*>("TabStrip1")->setCurrentIndex(page);
            saved &= Save(window, dir + "/options_" + std::to_string(page) + ".png");
        }
    }
    {
        const std::string script = dir + "/errors.ovs";
        std::ofstream(script, std::ios::binary)
            << "# a run with errors\r\nDEL\r\nfoo 1\r\nADD 0 1 \"" << dir << "/missing.bin\"\r\nEXT 9999 \"" << dir
            << "/x.bin\"\r\n";
        app::frmScript window(main);
        answers.Files = {script};
        window.findChild<QPushButton*>("cmdScriptFile")->click();
        window.findChild<QPushButton*>("cmdRunScript")->click();
        saved &= Save(window, dir + "/script_editor.png");
    }
    {
        app::frmCompare window(main);
        answers.Files = {archive, archive};
        for (const char* button : {"cmdArchive1", "cmdArchive2", "cmdCompare"})
            window.findChild<QPushButton*>(button)->click();
        saved &= Save(window, dir + "/compare.png");
    }
    for (std::int32_t item : {0, 1}) {
        for (app::HexOpenMode mode : {app::HexOpenMode::View, app::HexOpenMode::Edit}) {
            const auto opened = main.findChildren<app::HexWindow*>().size();
            app::ShowHexWindow(main, item, mode);
            const auto windows = main.findChildren<app::HexWindow*>();
            if (windows.size() == opened) continue;  // a blank item: nothing to show
            app::HexWindow* window = windows.back();
            const hexedit::HexModel& model = window->Model();
            if (model.FileSize() >= 42) {  // the bytes at 41 and 42 as the hit
                const std::string hit = hexedit::HexByteText(model.ByteAt(41)) + hexedit::HexByteText(model.ByteAt(42));
                window->findChild<QLineEdit*>("txbSearch")->setText(QString::fromStdString(hit));
                window->findChild<QPushButton*>("cmdSearchOrFindNext")->click();
            }
            const bool edit = mode == app::HexOpenMode::Edit;
            saved &= Save(*window, dir + "/item" + std::to_string(item) + (edit ? "_edit.png" : "_view.png"));
            if (item == 1 && edit) {
                window->SetPrinterSetup([&](QPrinter& printer) {
                    printer.setOutputFormat(QPrinter::PdfFormat);
                    printer.setOutputFileName(QString::fromLocal8Bit((dir + "/printed.pdf").c_str()));
                    return true;
                });
                window->findChild<QPushButton*>("cmdPrintPage")->click();
            }
            window->close();
        }
    }
    {
        // An editor whose item changed under it: its caption says it can no
        // longer write back.
        app::ShowHexWindow(main, 1, app::HexOpenMode::Edit);
        app::HexWindow* window = main.findChildren<app::HexWindow*>().back();
        main.SelectRow(2);
        main.ChangeCompressionCommand(main.Table()[1].CompressionType == 2 ? 1 : 2);
        saved &= SaveWithCaption(*window, dir + "/hex_stale_editor.png");
        window->close();
    }
    saved &= SaveEditMenu(main, dir + "/edit_menu.png");
    // Two real message boxes: the question after an item was changed in
    // another program, and a message naming a path with a non-ASCII letter.
    {
        app::QtDialogs boxes(&main);
        const std::string missing = dir + "/caf\xC3\xA9.hqr";
        const std::pair<const char*, std::string> shots[] = {
            {"/put_back_question.png", shell::PutBackQuestion(1, "mapview")},
            {"/path_message.png", "Specified file not found: '" + missing + "'"},
        };
        for (const auto& [name, text] : shots) {
            QTimer::singleShot(200, &main, [&, file = dir + name] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    saved &= box->grab().save(QString::fromLocal8Bit(file.c_str()));
                    box->done(0);
                }
            });
            const bool question = name == shots[0].first;
            boxes.Message(text, main.Caption(), question ? shell::MessageIcon::Question : shell::MessageIcon::Critical,
                          question ? shell::MessageButtons::YesNo : shell::MessageButtons::Ok);
        }
    }
    if (!saved) std::fprintf(stderr, "orvane-screenshot: cannot write into %s\n", dir.c_str());
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--windows") return Windows(argv[2], argv[3]);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: orvane-screenshot OUT.png [ARCHIVE] [large|small|list|details]\n"
                     "       orvane-screenshot --windows DIR ARCHIVE\n");
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
