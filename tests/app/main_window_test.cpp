// The main window's flows that can lose data or mislead: the save question
// on every branch, failed opens and saves, what the list shows, the check
// marks, the recorded script, the recent list and the settings files.
#include <QTest>

#include <map>

#include "app/hex_window.h"
#include "app/item_views.h"
#include "archive/program_directory.h"
#include "script/run_script.h"
#include "app/app_fixtures.h"

namespace {

using shell::Answer;
using testing_support::FileText;
using testing_support::ReadBytes;

class MainWindowTest : public testing_support::MainWindowFixture {
protected:
    MainWindowTest() {
        scriptEditor = [this](app::AppServices& services) {
            script::RunEnvironment environment(services.Table(), services.ScriptLink(), [](const std::string&) {});
            script::RunScriptText(scriptText, environment);
        };
    }
    std::string scriptText;
};

// ------------------------------------------- leaving or saving an archive

enum class Changed { No, Titled, Untitled };  // SAMPLE.HQR as opened, minus item 0, a new archive with one item

struct LeaveCase {
    const char* name;
    Changed changed;
    std::vector<Answer> answers;       // the save question, then the script question
    std::optional<std::string> file;   // the script's or Save As dialog's answer ("" = cancelled)
    bool saveFails;                    // the archive's folder is gone, or Save As names a missing folder
    bool goesOn, saved;
};

const LeaveCase kLeaveCases[] = {
    {"Unchanged", Changed::No, {}, {}, false, true, false},
    {"No", Changed::Titled, {Answer::No}, {}, false, true, false},
    {"Cancel", Changed::Titled, {Answer::Cancel}, {}, false, false, false},
    {"YesScriptNo", Changed::Titled, {Answer::Yes, Answer::No}, {}, false, true, true},
    {"YesScriptYes", Changed::Titled, {Answer::Yes, Answer::Yes}, "ops.ovs", false, true, true},
    {"YesScriptDialogCancelled", Changed::Titled, {Answer::Yes, Answer::Yes}, "", false, false, false},
    {"YesScriptCancel", Changed::Titled, {Answer::Yes, Answer::Cancel}, {}, false, false, false},
    {"YesSaveFails", Changed::Titled, {Answer::Yes, Answer::No}, {}, true, false, false},
    {"UntitledNo", Changed::Untitled, {Answer::No}, {}, false, true, false},
    {"UntitledCancel", Changed::Untitled, {Answer::Cancel}, {}, false, false, false},
    {"UntitledSaveAs", Changed::Untitled, {Answer::Yes}, "new.hqr", false, true, true},
    {"UntitledSaveAsCancelled", Changed::Untitled, {Answer::Yes}, "", false, false, false},
    {"UntitledSaveAsFails", Changed::Untitled, {Answer::Yes}, "gone/new.hqr", true, false, false},
};

class MainWindowFiles : public MainWindowTest {
protected:
    // sub/SAMPLE.HQR open (HARBOUR.HQS opened before it, second in the recent
    // list), then changed as `changed` says.
    void Prepare(Changed changed) {
        std::filesystem::create_directory(dir.file("sub"));
        Open(other = Copy("HARBOUR.HQS"));
        Open(archive = Copy("SAMPLE.HQR", "sub/SAMPLE.HQR"));
        before = ReadBytes(archive);
        if (changed == Changed::Untitled) {
            Trigger("mnuNew");
            window->RunItemOperation(0, archive::kOpAddItem, 0, dir.write("item.bin", "item"), 0);
        } else if (changed == Changed::Titled) {
            OnItem(0, "mnuRemove");
        }
        caption = window->Caption();
        rows = Rows();
    }
    void AnswerFile(const std::optional<std::string>& file) {
        if (file) dialogs.Files.push_back(file->empty() ? std::nullopt : std::optional(dir.file(*file)));
    }
    // Whether the window still holds unsaved changes: Close then asks (and
    // is cancelled).
    bool StillChanged() {
        dialogs.Answers = {Answer::Cancel};
        Trigger("mnuClose");
        return dialogs.Answers.empty();
    }
    std::string archive, other, caption;
    testing_support::Bytes before;
    std::vector<std::vector<std::string>> rows;
};

class LeaveTest : public MainWindowFiles,
                  public ::testing::WithParamInterface<std::tuple<const char*, LeaveCase>> {};

// Every command that leaves the archive, with every answer: it goes on only
// when nothing is lost, the files on disk are what the answers said, and the
// editors and the undo history go with the archive.
TEST_P(LeaveTest, GoesOnOnlyWhenNothingIsLost) {
    const auto& [action, c] = GetParam();
    Prepare(c.changed);
    OnItem(0, "mnuHexView");  // an unchanged editor: asks nothing, closes with the archive
    const QPointer<app::HexWindow> hex = window->findChild<app::HexWindow*>();
    ASSERT_TRUE(hex);
    if (c.saveFails && c.changed == Changed::Titled) std::filesystem::remove_all(dir.file("sub"));
    dialogs.Answers.assign(c.answers.begin(), c.answers.end());
    AnswerFile(c.file);
    if (action == std::string("mnuOpen")) dialogs.Files.push_back(other);

    Trigger(action);

    EXPECT_TRUE(dialogs.Answers.empty()) << "questions not asked";
    EXPECT_EQ(dialogs.Messages.size(), c.answers.size() + (c.saveFails ? 1 : 0));
    EXPECT_EQ(std::filesystem::exists(archive) && ReadBytes(archive) != before, c.saved && c.changed == Changed::Titled);
    EXPECT_EQ(std::filesystem::exists(dir.file("new.hqr")), c.saved && c.changed == Changed::Untitled);
    EXPECT_EQ(std::filesystem::exists(dir.file("ops.ovs")), c.saved && c.file == "ops.ovs");
    if (c.file == "ops.ovs" && c.saved) {
        EXPECT_EQ(FileText(dir.file("ops.ovs")), "OPN \"" + archive + "\"\r\nDEL 0\r\nSVA \"" + archive + "\"\r\n");
    }
    const bool exit = action == std::string("mnuExit");
    EXPECT_EQ(std::filesystem::exists(dir.file("ORVANE.INI")), exit && c.goesOn) << "settings written on exit only";
    EXPECT_EQ(hex && hex->isVisible(), !c.goesOn);
    if (!c.goesOn) {
        EXPECT_EQ(window->Caption(), caption);
        EXPECT_EQ(Rows(), rows);
        EXPECT_TRUE(StillChanged());
    } else if (!exit) {
        const std::map<std::string, std::string> shown = {
            {"mnuNew", "Tarvo Resource Manager - [Untitled]"}, {"mnuOpen", "Tarvo Resource Manager - [" + other + "]"},
            {"mnuRecentFile1", "Tarvo Resource Manager - [" + other + "]"}, {"mnuClose", "Tarvo Resource Manager"}};
        EXPECT_EQ(window->Caption(), shown.at(action));
        EXPECT_FALSE(window->findChild<QAction*>("mnuUndo")->isEnabled()) << "history survives the archive";
        EXPECT_FALSE(StillChanged());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LeaveTest,
    ::testing::Combine(::testing::Values("mnuNew", "mnuOpen", "mnuRecentFile1", "mnuClose", "mnuExit"),
                       ::testing::ValuesIn(kLeaveCases)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param)).substr(3) + "_" + std::get<1>(info.param).name;
    });

// Save and Save As on a titled or new archive: what is written where, the
// name shown, and whether the changes still count as unsaved.
TEST_F(MainWindowFiles, SaveAndSaveAsWriteWhereTheyShould) {
    struct Case {
        const char* action;
        Changed changed;
        std::optional<std::string> file;  // the Save As dialog's answer ("" = cancelled)
        bool fails;                       // the archive's folder is gone
        std::string written;              // "" = nothing
    };
    const Case cases[] = {
        {"mnuSave", Changed::Titled, {}, false, "sub/SAMPLE.HQR"},  {"mnuSave", Changed::Titled, {}, true, ""},
        {"mnuSave", Changed::Untitled, "new.hqr", false, "new.hqr"}, {"mnuSave", Changed::Untitled, "", false, ""},
        {"mnuSaveAs", Changed::Titled, "new.hqr", false, "new.hqr"}, {"mnuSaveAs", Changed::Titled, "", false, ""},
        {"mnuSaveAs", Changed::Titled, "gone/new.hqr", false, ""},   {"mnuSaveAs", Changed::Untitled, "new.hqr", false, "new.hqr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.file.value_or("-") + (c.fails ? " fails" : ""));
        window.reset();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(entry);
        dialogs.Messages.clear();
        Restart();
        Prepare(c.changed);
        if (c.fails) std::filesystem::remove_all(dir.file("sub"));
        AnswerFile(c.file);
        Trigger(c.action);
        EXPECT_TRUE(dialogs.Files.empty());
        EXPECT_EQ(dialogs.Messages.size(), c.written.empty() && c.file != "" ? 1u : 0u);
        EXPECT_EQ(std::filesystem::exists(archive) && ReadBytes(archive) != before, c.written == "sub/SAMPLE.HQR");
        EXPECT_EQ(std::filesystem::exists(dir.file("new.hqr")), c.written == "new.hqr");
        EXPECT_EQ(window->Caption(), c.written.empty() ? caption : "Tarvo Resource Manager - [" + dir.file(c.written) + "]");
        EXPECT_EQ(window->CurrentSettings().RecentFiles[0], c.written == "new.hqr" ? dir.file(c.written) : archive);
        EXPECT_EQ(Rows().size(), rows.size());
        EXPECT_EQ(StillChanged(), c.written.empty());
    }
}

// ------------------------------------------------------------------- opens

// A file that fails to open leaves the previous archive, its name and its
// rows, with one message; a later Save writes the previous file, not it.
TEST_F(MainWindowTest, FailedOpenKeepsThePreviousArchive) {
    const std::string sample = Copy("SAMPLE.HQR");
    const auto good = ReadBytes(sample);
    std::string absurd(good.begin(), good.end());
    absurd[2] = '\x7f';  // slot 0 far beyond the file
    const std::vector<std::pair<std::string, std::string>> hostile = {
        {"truncated.hqr", std::string(good.begin(), good.begin() + 30)},
        {"absurd.hqr", absurd},
        {"empty.hqr", ""},
    };
    Open(sample);
    const auto rows = Rows();
    for (const auto& [name, bytes] : hostile) {
        SCOPED_TRACE(name);
        const std::string path = dir.write(name, bytes);
        dialogs.Messages.clear();
        Open(path);
        EXPECT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_EQ(window->FileName(), sample);
        EXPECT_EQ(window->State(), shell::DisplayState::ArchiveOpen);
        EXPECT_EQ(Rows(), rows);
        Trigger("mnuSave");
        EXPECT_EQ(FileText(path), bytes);
    }
    EXPECT_EQ(window->CurrentSettings().RecentFiles[1], "");
}

// A file that went away leaves the recent list when its entry is chosen.
// Save, Save As, Close and Refresh need an archive, and the status bar
// names it; the entries are numbered from 1, newest first, and show an "&".
TEST_F(MainWindowTest, RecentListAfterOpenSaveAsAndAMissingFile) {
    const auto fileCommands = [&] {
        std::string on;
        for (const char* name : {"mnuSave", "mnuSaveAs", "mnuClose", "mnuRefresh"}) on += window->findChild<QAction*>(name)->isEnabled() ? '1' : '0';
        return on;
    };
    EXPECT_EQ(fileCommands(), "0000");
    EXPECT_EQ(window->StatusText(), "There is no file currently open.");
    const std::string first = Copy("SAMPLE.HQR"), copy = dir.file("CO&PY.HQR");
    Open(first);
    EXPECT_EQ(fileCommands(), "1111");
    EXPECT_EQ(window->StatusText(), "Current open file: " + first);
    dialogs.Files.push_back(copy);
    Trigger("mnuSaveAs");
    EXPECT_TRUE(dialogs.Requests.back().FolderMustExist);  // the dialog refuses a missing folder
    auto& recent = window->CurrentSettings().RecentFiles;
    const auto entry = [&](const char* name) { return window->findChild<QAction*>(name)->text().toStdString(); };
    EXPECT_EQ(entry("mnuRecentFile0") + "|" + entry("mnuRecentFile1"), "&1 " + dir.file("CO&&PY.HQR") + "|&2 " + first);

    std::filesystem::remove(copy);
    Trigger("mnuRecentFile0");
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0], "Specified file not found: '" + copy + "'");
    EXPECT_EQ(recent[0], first);
    EXPECT_EQ(recent[1], "");
    EXPECT_FALSE(window->findChild<QAction*>("mnuRecentFile1")->isVisible());
}

// A number beyond 32 bits is no item and no item's size: nothing is
// selected, and no error shows.
TEST_F(MainWindowTest, FindWithANumberBeyond32BitsSelectsNothing) {
    Open(Copy("SAMPLE.HQR"));
    for (const char* action : {"mnuFindByIndex", "mnuFindByDecSize"}) {
        window->SelectRow(2);
        dialogs.Inputs.push_back("99999999999");
        Trigger(action);
        EXPECT_EQ(window->SelectedItem(), -1) << action;
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}

// --------------------------------------------------------------- marks

// Clicking two check boxes marks those items, and "Remove multiple items"
// removes exactly them; Ctrl+A in the list reaches "Select All".
TEST_F(MainWindowTest, CheckedRowsAreTheOnesRemoved) {
    Open(Copy("SAMPLE.HQR"));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto rows = Rows();
    app::ItemTableView& view = window->DetailsView();
    for (int item : {1, 5}) {
        const QRect cell = view.visualRect(window->Model().index(item, 0));
        const int box = view.style()->pixelMetric(QStyle::PM_IndicatorWidth);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 3 + box / 2, cell.center().y()));
    }
    for (std::int32_t i = 0; i < Table().ItemCount; ++i) EXPECT_EQ(Table()[i].Marked, i == 1 || i == 5) << i;

    Trigger("mnuRemoveMultipleItems");
    rows.erase(rows.begin() + 5);
    rows.erase(rows.begin() + 1);
    auto shown = Rows();
    ASSERT_EQ(shown.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)  // labels and pointer targets renumber
        EXPECT_EQ(shown[r][shell::kColumnDescription], rows[r][shell::kColumnDescription]) << r;

    view.setFocus();
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    for (std::int32_t i = 0; i < Table().ItemCount; ++i) {
        EXPECT_TRUE(Table()[i].Marked) << i;
        EXPECT_EQ(window->Model().index(i, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked) << i;
    }
}

// ------------------------------------------------------------ recording

TEST_F(MainWindowTest, EveryCommandRecordsItsLine) {
    const std::string sample = Copy("SAMPLE.HQR");
    Open(sample);
    const std::string out = dir.file("out.bin");
    const std::string viewed = archive::ProgramDirectory() + "DUMMY.TXT";
    window->CurrentViewers().push_back({"TXT", dir.file("no-such-viewer")});
    struct Step {
        std::int32_t item;
        const char* action;
        std::optional<std::string> file;
        std::string line;  // "" = nothing recorded
    };
    const std::vector<Step> steps = {
        {1, "mnuExtract", out, "EXT 1 \"" + out + "\"\r\n"},
        {2, "mnuExtractAsIs", out, "EXA 2 \"" + out + "\"\r\n"},
        {2, "mnuItemView", std::nullopt, "EXT 2 \"" + viewed + "\"\r\n"},
        {1, "mnuDecompress", std::nullopt, "CMT 1 0\r\n"},
        {0, "mnuCompressLZSS", std::nullopt, "CMT 0 1\r\n"},
        {5, "mnuCompressLZMIT", std::nullopt, "CMT 5 2\r\n"},
        {4, "mnuRemove", std::nullopt, "DEL 4\r\n"},
        {0, "mnuExtractMultipleItems", dir.path().string() + "/", ""},
        {0, "mnuRemoveMultipleItems", std::nullopt, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        if (step.file) dialogs.Files.push_back(step.file);
        const std::string before = Table().RecordedScript;
        OnItem(step.item, step.action);
        EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.Messages.front();
        EXPECT_EQ(Table().RecordedScript, before + step.line);
    }
    EXPECT_FALSE(std::filesystem::exists(viewed)) << "the file goes to the private folder";
    EXPECT_EQ(ViewFiles(), std::vector<std::string>{"SAMPLE-item2.txt"});
    dialogs.Answers.push_back(Answer::No);  // the archive is modified
    window->close();
    EXPECT_TRUE(ViewFiles().empty());
}

// ----------------------------------------------------------- unload files

// What was saved reads back as the same list, new offsets included; closing
// writes the settings files.
TEST_F(MainWindowTest, SaveReopenAndUnloadWriteWhatTheyShould) {
    const std::string sample = Copy("SAMPLE.HQR");
    Open(sample);
    window->CurrentViewers().push_back({"LUN", "/opt/v"});
    OnItem(0, "mnuCompressLZMIT");
    OnItem(5, "mnuCompressLZSS");
    Trigger("mnuSave");
    const auto saved = Rows();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(FileText(dir.file("ORVANE.INI")),
              "[General]\r\nItemsIndexTarvoDeCOMP=0\r\nGridLines=1\r\nColumnsReordering=0\r\nRowsSelection=1\r\n"
              "EnableCOptions=0\r\n\r\n[Compression]\r\nCType1Algorithm=3\r\nCType2Algorithm=2\r\nDecAlgorithm=0\r\n"
              "\r\n[RecentFiles]\r\n" +
                  sample + "\r\n");
    EXPECT_EQ(FileText(dir.file("ORVANE.VDB")), std::string("\x01\0\0\0LUN\x06\0/opt/v", 15));
    Restart();
    Open(sample);
    EXPECT_EQ(Rows(), saved);
}

// The list is refilled after a script run that ended at a fatal line.
TEST_F(MainWindowTest, ScriptEndingAtAFatalLineRefillsTheList) {
    Open(Copy("SAMPLE.HQR"));
    scriptText = "DEL 0\r\nNEW\r\n";  // NEW while the window has an archive: fatal after a change
    Trigger("mnuRunScript");
    EXPECT_EQ(window->Model().rowCount(), Table().ItemCount);
    EXPECT_EQ(Rows()[0][shell::kColumnDescription], "Tile map");
}

}  // namespace
