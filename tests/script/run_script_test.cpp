#include "script/run_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/load.h"
#include "script/script_fixture.h"

namespace {

using script_test::FakeWindow;
using script_test::RunText;
using script_test::ThreeItemArchive;
using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::ToBytes;
using testing_support::WriteBytes;
using Log = std::vector<std::string>;

const std::string kNoArchive =
    "Fatal Error: Trying to perform an item operation, when no archive has been created, or opened (Line #";
const std::string kNoEffect = "Warning: At least a part of the script has no effect";

std::string Q(const std::string& path) { return "\"" + path + "\""; }

// A window with the three-item archive open under dir/OPEN.HQR.
struct OpenWindow {
    TempDir dir;
    archive::ItemTable table;
    FakeWindow window;
    OpenWindow() {
        WriteBytes(dir.file("OPEN.HQR"), ThreeItemArchive());
        archive::LoadArchive(table, dir.file("OPEN.HQR"));
        window.Open = true;
        window.FileName = dir.file("OPEN.HQR");
    }
};

TEST(RunScriptWithoutArchive, BlankFirstLineIsFatal) {
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("\r\nNEW\r\n", table, window);
    EXPECT_EQ(out.Log, (Log{kNoArchive + "1)"}));
    EXPECT_TRUE(out.Summary.Fatal);
    // A fatal error skips the end of the run.
    EXPECT_EQ(window.ListSettingsApplied, 0);
}

TEST(RunScriptWithoutArchive, CommentsAloneOnlyWarn) {
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("# one\r\n#two\r\n#", table, window);
    EXPECT_EQ(out.Log, (Log{kNoEffect}));
    EXPECT_EQ(out.Summary.Errors, 0);
    EXPECT_EQ(window.ListSettingsApplied, 1);
    EXPECT_EQ(window.Refreshes, 0);
    EXPECT_EQ(RunText("", table, window).Log, (Log{kNoEffect}));
}

TEST(RunScriptWithoutArchive, OnlyTheFirstCharacterMakesAComment) {
    archive::ItemTable table;
    FakeWindow window;
    EXPECT_EQ(RunText("#\r\n #x\r\n", table, window).Log, (Log{kNoArchive + "2)"}));
    EXPECT_EQ(RunText("# a\r\n# b\r\nbogus\r\n", table, window).Log, (Log{kNoArchive + "3)"}));
}

TEST(RunScriptWithoutArchive, MissingScriptFileIsOneLine) {
    TempDir dir;
    archive::ItemTable table;
    FakeWindow window;
    Log log;
    script::RunEnvironment env(table, window, [&](const std::string& m) { log.push_back(m); });
    auto summary = script::RunScript(dir.file("none.ovs"), env);
    EXPECT_EQ(log, (Log{"External Error: File not found: " + Q(dir.file("none.ovs"))}));
    EXPECT_EQ(summary.Errors, 1);
    EXPECT_EQ(window.ListSettingsApplied, 0);
    // A folder is no script file either.
    log.clear();
    script::RunScript(dir.path().string(), env);
    EXPECT_EQ(log, (Log{"External Error: File not found: " + Q(dir.path().string())}));
}

TEST(RunScriptWithoutArchive, OpenAndExtractStillWarns) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), ThreeItemArchive());
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("OPN " + Q(dir.file("A.HQR")) + "\r\nEXT 1 " + Q(dir.file("one.bin")) + "\r\nEXA 2 " +
                           Q(dir.file("two.bin")),
                       table, window);
    EXPECT_EQ(out.Log, (Log{kNoEffect}));
    EXPECT_EQ(ReadBytes(dir.file("one.bin")), Bytes(6, 'B'));
    EXPECT_EQ(ReadBytes(dir.file("two.bin")), Bytes(2, 'C'));
}

TEST(RunScriptWithoutArchive, OpenNewSaveWritesEmptyArchiveUnderOpenedName) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), ThreeItemArchive());
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("OPN " + Q(dir.file("A.HQR")) + "\r\nNEW\r\nSAV\r\n", table, window);
    EXPECT_EQ(out.Log, Log{});
    EXPECT_EQ(ReadBytes(dir.file("A.HQR")), (Bytes{4, 0, 0, 0}));
}

TEST(RunScriptWithoutArchive, SaveWithoutAName) {
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("NEW\r\nSAV\r\n", table, window);
    EXPECT_EQ(out.Log, (Log{"Error: SAV without having loaded a file first", kNoEffect}));
}

TEST(RunScriptWithoutArchive, SaveAsThenSaveUsesTheNewName) {
    TempDir dir;
    WriteBytes(dir.file("item.dat"), ToBytes("xyz"));
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("new\r\nSVA " + Q(dir.file("N.HQR")) + "\r\nADD 0 0 " + Q(dir.file("item.dat")) + "\r\nSAVE\r\n",
                       table, window);
    EXPECT_EQ(out.Log, Log{});
    EXPECT_TRUE(window.TakenNames.empty());  // the window has no archive to rename
    archive::ItemTable reloaded;
    archive::LoadArchive(reloaded, dir.file("N.HQR"));
    ASSERT_EQ(reloaded.ItemCount, 1);
    EXPECT_EQ(reloaded[0].Data, ToBytes("xyz"));
}

TEST(RunScriptWithoutArchive, NumberOutOfRangeCallsNothingAndKeepsSavedState) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), ThreeItemArchive());
    archive::ItemTable table;
    FakeWindow window;
    // The overflowing DEL changes nothing, so the archive stays saved.
    auto out = RunText("OPN " + Q(dir.file("A.HQR")) + "\r\nSAV\r\nDEL 1e10\r\nCMT 0 40000\r\n", table, window);
    ASSERT_EQ(out.Log.size(), 2u);
    EXPECT_EQ(out.Log[0], "External Error: Number out of range for a signed 32-bit value: 1e10");
    EXPECT_EQ(out.Log[1], "External Error: Number out of range for a signed 16-bit value: 40000");
    EXPECT_EQ(table.ItemCount, 3);
    // A failing operation does count as a change.
    out = RunText("OPN " + Q(dir.file("A.HQR")) + "\r\nSAV\r\nDEL 7\r\n", table, window);
    EXPECT_EQ(out.Log, (Log{"External Error: Invalid .HQR item number", kNoEffect}));
}

TEST(RunScriptWithOpenWindow, NewAndOpenAreFatal) {
    OpenWindow w;
    auto out = RunText("DEL 0\r\nNEW\r\nDEL 0\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Fatal Error: Trying to create an archive with a script, when another archive is open "
                            "(Line #2)"}));
    EXPECT_EQ(w.table.ItemCount, 2);  // the first line was done
    out = RunText("OPN " + Q(w.dir.file("OPEN.HQR")) + "\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Fatal Error: Trying to open an archive with a script, when another archive is open "
                            "(Line #1)"}));
    EXPECT_EQ(w.window.Refreshes, 0);
}

TEST(RunScriptWithOpenWindow, BorrowsTheArchiveAndRefreshesAtTheEnd) {
    OpenWindow w;
    std::string recorded = w.table.RecordedScript;
    auto out = RunText("DEL 1\r\nADB 0\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});  // no "no effect" warning while the window holds the archive
    EXPECT_EQ(w.table.ItemCount, 3);
    EXPECT_TRUE(w.table[0].IsBlank);
    EXPECT_EQ(w.table[2].Data, Bytes(2, 'C'));
    EXPECT_EQ(w.table.RecordedScript, recorded);  // nothing recorded
    EXPECT_EQ(w.window.Refreshes, 1);
    EXPECT_EQ(w.window.ListSettingsApplied, 1);
    // The archive file is untouched until the script saves.
    EXPECT_EQ(ReadBytes(w.dir.file("OPEN.HQR")), ThreeItemArchive());
}

TEST(RunScriptWithOpenWindow, RequiredParameterMessages) {
    OpenWindow w;
    auto out = RunText("ADB\r\nADD 0\r\nADP 0\r\nAMB 0\r\nAMP 0 1\r\nCMT 0\r\nDEL\r\nEXA\r\nEXT\r\nRPB\r\n"
                       "RPL 0\r\nRPP 0\r\nSVA\r\n",
                       w.table, w.window);
    EXPECT_EQ(out.Log, (Log{
                           "Error: ADB - Required parameter missing (Line #1)",
                           "Error: ADD - Required parameter missing (Line #2)",
                           "Error: ADP - Required parameter missing (Line #3)",
                           "Error: AMB - Required parameter missing (Line #4)",
                           "Error: AMP - Required parameter missing (Line #5)",
                           "Error: CMT - Required parameter missing (Line #6)",
                           "Error: DEL - Required parameter missing (Line #7)",
                           "Error: EXA - Required parameter missing (Line #8)",
                           "Error: EXT - Required parameter missing (Line #9)",
                           "Error: RPB - Required parameter missing (Line #10)",
                           "Error: RPL - Required parameter missing (Line #11)",
                           "Error: RPP - Required parameter missing (Line #12)",
                           "Error: SVA - Required parameter missing (Line #13)",
                       }));
    EXPECT_EQ(out.Summary.Errors, 13);
    EXPECT_EQ(w.table.ItemCount, 3);
}

TEST(RunScriptWithoutArchive, OpenParameterMessages) {
    TempDir dir;
    archive::ItemTable table;
    FakeWindow window;
    auto out = RunText("OPN\r\nOPN x.hqr\r\nOPN " + Q(dir.file("none.hqr")) + "\r\nOPN " + Q(dir.path().string()),
                       table, window);
    EXPECT_EQ(out.Log, (Log{"Error: OPN - Required parameter missing (Line #1)",
                            "Error: OPN without specified file name (Line #2)",
                            "Error: OPN - File not found (Line #3)", "Error: OPN - File not found (Line #4)",
                            kNoEffect}));
}

TEST(RunScriptWithOpenWindow, FileNameMessages) {
    OpenWindow w;
    auto out = RunText("ADD 0 1\r\nEXA 0\r\nEXT 0 x\r\nRPL 0 0 x\r\nSVA x\r\nADD 0 0 " + Q(w.dir.file("none")) +
                           "\r\nRPL 0 0 " + Q(w.dir.path().string()),
                       w.table, w.window);
    EXPECT_EQ(out.Log, (Log{
                           "Error: ADD without specified file name (Line #1)",
                           "Error: EXA without specified file name (Line #2)",
                           "Error: EXT without specified file name (Line #3)",
                           "Error: RPL without specified file name (Line #4)",
                           "Error: SVA without specified file name (Line #5)",
                           "Error: ADD - File not found (Line #6)",
                           "Error: RPL - File not found (Line #7)",
                       }));
    EXPECT_EQ(w.table.ItemCount, 3);
}

TEST(RunScriptWithOpenWindow, UnterminatedQuoteRunsToLineEnd) {
    OpenWindow w;
    std::string target = w.dir.file("item one.bin");
    auto out = RunText("EXT 1 \"" + target + "\r\nEXA 0 \"" + w.dir.file("q\"uote") + "\"", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Warning: Terminating quotation mark missing (Line #1)"}));
    EXPECT_EQ(out.Summary.Warnings, 1);
    EXPECT_EQ(ReadBytes(target), Bytes(6, 'B'));
    // Quotes between the first and the last belong to the name.
    EXPECT_EQ(ReadBytes(w.dir.file("q\"uote")), Bytes(4, 'A'));
}

TEST(RunScriptWithOpenWindow, TwoSpacesBeforeANumberReadAsZero) {
    OpenWindow w;
    auto out = RunText("DEL  2\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    ASSERT_EQ(w.table.ItemCount, 2);
    EXPECT_EQ(w.table[0].Data, Bytes(6, 'B'));
    EXPECT_EQ(w.table[1].Data, Bytes(2, 'C'));
}

TEST(RunScriptWithOpenWindow, ZeroAndNegativeCountsChangeNothing) {
    OpenWindow w;
    auto out = RunText("AMB 0 0\r\nAMP 0 1 0\r\nAMB 1 -5\r\nAMP 2 0 -1\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    EXPECT_EQ(w.table.ItemCount, 3);
    out = RunText("AMB 1 2\r\nAMP 0 4 2\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    ASSERT_EQ(w.table.ItemCount, 7);
    // AMB put blanks at 1 and 2; AMP's target is field 2 and its count
    // field 3, so the first new pointer shares item B's bytes.
    EXPECT_TRUE(w.table[3].IsBlank);
    EXPECT_EQ(w.table[0].Data, Bytes(6, 'B'));
}

TEST(RunScriptWithOpenWindow, UnknownIdentifiers) {
    OpenWindow w;
    auto out = RunText("x\r\n   DEL 0\r\n DEL 0\r\n\tDEL 0\r\nfoo bar\r\n\r\nab \r\n\xe9t\xe9\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Unknown identifier: X(Line #1)", "Unknown identifier:  DE(Line #3)",
                            "Unknown identifier: \tDE(Line #4)", "Unknown identifier: FOO(Line #5)",
                            "Unknown identifier: AB (Line #7)", "Unknown identifier: \xc9T\xc9(Line #8)"}));
    EXPECT_EQ(w.table.ItemCount, 3);
}

TEST(RunScriptWithOpenWindow, MnemonicIsTheFirstThreeCharactersInAnyCase) {
    OpenWindow w;
    auto out = RunText("delete 0\r\nDeL 0\r\nsave\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    EXPECT_EQ(w.table.ItemCount, 1);
    // SAV of the borrowed archive writes under the window's file name.
    archive::ItemTable reloaded;
    archive::LoadArchive(reloaded, w.dir.file("OPEN.HQR"));
    EXPECT_EQ(reloaded.ItemCount, 1);
    EXPECT_EQ(reloaded[0].Data, Bytes(2, 'C'));
}

TEST(RunScriptWithOpenWindow, LineEndsAndLineNumbers) {
    OpenWindow w;
    // CR alone ends a line, LF alone does not; every physical line counts.
    auto out = RunText("# c\rxx\nyy\r\n\r\nzz\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Unknown identifier: XX\n(Line #2)", "Unknown identifier: ZZ(Line #4)"}));
}

TEST(RunScriptWithOpenWindow, OperationErrorsAreExternalAndTheRunGoesOn) {
    OpenWindow w;
    auto out = RunText("DEL 3\r\nRPP 9 0\r\nCMT 0 3\r\nADB -1\r\nDEL 0\r\n", w.table, w.window);
    ASSERT_EQ(out.Log.size(), 4u);
    EXPECT_EQ(out.Log[0], "External Error: Invalid .HQR item number");
    EXPECT_EQ(out.Log[1], "External Error: Invalid .HQR item number");
    EXPECT_EQ(out.Log[2], "External Error: Invalid compression type");
    EXPECT_EQ(out.Log[3], "External Error: Invalid .HQR item number");
    EXPECT_EQ(out.Summary.Errors, 4);
    EXPECT_EQ(w.table.ItemCount, 2);
}

TEST(RunScriptWithOpenWindow, SaveAsRenamesTheWindowsArchive) {
    OpenWindow w;
    std::string renamed = w.dir.file("RENAMED.HQR");
    auto out = RunText("DEL 0\r\nSVA " + Q(renamed) + "\r\nDEL 0\r\nSAV\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    EXPECT_EQ(w.window.TakenNames, (std::vector<std::string>{renamed}));
    EXPECT_EQ(ReadBytes(w.dir.file("OPEN.HQR")), ThreeItemArchive());
    archive::ItemTable reloaded;
    archive::LoadArchive(reloaded, renamed);
    EXPECT_EQ(reloaded.ItemCount, 1);
}

TEST(RunScriptWithOpenWindow, SaveOfAnUntitledArchive) {
    OpenWindow w;
    w.window.FileName.clear();
    auto out = RunText("SAV\r\n", w.table, w.window);
    EXPECT_EQ(out.Log, (Log{"Error: SAV without having loaded a file first"}));
}

TEST(RunScriptWithOpenWindow, AddAndReplaceFromFiles) {
    OpenWindow w;
    WriteBytes(w.dir.file("new.dat"), ToBytes("hello"));
    auto out = RunText("ADD 1 0 " + Q(w.dir.file("new.dat")) + "\r\nRPL 0 0 " + Q(w.dir.file("new.dat")) + "\r\n",
                       w.table, w.window);
    EXPECT_EQ(out.Log, Log{});
    ASSERT_EQ(w.table.ItemCount, 4);
    EXPECT_EQ(w.table[1].Data, ToBytes("hello"));
    EXPECT_EQ(w.table[1].Extension, "DAT");
    EXPECT_EQ(w.table[0].Data, ToBytes("hello"));
    EXPECT_EQ(w.table[0].SourceFile, w.dir.file("new.dat"));
}

TEST(RunScriptWithOpenWindow, ItemCountCapRefusesBeforeInserting) {
    OpenWindow w;
    Log log;
    script::RunEnvironment env(w.table, w.window, [&](const std::string& m) { log.push_back(m); });
    env.MaxItemCount = 10;
    script::RunScriptText("AMB 0 7\r\nAMP 0 1 8\r\nADB 0\r\n", env);
    EXPECT_EQ(log, (Log{"External Error: Too many items for one archive",
                        "External Error: Too many items for one archive"}));
    EXPECT_EQ(w.table.ItemCount, 10);
}

}  // namespace
