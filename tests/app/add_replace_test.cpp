// The add and replace dialogs driven as a user would: every way of adding or
// replacing must record exactly one script line and change the table as
// that line says; refused input must change nothing.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "app/add_replace_dialog.h"
#include "archive/load.h"
#include "archive/save.h"
#include "tests/app/scripted_dialogs.h"

namespace {

using shell::AddReplaceMode;
using shell::ItemSource;

enum class FileKind { None, Data, Empty, Missing };

// What a user enters; empty texts leave a number box as it opened.
struct Entry {
    ItemSource Source = ItemSource::File;
    FileKind File = FileKind::None;
    const char* Type = "optCType1";
    std::string ToItem = "";
    std::string Count = "";
};

// What the item at one position must look like afterwards.
struct ItemAfter {
    std::int32_t Item;
    bool Blank;
    std::int32_t RefersTo;
};

class AddReplaceDialogs : public testing::Test {
protected:
    void SetUp() override { UseSample("SAMPLE.HQR"); }

    void UseSample(const std::string& name) {
        archive::LoadArchive(services_.Table_, std::string(ORVANE_SOURCE_DIR) + "/samples/" + name);
        services_.Table_.RecordedScript.clear();
    }

    // Fills in the dialog and presses OK; true when the dialog closed.
    bool Confirm(QDialog& dialog, const Entry& entry) {
        const char* option = entry.Source == ItemSource::File      ? "optFile"
                             : entry.Source == ItemSource::Pointer ? "optPointer"
                                                                   : "optBlankItem";
        dialog.findChild<QRadioButton*>(option)->click();
        if (entry.File != FileKind::None) {
            services_.Dialogs.Files.push_back(entry.File == FileKind::Data    ? dataFile_
                                              : entry.File == FileKind::Empty ? emptyFile_
                                                                              : dir_.file("missing.bin"));
            dialog.findChild<QPushButton*>("cmdBrowse")->click();
        }
        if (entry.Source == ItemSource::File && dialog.findChild<QRadioButton*>(entry.Type)->isVisible())
            dialog.findChild<QRadioButton*>(entry.Type)->click();
        if (!entry.ToItem.empty())
            dialog.findChild<QLineEdit*>("txtToItem")->setText(QString::fromStdString(entry.ToItem));
        if (!entry.Count.empty())
            dialog.findChild<QLineEdit*>("txtCount")->setText(QString::fromStdString(entry.Count));
        dialog.findChild<QPushButton*>("cmdOK")->click();
        return dialog.result() == QDialog::Accepted;
    }

    bool AddReplace(AddReplaceMode mode, std::int32_t item, const Entry& entry) {
        app::AddReplaceDialog dialog(services_, mode, item);
        dialog.show();
        return Confirm(dialog, entry);
    }

    bool AddMultiple(std::int32_t item, const Entry& entry) {
        app::AddMultipleItemsDialog dialog(services_, item);
        dialog.show();
        return Confirm(dialog, entry);
    }

    const archive::ItemTable& Table() const { return services_.Table_; }

    testing_support::TempDir dir_;
    std::string dataFile_ = dir_.write("tiles.bin", std::string(600, 'T'));
    std::string emptyFile_ = dir_.write("empty.bin", "");
    testing_support::FakeServices services_;
};

struct Case {
    const char* Name;
    bool Multiple;
    AddReplaceMode Mode;
    std::int32_t Item;
    Entry Input;
    std::string Line;  // "{file}" stands for the data file's path
    std::int32_t Added;
    ItemAfter After;
    bool Refused = false;  // the dialog stays open with one message
};

// SAMPLE.HQR: 1 and 2 compressed, 3 points to 1, 4 and 8 blank, 6 text.
const Case kCases[] = {
    {"AddFile", false, AddReplaceMode::Add, 4,
     {.Source = ItemSource::File, .File = FileKind::Data, .Type = "optCType2"},
     "ADD 4 2 \"{file}\"", 1, {4, false, 4}},
    {"AddEmptyFileIsBlank", false, AddReplaceMode::Add, 4, {.Source = ItemSource::File, .File = FileKind::Empty},
     "ADB 4", 1, {4, true, 4}},
    {"AddPointer", false, AddReplaceMode::Add, 0, {.Source = ItemSource::Pointer, .ToItem = "2"},
     "ADP 0 2", 1, {0, false, 2}},
    {"AddBlank", false, AddReplaceMode::Add, 9, {.Source = ItemSource::Blank}, "ADB 9", 1, {9, true, 9}},
    {"ReplacePointerWithFile", false, AddReplaceMode::Replace, 3,
     {.Source = ItemSource::File, .File = FileKind::Data, .Type = "optCType0"},
     "RPL 3 0 \"{file}\"", 0, {3, false, 3}},
    {"ReplaceWithPointer", false, AddReplaceMode::Replace, 0, {.Source = ItemSource::Pointer, .ToItem = "9"},
     "RPP 0 9", 0, {0, false, 9}},
    {"ReplaceWithBlank", false, AddReplaceMode::Replace, 0, {.Source = ItemSource::Blank}, "RPB 0", 0, {0, true, 0}},
    {"ReplaceWithEmptyFile", false, AddReplaceMode::Replace, 6, {.Source = ItemSource::File, .File = FileKind::Empty},
     "RPB 6", 0, {6, true, 6}},
    {"BlankStaysBlank", false, AddReplaceMode::Replace, 4, {.Source = ItemSource::File, .File = FileKind::Empty},
     "", 0, {4, true, 4}},
    {"MultiplePointers", true, AddReplaceMode::Add, 1, {.Source = ItemSource::Pointer, .ToItem = "0", .Count = "3"},
     "AMP 1 0 3", 3, {3, false, 0}},
    {"MultipleBlanks", true, AddReplaceMode::Add, 2, {.Source = ItemSource::Blank, .Count = "2"},
     "AMB 2 2", 2, {3, true, 3}},
    // Refused input and failed operations change neither table nor script.
    {"NoFile", false, AddReplaceMode::Add, 3, {.Source = ItemSource::File}, "", 0, {3, false, 1}, true},
    {"EmptyTarget", false, AddReplaceMode::Add, 3, {.Source = ItemSource::Pointer, .ToItem = " "}, "", 0,
     {3, false, 1}, true},
    {"TargetTooHigh", false, AddReplaceMode::Replace, 3, {.Source = ItemSource::Pointer, .ToItem = "10"}, "", 0,
     {3, false, 1}, true},
    {"CountNotANumber", true, AddReplaceMode::Add, 3, {.Source = ItemSource::Blank, .Count = "2x"}, "", 0,
     {3, false, 1}, true},
    {"MissingFile", false, AddReplaceMode::Replace, 3, {.Source = ItemSource::File, .File = FileKind::Missing}, "",
     0, {3, false, 1}, true},
};

TEST_F(AddReplaceDialogs, RecordOneLineAndChangeTheTableAsItSays) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Name);
        SetUp();
        services_.Dialogs.Messages.clear();
        const std::int32_t before = Table().ItemCount;
        const bool closed = c.Multiple ? AddMultiple(c.Item, c.Input) : AddReplace(c.Mode, c.Item, c.Input);
        EXPECT_EQ(closed, !c.Refused);
        std::string line = c.Line;
        if (const auto at = line.find("{file}"); at != std::string::npos) line.replace(at, 6, dataFile_);
        EXPECT_EQ(Table().RecordedScript, line.empty() ? "" : line + "\r\n");
        EXPECT_EQ(Table().ItemCount, before + c.Added);
        const archive::ItemRecord& record = Table()[c.After.Item];
        EXPECT_EQ(record.IsBlank, c.After.Blank);
        EXPECT_EQ(record.RefersTo, c.After.RefersTo);
        if (c.Input.File == FileKind::Data) {
            EXPECT_EQ(record.DecompressedSize, 600);
        }
        EXPECT_EQ(services_.Dialogs.Messages.size(), c.Refused ? 1u : 0u);
    }
}

// Voice items are only stored: the compression choice is hidden and a file
// is added as type 0 whatever was selected before.
TEST_F(AddReplaceDialogs, OfferOnlyStoreInVoiceArchives) {
    UseSample("SPEECH.VOX");
    ASSERT_TRUE(AddReplace(AddReplaceMode::Add, 1,
                           {.Source = ItemSource::File, .File = FileKind::Data, .Type = "optCType2"}));
    EXPECT_EQ(Table().RecordedScript, "ADD 1 0 \"" + dataFile_ + "\"\r\n");
    EXPECT_EQ(Table()[1].CompressionType, 0);
}

// A new archive has nothing to point to; the multiple-items dialog starts
// on blank items so OK works at once.
TEST_F(AddReplaceDialogs, OfferNoPointerInAnEmptyArchive) {
    archive::NewArchive(services_.Table_);
    services_.Table_.RecordedScript.clear();
    app::AddMultipleItemsDialog dialog(services_, 0);
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("optPointer")->isEnabled());
    dialog.findChild<QLineEdit*>("txtCount")->setText("2");
    dialog.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(Table().RecordedScript, "AMB 0 2\r\n");
    EXPECT_EQ(Table().ItemCount, 2);
}

}  // namespace
