// Not a check: with ORVANE_SCREENSHOT_DIR set (run under xvfb-run), saves
// pictures of the windows for a person to look at. Skipped otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTabBar>

#include "app/frm_compare.h"
#include "app/frm_options.h"
#include "app/frm_script.h"
#include "app/qt_dialogs.h"
#include "archive/load.h"
#include "support/test_support.h"
#include "tests/app/scripted_dialogs.h"

namespace {

void Save(QWidget& window, const QString& name) {
    window.show();
    QApplication::processEvents();
    window.grab().save(qEnvironmentVariable("ORVANE_SCREENSHOT_DIR") + "/" + name + ".png");
}

TEST(Screenshots, Windows) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOT_DIR")) GTEST_SKIP();
    testing_support::FakeServices services;
    const std::string samples = std::string(ORVANE_SOURCE_DIR) + "/samples/";
    services.Settings_.EnableCOptions = true;
    services.Viewers_ = {{"LUN", "/usr/bin/lunviewer"}, {"TXT", "/usr/bin/less"}};
    {
        app::frmOptions options(services);
        auto* tabs = options.findChild<QTabBar*>("TabStrip1");
        for (int page = 0; page < 3; ++page) {
            tabs->setCurrentIndex(page);
            Save(options, QString("options_%1").arg(page));
        }
    }
    {
        testing_support::TempDir dir;
        archive::LoadArchive(services.Table_, samples + "SAMPLE.HQR");
        app::frmScript editor(services);
        const std::string script =
            "# fix the palette\r\nDEL\r\nCMT 2 1\r\nfoo 1\r\nADD 0 1 \"" + dir.file("missing.bin") +
            "\"\r\nEXT 9999 \"" + dir.file("x.bin") + "\"\r\nSVA \"" + dir.file("out.hqr") + "\"\r\n";
        services.Dialogs.Files = {dir.write("fix.ovs", script)};
        editor.findChild<QPushButton*>("cmdScriptFile")->click();
        editor.findChild<QPushButton*>("cmdRunScript")->click();
        Save(editor, "script_editor");
    }
    {
        app::frmCompare compare(services);
        services.Dialogs.Files = {samples + "SAMPLE.HQR", samples + "HARBOUR.HQS"};
        compare.findChild<QPushButton*>("cmdArchive1")->click();
        compare.findChild<QPushButton*>("cmdArchive2")->click();
        compare.findChild<QPushButton*>("cmdCompare")->click();
        Save(compare, "compare");
    }
}

}  // namespace
