#include <sys/stat.h>

#include <QTest>

#include "app/hex_window.h"
#include "app/item_view_watcher.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "app/app_fixtures.h"

namespace {

using shell::Answer;
using testing_support::Bytes;

// SAMPLE.HQR open from the test folder, with a viewer for MAP items (item 1
// is one): a stand-in program that writes "Z" over the file's first byte
// and ends.
class EditInPlace : public testing_support::MainWindowFixture {
protected:
    void SetUp() override {
        Restart();
        sample = Copy("SAMPLE.HQR");
        Open(sample);
        window->ViewWatcher()->SetQuietMilliseconds(100);
        const std::string viewer =
            dir.write("mapview", "#!/bin/sh\nprintf Z | dd of=\"$1\" bs=1 count=1 conv=notrunc 2>/dev/null\n");
        ::chmod(viewer.c_str(), 0755);
        window->CurrentViewers().push_back({"MAP", viewer});
    }
    Bytes Item(const archive::ItemTable& table, std::int32_t item) {
        return testing_support::ItemBytes(table, item, window->Methods());
    }
    bool WaitForMessages(std::size_t count) {
        return QTest::qWaitFor([&] { return dialogs.Messages.size() >= count; }, 5000);
    }

    std::string sample;
};

// F3, the viewer changes the file, Yes, Ctrl+S: the saved archive holds the
// new byte, the item its compression type; closing removes the view's file.
TEST_F(EditInPlace, TheViewersChangeLandsInTheSavedArchive) {
    Bytes expected = Item(Table(), 1);
    expected[0] = 'Z';
    const std::int16_t type = Table()[1].CompressionType;
    dialogs.Answers.push_back(Answer::Yes);
    OnItem(1, "mnuItemView");
    EXPECT_EQ(ViewFiles(), std::vector<std::string>{"SAMPLE-item1.map"});
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(dialogs.Messages[0],
              "Item 1 has been changed in mapview. Do you want to save the changes into the archive?");
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->Document().UndoText(), "Undo Put back item 1");
    Trigger("mnuSave");
    archive::ItemTable saved;
    archive::LoadArchive(saved, sample);
    EXPECT_EQ(Item(saved, 1), expected);
    EXPECT_EQ(saved[1].CompressionType, type);
    EXPECT_EQ(dialogs.Messages.size(), 1u);
    window->close();
    EXPECT_TRUE(ViewFiles().empty());
}

// No leaves the archive alone and the view's file where it is (the refusal
// of an item changed since the view began is the document's, tested there).
TEST_F(EditInPlace, NoLeavesTheArchive) {
    dialogs.Answers.push_back(Answer::No);
    OnItem(1, "mnuItemView");
    const Bytes before = Table()[1].Data;
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(Table()[1].Data, before);
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(ViewFiles(), std::vector<std::string>{"SAMPLE-item1.map"});
}

// Without a viewer for the extension the desktop's default application
// gets the file; when it cannot, the hex viewer shows the item. The
// recorded extraction line is the one it always was.
TEST_F(EditInPlace, WithoutAViewerTheDesktopDefaultOpensTheFile) {
    window->CurrentViewers().clear();
    for (const bool opens : {true, false}) {
        desktopAnswer = opens;
        desktopOpened.clear();
        const std::string recorded = Table().RecordedScript;
        OnItem(1, "mnuItemView");
        ASSERT_EQ(desktopOpened.size(), 1u);
        EXPECT_EQ(std::filesystem::path(desktopOpened[0]).filename(), "SAMPLE-item1.map");
        EXPECT_EQ(Table().RecordedScript, recorded + "EXT 1 \"" + archive::ProgramDirectory() + "DUMMY.MAP\"\r\n");
        EXPECT_EQ(window->findChildren<app::HexWindow*>().size(), opens ? 0 : 1) << opens;
    }
}

}  // namespace
