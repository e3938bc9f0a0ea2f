// The main window over its document: edits made in other windows are never
// lost (hex editors at Exit, script runs), stale editors cannot write back,
// and undo and redo at the keyboard.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/frm_script.h"
#include "app/hex_window.h"
#include "app/item_views.h"
#include "app/windows.h"
#include "archive/item_operations.h"
#include "archive/load.h"
#include "archive/save.h"
#include "hexedit/texts.h"
#include "app/app_fixtures.h"

namespace {

using shell::Answer;
using testing_support::Bytes;
using testing_support::ReadBytes;

class DocumentWindowTest : public testing_support::MainWindowFixture {
protected:
    app::HexWindow* HexEdit(std::int32_t item, const char* digits) {
        OnItem(item, "mnuHexEdit");
        auto windows = window->findChildren<app::HexWindow*>();
        if (windows.isEmpty()) return nullptr;
        auto* box = windows.back()->findChild<QLineEdit*>("txbEdit");
        QTest::keyClicks(box, digits);
        QTest::keyClick(box, Qt::Key_Right);
        return windows.back();
    }
    // Item `item` of the archive file at path, decompressed.
    static Bytes Item(const std::string& path, std::int32_t item) {
        archive::ItemTable table;
        archive::LoadArchive(table, path);
        return testing_support::ItemBytes(table, item);
    }
    void ShowActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

struct ExitCase {
    const char* name;
    Answer editor;
    std::optional<Answer> save;  // the save question, when it comes
    bool saveFails;
    bool exits;
    bool byteSaved;
};

class ExitWithAHexEditor : public DocumentWindowTest, public ::testing::WithParamInterface<ExitCase> {};

// File > Exit with a changed hex editor open: the editor asks first, then the
// archive; a Cancel or a failed save keeps both windows; Yes, Yes puts the
// byte into the file.
TEST_P(ExitWithAHexEditor, AsksTheEditorFirstAndNeverLeavesItAlone) {
    const ExitCase& c = GetParam();
    std::filesystem::create_directory(dir.file("sub"));
    const std::string path = Copy("SAMPLE.HQR", "sub/SAMPLE.HQR");
    const Bytes original = ReadBytes(path);
    Open(path);
    ShowActive();
    QPointer<app::HexWindow> hex = HexEdit(1, "41");
    ASSERT_TRUE(hex);
    EXPECT_FALSE(window->IsModified());
    if (c.saveFails) std::filesystem::remove_all(dir.file("sub"));
    dialogs.Answers.push_back(c.editor);
    if (c.save) dialogs.Answers.push_back(*c.save);

    Trigger("mnuExit");

    EXPECT_TRUE(dialogs.Answers.empty()) << "a question was not asked";
    ASSERT_GE(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0], hexedit::kWriteBackQuestion);
    EXPECT_EQ(window->isVisible(), !c.exits);
    EXPECT_EQ(hex && hex->isVisible(), !c.exits) << "a window left without the main window";
    if (!c.saveFails) {
        EXPECT_EQ(Item(path, 1)[0] == 0x41, c.byteSaved);
        if (!c.byteSaved) {
            EXPECT_EQ(ReadBytes(path), original);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExitWithAHexEditor,
    ::testing::Values(ExitCase{"EditorYesSaveYes", Answer::Yes, Answer::Yes, false, true, true},
                      ExitCase{"EditorYesSaveNo", Answer::Yes, Answer::No, false, true, false},
                      ExitCase{"EditorYesSaveCancel", Answer::Yes, Answer::Cancel, false, false, false},
                      ExitCase{"EditorYesSaveFails", Answer::Yes, Answer::Yes, true, false, false},
                      ExitCase{"EditorNo", Answer::No, std::nullopt, false, true, false},
                      ExitCase{"EditorCancel", Answer::Cancel, std::nullopt, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A run from the script editor that changes the open archive marks it
// modified, and the list shows the change while the editor is still open.
TEST_F(DocumentWindowTest, AScriptRunMarksTheArchiveAndRefreshesTheListAtOnce) {
    const std::string script = dir.write("del.ovs", "DEL 0\r\n");
    std::size_t rowsWhileOpen = 0;
    scriptEditor = [&](app::AppServices& services) {
        app::frmScript editor(services);
        dialogs.Files.push_back(script);
        editor.findChild<QPushButton*>("cmdScriptFile")->click();
        editor.findChild<QPushButton*>("cmdRunScript")->click();
        rowsWhileOpen = Rows().size();
    };
    Restart();
    Open(Copy("SAMPLE.HQR"));
    const std::size_t rows = Rows().size();
    Trigger("mnuRunScript");
    EXPECT_EQ(rowsWhileOpen, rows - 1);
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->findChild<QAction*>("mnuUndo")->text(), "&Undo Run script");
    dialogs.Answers.push_back(Answer::Cancel);
    EXPECT_FALSE(window->close()) << "Exit must ask about the script's changes";
}

struct StaleCase {
    const char* name;
    std::function<void(app::frmMain&, const std::string& file)> change;
};

class StaleHexEditor : public DocumentWindowTest, public ::testing::WithParamInterface<StaleCase> {};

// An editor whose item was replaced, retyped, removed or moved under it says
// so and offers only Save to file; after undoing the change it may write
// back again.
TEST_P(StaleHexEditor, CannotWriteOverTheChange) {
    Open(Copy("SAMPLE.HQR"));
    app::HexWindow* hex = HexEdit(1, "41");
    ASSERT_TRUE(hex);
    GetParam().change(*window, dir.write("new.bin", "replacement"));
    EXPECT_NE(hex->windowTitle().toStdString().find(hexedit::kStaleItemNote), std::string::npos);
    Trigger("mnuUndo");
    EXPECT_EQ(hex->windowTitle(), hexedit::kEditorCaption);
    Trigger("mnuRedo");
    const std::vector<std::vector<std::string>> rows = Rows();
    dialogs.Answers.push_back(Answer::No);
    EXPECT_TRUE(hex->close());
    EXPECT_EQ(dialogs.Messages.back(), hexedit::kLoadQuestion);
    EXPECT_EQ(Rows(), rows);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StaleHexEditor,
    ::testing::Values(
        StaleCase{"Replaced", [](auto& w, auto& f) { w.RunItemOperation(1, archive::kOpReplaceItem, 0, f, 0); }},
        StaleCase{"Retyped", [](auto& w, auto&) { w.RunItemOperation(1, archive::kOpChangeCompression, 2, "", 0); }},
        StaleCase{"Blanked", [](auto& w, auto&) { w.RunItemOperation(1, archive::kOpChangeItemType, 0, "", 0); }},
        StaleCase{"Moved", [](auto& w, auto&) { w.RunItemOperation(0, archive::kOpRemoveItem, 0, "", 0); }},
        StaleCase{"Removed", [](auto& w, auto&) { w.RunItemOperation(1, archive::kOpRemoveItem, 0, "", 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

// At the keyboard: Delete on item 5, Ctrl+Z, Ctrl+S leaves the file as it
// was; Delete, Ctrl+Z, then Ctrl+Y or Ctrl+Shift+Z, Ctrl+S removes item 5.
TEST_F(DocumentWindowTest, DeleteUndoRedoSaveAtTheKeyboard) {
    const std::string path = Copy("SAMPLE.HQR");
    const Bytes original = ReadBytes(path);
    archive::ItemTable removed;
    archive::LoadArchive(removed, path);
    archive::RemoveItem(removed, 5);
    Open(path);
    ShowActive();
    QWidget* list = &window->DetailsView();
    window->SelectRow(6);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(window->findChild<QAction*>("mnuUndo")->text(), "&Undo Remove item 5");
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->findChild<QAction*>("mnuRedo")->text(), "&Redo Remove item 5");
    EXPECT_FALSE(window->IsModified());
    EXPECT_FALSE(window->findChild<QAction*>("mnuUndo")->isEnabled());
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(path), original);

    for (const QKeyCombination redo : {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
        testing_support::WriteBytes(path, original);
        window->SelectRow(6);
        QTest::keyClick(list, Qt::Key_Delete);
        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(list, redo.key(), redo.keyboardModifiers());
        EXPECT_TRUE(window->IsModified());
        QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(ReadBytes(path), archive::SerializeArchive(removed));
        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}

}  // namespace
