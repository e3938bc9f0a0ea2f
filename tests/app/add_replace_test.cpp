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
#include "app/app_fixtures.h"

namespace {

enum class Dialog { Add, Replace, Multiple };
enum class FileKind { None, Data, Empty, Missing };

struct Case {
    const char* Name;
    Dialog Kind;
    std::int32_t Item;
    const char* Option;  // the source button clicked, or null to keep the dialog's choice
    FileKind File;       // chosen with cmdBrowse
    const char* Type;    // the compression button clicked when shown
    const char* ToItem;  // txtToItem, txtCount: "" leaves the box as it opened
    const char* Count;
    std::string Line;    // recorded; "{file}" stands for the data file's path
    std::int32_t Added;  // then the item at After: blank, refers to
    std::int32_t After;
    bool Blank;
    std::int32_t RefersTo;
    bool Refused = false;                 // the dialog stays open with one message
    const char* Sample = "SAMPLE.HQR";  // "" = a new archive
};

// SAMPLE.HQR: 1 and 2 compressed, 3 points to 1, 4 and 8 blank, 6 text.
const Case kCases[] = {
    {"AddFile", Dialog::Add, 4, "optFile", FileKind::Data, "optCType2", "", "", "ADD 4 2 \"{file}\"", 1, 4, false, 4},
    {"AddEmptyFileIsBlank", Dialog::Add, 4, "optFile", FileKind::Empty, "", "", "", "ADB 4", 1, 4, true, 4},
    {"AddPointer", Dialog::Add, 0, "optPointer", FileKind::None, "", "2", "", "ADP 0 2", 1, 0, false, 2},
    {"AddBlank", Dialog::Add, 9, "optBlankItem", FileKind::None, "", "", "", "ADB 9", 1, 9, true, 9},
    {"ReplacePointerWithFile", Dialog::Replace, 3, "optFile", FileKind::Data, "optCType0", "", "",
     "RPL 3 0 \"{file}\"", 0, 3, false, 3},
    {"ReplaceWithPointer", Dialog::Replace, 0, "optPointer", FileKind::None, "", "9", "", "RPP 0 9", 0, 0, false, 9},
    {"ReplaceWithBlank", Dialog::Replace, 0, "optBlankItem", FileKind::None, "", "", "", "RPB 0", 0, 0, true, 0},
    {"ReplaceWithEmptyFile", Dialog::Replace, 6, "optFile", FileKind::Empty, "", "", "", "RPB 6", 0, 6, true, 6},
    {"BlankStaysBlank", Dialog::Replace, 4, "optFile", FileKind::Empty, "", "", "", "", 0, 4, true, 4},
    {"MultiplePointers", Dialog::Multiple, 1, "optPointer", FileKind::None, "", "0", "3", "AMP 1 0 3", 3, 3, false, 0},
    // What the dialogs open with: a file stored as LZSS, the last item as target, pointers, one item.
    {"AddDefaults", Dialog::Add, 5, nullptr, FileKind::Data, "", "", "", "ADD 5 1 \"{file}\"", 1, 5, false, 5},
    {"AddPointerAtTheEnd", Dialog::Add, 10, "optPointer", FileKind::None, "", "", "", "ADP 10 9", 1, 10, false, 9},
    {"MultipleDefaults", Dialog::Multiple, 7, nullptr, FileKind::None, "", "0", "", "AMP 7 0 1", 1, 7, false, 0},
    {"MultipleBlanks", Dialog::Multiple, 2, "optBlankItem", FileKind::None, "", "", "2", "AMB 2 2", 2, 3, true, 3},
    // Voice items are only stored: a file is added as type 0 whatever was chosen.
    {"VoiceStoresOnly", Dialog::Add, 1, "optFile", FileKind::Data, "optCType2", "", "", "ADD 1 0 \"{file}\"", 1, 1,
     false, 1, false, "SPEECH.VOX"},
    // A new archive has nothing to point to: the dialog starts on blank items.
    {"NewArchiveStartsOnBlanks", Dialog::Multiple, 0, nullptr, FileKind::None, "", "", "2", "AMB 0 2", 2, 1, true, 1,
     false, ""},
    // Refused input and failed operations change neither table nor script.
    {"NoFile", Dialog::Add, 3, "optFile", FileKind::None, "", "", "", "", 0, 3, false, 1, true},
    {"EmptyTarget", Dialog::Add, 3, "optPointer", FileKind::None, "", " ", "", "", 0, 3, false, 1, true},
    {"TargetTooHigh", Dialog::Replace, 3, "optPointer", FileKind::None, "", "10", "", "", 0, 3, false, 1, true},
    {"CountNotANumber", Dialog::Multiple, 3, "optBlankItem", FileKind::None, "", "", "2x", "", 0, 3, false, 1, true},
    {"MissingFile", Dialog::Replace, 3, "optFile", FileKind::Missing, "", "", "", "", 0, 3, false, 1, true},
};

TEST(AddReplaceDialogs, RecordOneLineAndChangeTheTableAsItSays) {
    testing_support::TempDir dir;
    const std::string data = dir.write("tiles.bin", std::string(600, 'T'));
    const std::string files[] = {"", data, dir.write("empty.bin", ""), dir.file("missing.bin")};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Name);
        testing_support::FakeServices services;
        archive::ItemTable& table = services.Table_;
        if (*c.Sample) archive::LoadArchive(table, testing_support::SamplePath(c.Sample));
        else archive::NewArchive(table);
        table.RecordedScript.clear();
        const std::int32_t before = table.ItemCount;

        std::unique_ptr<QDialog> dialog;
        if (c.Kind == Dialog::Multiple) dialog = std::make_unique<app::AddMultipleItemsDialog>(services, c.Item);
        else dialog = std::make_unique<app::AddReplaceDialog>(
                 services, c.Kind == Dialog::Add ? shell::AddReplaceMode::Add : shell::AddReplaceMode::Replace, c.Item);
        dialog->show();
        const auto click = [&](const char* name) { dialog->findChild<QAbstractButton*>(name)->click(); };
        if (c.Option) click(c.Option);
        if (c.File != FileKind::None) {
            services.Dialogs.Files.push_back(files[static_cast<int>(c.File)]);
            click("cmdBrowse");
        }
        if (*c.Type && dialog->findChild<QRadioButton*>(c.Type)->isVisible()) click(c.Type);
        if (*c.ToItem) dialog->findChild<QLineEdit*>("txtToItem")->setText(c.ToItem);
        if (*c.Count) dialog->findChild<QLineEdit*>("txtCount")->setText(c.Count);
        click("cmdOK");

        EXPECT_EQ(dialog->result() == QDialog::Accepted, !c.Refused);
        EXPECT_EQ(services.Dialogs.Messages.size(), c.Refused ? 1u : 0u);
        std::string line = c.Line;
        if (const auto at = line.find("{file}"); at != std::string::npos) line.replace(at, 6, data);
        EXPECT_EQ(table.RecordedScript, line.empty() ? "" : line + "\r\n");
        EXPECT_EQ(table.ItemCount, before + c.Added);
        EXPECT_EQ(table[c.After].IsBlank, c.Blank);
        EXPECT_EQ(table[c.After].RefersTo, c.RefersTo);
        if (c.File == FileKind::Data) {
            EXPECT_EQ(table[c.After].DecompressedSize, 600);
        }
    }
}

}  // namespace
