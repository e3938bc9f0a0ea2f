#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <regex>

#include "app/frm_script.h"
#include "script/run_script.h"
#include "app/app_fixtures.h"

namespace {

using shell::Answer;
using testing_support::FakeServices;
using testing_support::FileText;
using testing_support::TempDir;

class ScriptEditor : public testing::Test {
protected:
    FakeServices services;
    TempDir dir;
    app::frmScript window{services};

    QPlainTextEdit* Edit() { return window.findChild<QPlainTextEdit*>("txtEdit"); }
    QPlainTextEdit* Log() { return window.findChild<QPlainTextEdit*>("txtDebug"); }
    void Click(const char* name) { window.findChild<QPushButton*>(name)->click(); }
    void Type(const std::string& latin1) { Edit()->setPlainText(app::FromText(latin1)); }
};

// Whatever the editor holds inside, the file is Latin-1 with CR LF, and the
// file it replaces is kept beside it; a chosen script is what Save writes.
TEST_F(ScriptEditor, SavesLatin1WithCrLfAndKeepsTheOldFileBesideIt) {
    const std::string path = dir.file("a.ovs");
    Type("ADD 0 1 \"\xE9t\xE9.bin\"\nDEL 3");
    services.Dialogs.Files = {path};
    Click("cmdSave");
    EXPECT_EQ(FileText(path), "ADD 0 1 \"\xE9t\xE9.bin\"\r\nDEL 3");

    Type("NEW\n");
    Click("cmdSave");
    EXPECT_EQ(FileText(path), "NEW\r\n");
    std::vector<std::string> backups;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (std::regex_match(entry.path().filename().string(), std::regex(R"(a\.ovs\.[0-9]{8}\.BAK)")))
            backups.push_back(entry.path().string());
    }
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(FileText(backups[0]), "ADD 0 1 \"\xE9t\xE9.bin\"\r\nDEL 3");

    // Choosing a script shows its text, so a later Save writes that text back.
    const std::string chosen = dir.write("c.ovs", "DEL 1\r\nADB 2\rEXT 0 \"\xE9\"\r\n");
    Type("unrelated");
    services.Dialogs.Answers = {Answer::No};
    services.Dialogs.Files = {chosen};
    Click("cmdScriptFile");
    EXPECT_EQ(window.findChild<QLabel*>("lblScriptFile")->text().toStdString(), "Script file: " + chosen);
    Click("cmdSave");
    EXPECT_EQ(FileText(chosen), "DEL 1\r\nADB 2\r\nEXT 0 \"\xE9\"\r\n");
    window.show();
    Click("cmdOK");
    EXPECT_FALSE(window.isVisible());  // saved: no question
}

// Closing a modified, untitled window: every answer, and every way the save
// behind "Yes" can end. Only a completed save or "No" lets the window close.
TEST_F(ScriptEditor, ClosingAsksAndStaysOpenUnlessSavedOrDeclined) {
    struct Case {
        const char* Name;
        Answer Reply;
        std::optional<std::string> SaveTo;  // the Save As dialog's answer, with Yes
        bool Closes;
    };
    const std::string good = dir.file("kept.ovs");
    const Case cases[] = {
        {"cancel", Answer::Cancel, std::nullopt, false},
        {"yes, save dialog cancelled", Answer::Yes, std::nullopt, false},
        {"yes, write fails", Answer::Yes, dir.file("no/such/folder/x.ovs"), false},
        {"no", Answer::No, std::nullopt, true},
        {"yes, saved", Answer::Yes, good, true},
    };
    window.show();
    Type("DEL 1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        services.Dialogs.Messages.clear();
        services.Dialogs.Answers = {c.Reply};
        if (c.Reply == Answer::Yes) services.Dialogs.Files = {c.SaveTo};
        Click("cmdOK");
        ASSERT_FALSE(services.Dialogs.Messages.empty());
        EXPECT_EQ(services.Dialogs.Messages[0],
                  "The file \"Untitled\" has been modified.\r\nDo you want to save the changes?");
        EXPECT_EQ(window.isVisible(), !c.Closes);
        if (c.Closes) window.show();
    }
    EXPECT_EQ(FileText(good), "DEL 1");
}

// The log shows exactly what the runner says, appended run after run, and
// the list is refilled once per run.
TEST_F(ScriptEditor, RunAppendsTheRunnersLogLines) {
    const std::string script = dir.write("s.ovs", "DEL\r\nfoo\r\nADD 0 1 \"" + dir.file("none") + "\"\r\n");
    std::string expected;
    {
        FakeServices reference;
        script::RunEnvironment environment(reference.Table_, reference, [&](const std::string& message) {
            expected += message + "\n";
        });
        script::RunScript(script, environment);
    }
    ASSERT_NE(expected.find("Unknown identifier: FOO(Line #2)"), std::string::npos);

    services.Dialogs.Files = {script};
    Click("cmdScriptFile");
    EXPECT_FALSE(window.findChild<QPushButton*>("cmdScriptFile")->isEnabled());
    Click("cmdRunScript");
    Click("cmdRunScript");
    EXPECT_EQ(app::ToText(Log()->toPlainText()), expected + expected);
    EXPECT_EQ(services.Refreshes, 2);
}

// Run saves a modified text first; when that save is cancelled nothing runs.
TEST_F(ScriptEditor, RunOfAModifiedTextWhoseSaveIsCancelledRunsNothing) {
    Click("cmdRunScript");  // nothing chosen, nothing typed: no question
    Type("DEL 1");
    services.Dialogs.Answers = {Answer::Yes};
    services.Dialogs.Files = {std::nullopt};
    Click("cmdRunScript");
    EXPECT_TRUE(Log()->toPlainText().isEmpty());
    EXPECT_EQ(services.Refreshes, 0);
}

}  // namespace
