#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "archive/error.h"
#include "support/test_support.h"

namespace {

using shell::Settings;
using testing_support::TempDir;

constexpr const char* kFullFile =
    "[General]\r\nItemsIndexTarvoDeCOMP=1\r\nGridLines=0\r\nColumnsReordering=1\r\nRowsSelection=0\r\n"
    "EnableCOptions=1\r\n\r\n[Compression]\r\nCType1Algorithm=1\r\nCType2Algorithm=3\r\nDecAlgorithm=2\r\n\r\n"
    "[RecentFiles]\r\n/data/A.HQR\r\n/data/B.VOX\r\n";

Settings FullSettings() {
    Settings s;
    s.ItemsIndexTarvoDeCOMP = s.ColumnsReordering = s.EnableCOptions = true;
    s.CType1Algorithm = 1;
    s.CType2Algorithm = 3;
    s.DecAlgorithm = 2;
    s.RecentFiles[0] = "/data/A.HQR";
    s.RecentFiles[1] = "/data/B.VOX";
    return s;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

TEST(Settings, TextRoundTripsByteForByte) {
    EXPECT_EQ(shell::SettingsText(FullSettings()), kFullFile);
    std::string lf, cr;  // a lone LF or CR ends a line too, the last line needs none
    for (char c : std::string(kFullFile)) {
        if (c != '\r') lf += c;
        if (c != '\n') cr += c;
    }
    for (const std::string& text : {std::string(kFullFile), lf, cr, lf.substr(0, lf.size() - 1)})
        EXPECT_EQ(shell::ParseSettings(text), FullSettings());
    Settings odd;  // paths that could not be read back are skipped
    odd.RecentFiles[0] = "/odd\nname.HQR";
    odd.RecentFiles[1] = "/b.HQR";
    const std::string text = shell::SettingsText(odd);
    EXPECT_EQ(text.substr(text.find("[RecentFiles]")), "[RecentFiles]\r\n/b.HQR\r\n");
}

// The compression settings reach the operations, each as its own method.
TEST(Settings, MethodsTakeEachAlgorithmSetting) {
    const archive::MethodSettings m = shell::MethodSettingsOf(FullSettings());
    EXPECT_EQ(std::tie(m.CType1Algorithm, m.CType2Algorithm, m.DecAlgorithm), std::tuple(1, 3, 2));
}

// The drag-and-drop flag takes the empty line 6 only when on: readers that
// skip line 6 see the same settings, and off leaves the file as it was.
TEST(Settings, DragDropFillsOnlyLineSix) {
    Settings s = FullSettings();
    s.EnableDragDrop = true;
    const std::string expected = Replaced(kFullFile, "\r\n\r\n[Compression]", "\r\nEnableDragDrop=1\r\n[Compression]");
    EXPECT_EQ(shell::SettingsText(s), expected);
    EXPECT_EQ(shell::ParseSettings(expected), s);
}

shell::RecentFileList Numbered(int count) {
    shell::RecentFileList recent;
    for (int i = 0; i < count; ++i) recent[static_cast<std::size_t>(i)] = "/p" + std::to_string(i);
    return recent;
}

TEST(RecentFiles, MoveToTheTopDropTheOldestAndCloseGaps) {
    shell::RecentFileList recent = Numbered(10);
    shell::AddRecentFile(recent, "/p4");
    EXPECT_EQ(recent, (shell::RecentFileList{"/p4", "/p0", "/p1", "/p2", "/p3", "/p5", "/p6", "/p7", "/p8", "/p9"}));
    shell::AddRecentFile(recent, "/new");
    EXPECT_EQ(recent, (shell::RecentFileList{"/new", "/p4", "/p0", "/p1", "/p2", "/p3", "/p5", "/p6", "/p7", "/p8"}));
    shell::RemoveRecentFile(recent, "/p2");
    shell::RemoveRecentFile(recent, "/absent");
    EXPECT_EQ(recent, (shell::RecentFileList{"/new", "/p4", "/p0", "/p1", "/p3", "/p5", "/p6", "/p7", "/p8", ""}));
    recent = {};
    shell::AddRecentFile(recent, "C:\\A.HQR");
    shell::AddRecentFile(recent, "c:\\a.hqr");  // case matters
    EXPECT_EQ(recent, (shell::RecentFileList{"c:\\a.hqr", "C:\\A.HQR"}));
    const shell::RecentFilesMenu menu = shell::RecentFilesMenuState(Numbered(3));
    EXPECT_TRUE(menu.SubmenuVisible && menu.SeparatorVisible);
    EXPECT_EQ(menu.Entries[2].Caption, "&3 /p2");
    EXPECT_FALSE(menu.Entries[3].Visible);
    EXPECT_EQ(shell::RecentFilesMenuState(Numbered(10)).Entries[9].Caption, "&10 /p9");
    EXPECT_FALSE(shell::RecentFilesMenuState({}).SeparatorVisible);
}

TEST(Viewers, BytesRoundTripAndDamagedFilesKeepWholeRecords) {
    shell::Viewers viewers;
    ASSERT_TRUE(shell::AddViewer(viewers, "lun", "/bin/lunvw"));
    ASSERT_TRUE(shell::AddViewer(viewers, "TXT", "/bin/"));
    const std::string good = shell::ViewersBytes(viewers);
    EXPECT_EQ(good, std::string("\x02\0\0\0LUN\x0a\0/bin/lunvwTXT\x05\0/bin/", 29));
    for (std::size_t len = 0; len <= good.size(); ++len) {
        const std::size_t whole = len >= 29 ? 2 : len >= 19 ? 1 : 0;
        EXPECT_EQ(shell::ParseViewers(good.substr(0, len)), shell::Viewers(viewers.begin(), viewers.begin() + whole));
    }
    EXPECT_EQ(shell::ParseViewers(Replaced(good, std::string("\x02\0\0\0", 4), "\xff\xff\xff\x7f")), viewers);
    EXPECT_TRUE(shell::ParseViewers(Replaced(good, std::string("\x02\0\0\0", 4), "\xfe\xff\xff\xff")).empty());
    EXPECT_EQ(shell::ParseViewers(Replaced(good, std::string("\x02\0\0\0", 4), std::string("\x01\0\0\0", 4))),
              shell::Viewers(viewers.begin(), viewers.begin() + 1));
    TempDir dir;
    EXPECT_TRUE(shell::LoadViewersFile(dir.file("ORVANE.VDB")).empty());
    shell::SaveViewersFile(viewers, dir.file("ORVANE.VDB"));
    EXPECT_EQ(shell::LoadViewersFile(dir.file("ORVANE.VDB")), viewers);
    EXPECT_THROW(shell::SaveViewersFile({{"TXT", std::string(70000, 'x')}}, dir.file("ORVANE.VDB")), archive::Error);
    EXPECT_EQ(shell::LoadViewersFile(dir.file("ORVANE.VDB")), viewers);  // the overlong path left it alone
}

}  // namespace
