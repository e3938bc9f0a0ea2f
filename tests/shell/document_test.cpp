// The open archive's document without any window: undo and redo of every
// kind of step, checked on the bytes of the saved file.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/scripted_dialogs.h"
#include "archive/error.h"
#include "archive/item_operations.h"
#include "archive/save.h"
#include "script/recording.h"
#include "script/run_script.h"
#include "script/script_fixture.h"
#include "shell/document.h"
#include "support/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;

std::string Sample(const std::string& name) { return std::string(ORVANE_SOURCE_DIR) + "/samples/" + name; }

struct DocumentFixture {
    DocumentFixture() {
        std::filesystem::copy_file(Sample("SAMPLE.HQR"), path);
        doc.OpenAtStart(path);
    }
    TempDir dir;
    std::string path = dir.file("SAMPLE.HQR");
    testing_support::ScriptedDialogs dialogs;
    shell::RecentFileList recent;
    shell::ArchiveDocument doc{dialogs, recent, [] { return archive::MethodSettings{}; }};
};

// ------------------------------------------------------------ undo, redo

struct StepCase {
    const char* name;
    std::function<void(shell::ArchiveDocument&, const std::string& dir)> step;
};

void Op(shell::ArchiveDocument& doc, std::int32_t item, std::uint8_t code, std::int32_t number = 0,
        const std::string& file = "", std::int32_t count = 0) {
    doc.RunItemOperation(item, code, number, file, count, item + 1);
}

std::string ItemFile(const std::string& dir) {
    const std::string file = dir + "/new.bin";
    testing_support::WriteBytes(file, testing_support::RandomBytes(3000, 7));
    return file;
}

const std::vector<StepCase>& StepCases() {
    static const std::vector<StepCase> cases = {
        {"Remove", [](auto& d, auto&) { Op(d, 5, archive::kOpRemoveItem); }},
        {"RemoveFirst", [](auto& d, auto&) { Op(d, 0, archive::kOpRemoveItem); }},
        {"Add", [](auto& d, auto& dir) { Op(d, 2, archive::kOpAddItem, 1, ItemFile(dir)); }},
        {"Replace", [](auto& d, auto& dir) { Op(d, 1, archive::kOpReplaceItem, 2, ItemFile(dir)); }},
        {"Compress", [](auto& d, auto&) { Op(d, 0, archive::kOpChangeCompression, 2); }},
        {"Decompress", [](auto& d, auto&) { Op(d, 1, archive::kOpChangeCompression, 0); }},
        {"Blank", [](auto& d, auto&) { Op(d, 1, archive::kOpChangeItemType); }},
        {"ToPointer", [](auto& d, auto&) { Op(d, 4, archive::kOpItemToFromPointer, 0); }},
        {"AddBlank", [](auto& d, auto&) { Op(d, 3, archive::kOpInsertBlank); }},
        {"AddPointer", [](auto& d, auto&) { Op(d, 3, archive::kOpAddPointer, 5); }},
        {"AddPointers", [](auto& d, auto&) { Op(d, 1, archive::kOpAddMultiplePointers, 4, "", 3); }},
        {"AddBlanks", [](auto& d, auto&) { Op(d, 2, archive::kOpAddMultipleBlanks, 4); }},
        {"RemoveMarked",
         [](auto& d, auto&) {
             d.Table()[1].Marked = d.Table()[4].Marked = true;
             Op(d, 0, archive::kOpRemoveMarked);
         }},
        {"HexWriteBack",
         [](auto& d, auto&) {
             shell::ItemTicket ticket = d.Ticket(1);
             const std::uint8_t bytes[] = {1, 2, 3};
             d.WriteBack(ticket, bytes);
         }},
        {"ScriptRun",
         [](auto& d, auto& dir) {
             script_test::FakeWindow link;
             link.Open = true;
             script::RunEnvironment env(d.Table(), link, {});
             const std::string text = "DEL 2\r\nADB 1\r\nRPL 3 1 \"" + ItemFile(dir) + "\"\r\nCMT 1 2\r\n";
             d.RunScript([&] { return script::RunScriptText(text, env); }, 1);
         }},
    };
    return cases;
}

class UndoRedo : public ::testing::TestWithParam<std::size_t> {};

// Undo, then save: the original file byte for byte, with the modified mark
// cleared. Redo, then save: the bytes of doing the step once more, and the
// recorded operations replay to them.
TEST_P(UndoRedo, UndoGivesTheSavedBytesAndRedoTheStepsBytes) {
    const StepCase& c = StepCases()[GetParam()];
    DocumentFixture f;
    const Bytes original = ReadBytes(f.path);
    c.step(f.doc, f.dir.path().string());
    ASSERT_TRUE(f.doc.CanUndo());
    ASSERT_TRUE(f.doc.IsModified());
    const Bytes stepped = archive::SerializeArchive(f.doc.Table());
    const std::string recorded = f.doc.Table().RecordedScript;

    f.doc.Undo();
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(f.doc.RedoText().rfind("Redo ", 0), 0u);
    EXPECT_EQ(f.doc.Table().RecordedScript, "OPN \"" + f.path + "\"\r\n");
    ASSERT_TRUE(f.doc.Save());
    EXPECT_EQ(ReadBytes(f.path), original);

    f.doc.Redo();
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_EQ(f.doc.Table().RecordedScript, recorded);
    ASSERT_TRUE(f.doc.Save());
    EXPECT_EQ(ReadBytes(f.path), stepped);
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfStep, UndoRedo, ::testing::Range<std::size_t>(0, StepCases().size()),
                         [](const auto& info) { return std::string(StepCases()[info.param].name); });

// After undoing below the saved state and changing again, no position
// matches the file: modified until the next save. A recording made after
// undo and redo replays to what the document holds.
TEST(UndoHistory, SavedStateAndRecordingFollowTheHistory) {
    DocumentFixture f;
    // A command that fails part way is taken back whole and leaves no step.
    const Bytes loaded = archive::SerializeArchive(f.doc.Table());
    EXPECT_THROW(f.doc.Change("Drop of 2 files", 1,
                              [&]() -> std::int32_t {
                                  Op(f.doc, 1, archive::kOpRemoveItem);
                                  Op(f.doc, 99, archive::kOpRemoveItem);
                                  return 1;
                              }),
                 archive::Error);
    EXPECT_EQ(archive::SerializeArchive(f.doc.Table()), loaded);
    EXPECT_FALSE(f.doc.CanUndo());
    EXPECT_EQ(f.doc.Table().RecordedScript, "OPN \"" + f.path + "\"\r\n");
    Op(f.doc, 5, archive::kOpRemoveItem);
    Op(f.doc, 2, archive::kOpInsertBlank);
    EXPECT_EQ(f.doc.UndoText(), "Undo Add blank item 2");
    ASSERT_TRUE(f.doc.Save());
    f.doc.Undo();
    EXPECT_TRUE(f.doc.IsModified());
    f.doc.Redo();
    EXPECT_FALSE(f.doc.IsModified());
    f.doc.Undo();
    f.doc.Undo();
    Op(f.doc, 0, archive::kOpChangeCompression, 1);
    EXPECT_FALSE(f.doc.CanRedo());
    f.doc.Undo();
    EXPECT_TRUE(f.doc.IsModified()) << "the saved state is gone from the history";

    Op(f.doc, 4, archive::kOpRemoveItem);
    f.doc.Undo();
    f.doc.Redo();
    const std::string replay = f.dir.file("replay.hqr");
    std::filesystem::copy_file(Sample("SAMPLE.HQR"), replay);
    std::string script = f.doc.Table().RecordedScript;
    script.replace(0, script.find("\r\n"), "OPN \"" + replay + "\"");
    script += "SAV\r\n";
    archive::ItemTable table;
    script_test::FakeWindow link;
    script::RunEnvironment env(table, link, {});
    EXPECT_EQ(script::RunScriptText(script, env).Errors, 0);
    EXPECT_EQ(ReadBytes(replay), archive::SerializeArchive(f.doc.Table()));
}

}  // namespace
