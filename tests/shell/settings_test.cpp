#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/error.h"
#include "archive/program_directory.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using shell::Settings;
using testing_support::TempDir;
using testing_support::ToBytes;

constexpr const char* kFullFile =
    "[General]\r\n"
    "ItemsIndexTarvoDeCOMP=1\r\n"
    "GridLines=0\r\n"
    "ColumnsReordering=1\r\n"
    "RowsSelection=0\r\n"
    "EnableCOptions=1\r\n"
    "\r\n"
    "[Compression]\r\n"
    "CType1Algorithm=1\r\n"
    "CType2Algorithm=3\r\n"
    "DecAlgorithm=2\r\n"
    "\r\n"
    "[RecentFiles]\r\n"
    "/data/A.HQR\r\n"
    "/data/B.VOX\r\n";

Settings FullSettings() {
    Settings s;
    s.ItemsIndexTarvoDeCOMP = true;
    s.ColumnsReordering = true;
    s.EnableCOptions = true;
    s.CType1Algorithm = 1;
    s.CType2Algorithm = 3;
    s.DecAlgorithm = 2;
    s.RecentFiles[0] = "/data/A.HQR";
    s.RecentFiles[1] = "/data/B.VOX";
    return s;
}

TEST(SettingsText, WritesTheFixedLinesByteForByte) {
    EXPECT_EQ(shell::SettingsText(FullSettings()), kFullFile);
    EXPECT_EQ(shell::ParseSettings(kFullFile), FullSettings());
}

// The drag-and-drop flag takes the empty line 6 only when on: readers that
// skip line 6 see the same settings, and off leaves the file as it was.
TEST(SettingsText, DragDropFillsOnlyLineSix) {
    Settings s = FullSettings();
    s.EnableDragDrop = true;
    std::string expected = kFullFile;
    expected.replace(expected.find("\r\n\r\n[Compression]"), 4, "\r\nEnableDragDrop=1\r\n");
    EXPECT_EQ(shell::SettingsText(s), expected);
    EXPECT_EQ(shell::ParseSettings(expected), s);
}

TEST(SettingsText, SkipsPathsThatCouldNotBeReadBack) {
    Settings s;
    s.RecentFiles[0] = "/odd\nname.HQR";
    s.RecentFiles[1] = "/b.HQR";
    const std::string text = shell::SettingsText(s);
    const std::string tail = "[RecentFiles]\r\n/b.HQR\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(ParseSettings, LineFiveEmptyShiftsTheRestIntoPlace) {
    const Settings s = shell::ParseSettings(
        "[General]\r\nItemsIndexTarvoDeCOMP=0\r\nGridLines=1\r\nColumnsReordering=0\r\nRowsSelection=1\r\n"
        "\r\n[Compression]\r\nCType1Algorithm=2\r\nCType2Algorithm=1\r\nDecAlgorithm=3\r\n\r\n"
        "[RecentFiles]\r\n/x.HQR\r\n");
    EXPECT_FALSE(s.EnableCOptions);
    EXPECT_TRUE(s.GridLines);
    EXPECT_TRUE(s.RowsSelection);
    EXPECT_EQ(s.CType1Algorithm, 2);
    EXPECT_EQ(s.CType2Algorithm, 1);
    EXPECT_EQ(s.DecAlgorithm, 3);
    EXPECT_EQ(s.RecentFiles[0], "/x.HQR");
    EXPECT_EQ(s.RecentFiles[1], "");
}

TEST(ParseSettings, MissingLinesStayZeroNotDefault) {
    const Settings s = shell::ParseSettings("[General]\r\nA=1\r\nB=1\r\nC=1\r\nD=1\r\n");
    EXPECT_TRUE(s.ItemsIndexTarvoDeCOMP && s.GridLines && s.ColumnsReordering && s.RowsSelection);
    EXPECT_FALSE(s.EnableCOptions);
    EXPECT_EQ(s.CType1Algorithm, 0);
    EXPECT_EQ(s.CType2Algorithm, 0);
    EXPECT_EQ(s.DecAlgorithm, 0);
    EXPECT_EQ(shell::ParseSettings(""), Settings{});
}

TEST(ParseSettings, OnlyTheLastCharacterCounts) {
    std::string text = kFullFile;
    text.replace(text.find("GridLines=0"), 11, "GridLines=yes");
    text.replace(text.find("CType1Algorithm=1"), 17, "CType1Algorithm=12");
    text.replace(text.find("DecAlgorithm=2"), 14, "DecAlgorithm=x");
    text.replace(text.find("RowsSelection=0"), 15, "anything ending 1");
    const Settings s = shell::ParseSettings(text);
    EXPECT_FALSE(s.GridLines);
    EXPECT_TRUE(s.RowsSelection);
    EXPECT_EQ(s.CType1Algorithm, 2);
    EXPECT_EQ(s.DecAlgorithm, 0);
}

TEST(ParseSettings, LoneLfOrCrEndsALineToo) {
    std::string lf, cr;
    for (char c : std::string(kFullFile)) {
        if (c != '\r') lf += c;
        if (c != '\n') cr += c;
    }
    EXPECT_EQ(shell::ParseSettings(lf), FullSettings());
    EXPECT_EQ(shell::ParseSettings(cr), FullSettings());
    // Without an ending after the last line.
    EXPECT_EQ(shell::ParseSettings(lf.substr(0, lf.size() - 1)), FullSettings());
}

TEST(ParseSettings, EmptyLinesAmongRecentFilesFillNoSlot) {
    std::string text = kFullFile;
    text += "\r\n\r\n/data/C.HQR\r\n";
    for (int i = 0; i < 12; ++i) text += "/more/" + std::to_string(i) + "\r\n";
    const Settings s = shell::ParseSettings(text);
    EXPECT_EQ(s.RecentFiles[1], "/data/B.VOX");
    EXPECT_EQ(s.RecentFiles[2], "/data/C.HQR");
    EXPECT_EQ(s.RecentFiles[3], "/more/0");
    EXPECT_EQ(s.RecentFiles[9], "/more/6");
}

TEST(LoadSettings, DefaultsOnlyWhenTheFileIsMissing) {
    TempDir dir;
    const Settings missing = shell::LoadSettingsFile(dir.file("ORVANE.INI"));
    EXPECT_TRUE(missing.GridLines);
    EXPECT_TRUE(missing.RowsSelection);
    EXPECT_FALSE(missing.ColumnsReordering);
    EXPECT_FALSE(missing.EnableCOptions);
    EXPECT_EQ(missing.CType1Algorithm, 3);
    EXPECT_EQ(missing.CType2Algorithm, 2);
    EXPECT_EQ(missing.DecAlgorithm, 0);
    EXPECT_FALSE(shell::RecentFilesMenuState(missing.RecentFiles).SubmenuVisible);

    testing_support::WriteBytes(dir.file("ORVANE.INI"), {});
    EXPECT_EQ(shell::LoadSettingsFile(dir.file("ORVANE.INI")), Settings{});
}

TEST(SaveSettings, RoundTripsThroughTheProgramDirectory) {
    TempDir dir;
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(dir.path().string());
    shell::SaveSettings(FullSettings());
    EXPECT_EQ(testing_support::ReadBytes(dir.file("ORVANE.INI")), ToBytes(kFullFile));
    EXPECT_EQ(shell::LoadSettings(), FullSettings());
    // Rewriting replaces the whole file, a shorter one included.
    shell::SaveSettings(Settings{});
    EXPECT_EQ(shell::LoadSettings(), Settings{});
    archive::SetProgramDirectory(saved);
}

TEST(SaveSettings, UnwritableFolderIsAnError) {
    TempDir dir;
    const archive::Error e = testing_support::ErrorOf(
        [&] { shell::SaveSettingsFile(Settings{}, dir.file("no/such/folder/ORVANE.INI")); });
    EXPECT_EQ(e.Number, shell::kSettingsFileError);
    EXPECT_EQ(e.Source, "SaveSettings");
}

TEST(MethodSettingsOf, CarriesTheThreeChoices) {
    const archive::MethodSettings m = shell::MethodSettingsOf(FullSettings());
    EXPECT_EQ(m.CType1Algorithm, 1);
    EXPECT_EQ(m.CType2Algorithm, 3);
    EXPECT_EQ(m.DecAlgorithm, 2);
}

// ---------------------------------------------------------- recent files

shell::RecentFileList Numbered(int count) {
    shell::RecentFileList recent;
    for (int i = 0; i < count; ++i) recent[static_cast<std::size_t>(i)] = "/p" + std::to_string(i);
    return recent;
}

TEST(AddRecentFile, ListedPathMovesToTheTop) {
    shell::RecentFileList recent = Numbered(10);
    shell::AddRecentFile(recent, "/p4");
    EXPECT_EQ(recent, (shell::RecentFileList{"/p4", "/p0", "/p1", "/p2", "/p3", "/p5", "/p6", "/p7", "/p8", "/p9"}));
    shell::AddRecentFile(recent, "/p4");
    EXPECT_EQ(recent[0], "/p4");
    EXPECT_EQ(recent[1], "/p0");
}

TEST(AddRecentFile, EleventhPathDropsTheOldest) {
    shell::RecentFileList recent = Numbered(10);
    shell::AddRecentFile(recent, "/new");
    EXPECT_EQ(recent[0], "/new");
    EXPECT_EQ(recent[1], "/p0");
    EXPECT_EQ(recent[9], "/p8");
    EXPECT_EQ(shell::FindRecentFile(recent, "/p9"), -1);
}

TEST(AddRecentFile, CaseMattersAndUsedSlotsStayAPrefix) {
    shell::RecentFileList recent;
    shell::AddRecentFile(recent, "C:\\A.HQR");
    shell::AddRecentFile(recent, "c:\\a.hqr");
    EXPECT_EQ(recent[0], "c:\\a.hqr");
    EXPECT_EQ(recent[1], "C:\\A.HQR");
    EXPECT_EQ(recent[2], "");
}

TEST(RemoveRecentFile, ClosesTheGap) {
    shell::RecentFileList recent = Numbered(10);
    shell::RemoveRecentFile(recent, "/p3");
    EXPECT_EQ(recent, (shell::RecentFileList{"/p0", "/p1", "/p2", "/p4", "/p5", "/p6", "/p7", "/p8", "/p9", ""}));
    shell::RemoveRecentFile(recent, "/absent");
    EXPECT_EQ(recent[8], "/p9");
}

TEST(RecentFilesMenuState, ShowsUsedSlotsWithNumberedCaptions) {
    shell::RecentFileList recent = Numbered(3);
    const shell::RecentFilesMenu menu = shell::RecentFilesMenuState(recent);
    EXPECT_TRUE(menu.SubmenuVisible);
    EXPECT_TRUE(menu.SeparatorVisible);
    EXPECT_EQ(menu.Entries[0].Caption, "&1 /p0");
    EXPECT_EQ(menu.Entries[2].Caption, "&3 /p2");
    for (int i = 3; i < 10; ++i) EXPECT_FALSE(menu.Entries[static_cast<std::size_t>(i)].Visible) << i;
    EXPECT_EQ(shell::RecentFilesMenuState(Numbered(10)).Entries[9].Caption, "&10 /p9");
    EXPECT_FALSE(shell::RecentFilesMenuState({}).SeparatorVisible);
}

// ------------------------------------------------------------- viewers

TEST(ViewersBytes, TwoEntriesMakeTwentyNineBytes) {
    shell::Viewers viewers;
    ASSERT_TRUE(shell::AddViewer(viewers, "lun", "/bin/lunvw"));
    ASSERT_TRUE(shell::AddViewer(viewers, "TXT", "/bin/"));
    const std::string bytes = shell::ViewersBytes(viewers);
    EXPECT_EQ(bytes, std::string("\x02\0\0\0LUN\x0a\0/bin/lunvwTXT\x05\0/bin/", 29));
    EXPECT_EQ(shell::ParseViewers(bytes), viewers);
    EXPECT_EQ(shell::ViewersBytes({}), std::string("\0\0\0\0", 4));
}

TEST(ParseViewers, DamagedFileKeepsTheWholeRecords) {
    const std::string good = shell::ViewersBytes({{"LUN", "/bin/lunvw"}, {"TXT", "/bin/"}});
    // Every prefix gives the records that are whole in it.
    for (std::size_t len = 0; len <= good.size(); ++len) {
        const shell::Viewers v = shell::ParseViewers(std::string_view(good).substr(0, len));
        const std::size_t expected = len >= 29 ? 2 : len >= 19 ? 1 : 0;
        EXPECT_EQ(v.size(), expected) << "length " << len;
    }
    std::string huge = good;
    huge.replace(0, 4, "\xff\xff\xff\x7f", 4);
    EXPECT_EQ(shell::ParseViewers(huge).size(), 2u);
    std::string negative = good;
    negative.replace(0, 4, "\xfe\xff\xff\xff", 4);
    EXPECT_TRUE(shell::ParseViewers(negative).empty());
    // A smaller count ignores the records behind it.
    std::string one = good;
    one[0] = 1;
    EXPECT_EQ(shell::ParseViewers(one), (shell::Viewers{{"LUN", "/bin/lunvw"}}));
}

TEST(LoadViewers, MissingFileIsAnEmptyListAndSaveRoundTrips) {
    TempDir dir;
    EXPECT_TRUE(shell::LoadViewersFile(dir.file("ORVANE.VDB")).empty());
    const shell::Viewers viewers{{"LUN", "/bin/lunvw"}, {"TXT", "/usr/bin/editor"}};
    shell::SaveViewersFile(viewers, dir.file("ORVANE.VDB"));
    EXPECT_EQ(shell::LoadViewersFile(dir.file("ORVANE.VDB")), viewers);
    shell::SaveViewersFile({}, dir.file("ORVANE.VDB"));
    EXPECT_EQ(std::filesystem::file_size(dir.file("ORVANE.VDB")), 4u);
}

TEST(SaveViewers, OverlongPathLeavesTheFileAlone) {
    TempDir dir;
    shell::SaveViewersFile({{"LUN", "/a"}}, dir.file("ORVANE.VDB"));
    const shell::Viewers bad{{"TXT", std::string(70000, 'x')}};
    EXPECT_THROW(shell::SaveViewersFile(bad, dir.file("ORVANE.VDB")), archive::Error);
    EXPECT_EQ(shell::LoadViewersFile(dir.file("ORVANE.VDB")), (shell::Viewers{{"LUN", "/a"}}));
}

TEST(AddViewer, UpperCasesAndKeepsTheFirstProgram) {
    shell::Viewers viewers;
    EXPECT_TRUE(shell::AddViewer(viewers, "lun", "/first"));
    EXPECT_FALSE(shell::AddViewer(viewers, "LUN", "/second"));
    EXPECT_FALSE(shell::AddViewer(viewers, "lunx", "/third"));
    ASSERT_EQ(viewers.size(), 1u);
    EXPECT_EQ(viewers[0].Extension, "LUN");
    EXPECT_EQ(viewers[0].Path, "/first");
    EXPECT_TRUE(shell::AddViewer(viewers, "bl", "/blv"));
    EXPECT_EQ(viewers[1].Extension, "BL ");
    EXPECT_FALSE(shell::AddViewer(viewers, "BL", "/again"));
    shell::RemoveLastViewer(viewers);
    shell::RemoveLastViewer(viewers);
    shell::RemoveLastViewer(viewers);
    EXPECT_TRUE(viewers.empty());
}

TEST(ViewerForExtension, IgnoresCaseButNeedsThreeCharacters) {
    shell::Viewers viewers{{"lun", "/lunvw"}, {"BL ", "/blv"}};
    EXPECT_EQ(shell::ViewerForExtension(viewers, "Lun"), "/lunvw");
    EXPECT_EQ(viewers[0].Extension, "LUN");  // upper-cased in place
    EXPECT_EQ(shell::ViewerForExtension(viewers, "bl"), "");
    EXPECT_EQ(shell::ViewerForExtension(viewers, "xyz"), "");
    EXPECT_EQ(shell::FindViewerIndex(viewers, "LUN"), 0);
    EXPECT_EQ(shell::FindViewerIndex(viewers, "lun"), -1);
    EXPECT_EQ(shell::FindViewerIndex({}, "LUN"), -1);
}

TEST(UpperCaseLatin1, CoversTheAccentedLetters) {
    EXPECT_EQ(shell::UpperCaseLatin1("ab\xe9\xf7\xff"), "AB\xc9\xf7\xff");
}

}  // namespace

namespace {

TEST(ParseHostileInput, RandomBytesNeitherCrashNorOverreach) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        const testing_support::Bytes bytes = testing_support::RandomBytes(seed * 7 % 300, seed);
        const std::string text(bytes.begin(), bytes.end());
        const shell::Settings s = shell::ParseSettings(text);
        // Used recent slots stay a prefix whatever the text.
        bool gap = false;
        for (const std::string& path : s.RecentFiles) {
            if (path.empty()) gap = true;
            else EXPECT_FALSE(gap) << "seed " << seed;
        }
        std::size_t total = 4;
        for (const shell::ViewerEntry& v : shell::ParseViewers(text)) total += 5 + v.Path.size();
        EXPECT_LE(total, std::max<std::size_t>(text.size(), 4)) << "seed " << seed;
    }
}

}  // namespace
