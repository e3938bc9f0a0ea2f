#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "archive/descriptions.h"
#include "archive/error.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "archive/save.h"
#include "item_table_builder.h"
#include "support/expect_error.h"

using archive::ItemTable;
using namespace testing_support;

namespace {

ItemTable Load(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    WriteBytes(dir.file(name), bytes);
    ItemTable t;
    archive::LoadArchive(t, dir.file(name));
    return t;
}

// An archive with a gap between two entries that only a voice archive reads:
// A, then two hidden entries H1 H2, then B.
Bytes VoiceBytes() {
    Bytes a = EntryBytes(3, 0, ToBytes("aaa")), h1 = EntryBytes(2, 0, ToBytes("\x01h")),
          h2 = EntryBytes(4, 0, ToBytes(std::string("\x00IFF", 4))), b = EntryBytes(1, 0, ToBytes("b"));
    Bytes out;
    PutInt32(out, 12);
    PutInt32(out, 12 + static_cast<std::int32_t>(a.size() + h1.size() + h2.size()));
    PutInt32(out, 12 + static_cast<std::int32_t>(a.size() + h1.size() + h2.size() + b.size()));
    for (const auto* e : {&a, &h1, &h2, &b}) out.insert(out.end(), e->begin(), e->end());
    return out;
}

std::string Shape(const ItemTable& t) {
    std::string shape;
    for (std::int32_t i = 0; i < t.ItemCount; ++i)
        shape += t[i].IsBlank ? "B" : t[i].IsHidden ? "H" : t.IsPointer(i) ? "P" + std::to_string(t[i].RefersTo) : "N";
    return shape;
}

}  // namespace

TEST(SlotCount, RoundsHalvesToEven) {
    for (const auto& [slot0, count] : {std::pair{4, 0}, {6, 0}, {10, 2}, {14, 2}, {0, -1}})
        EXPECT_EQ(archive::SlotCountFromSlot0(slot0), count) << slot0;
}

TEST(LoadArchive, TellsTheKindsApart) {
    TempDir dir;
    // Slots: A, A (pointer), 0 (blank), B, 0 (blank), end.
    const Bytes a = EntryBytes(10, 1, ToBytes("xyz")), b = EntryBytes(2, 0, ToBytes("bb"));
    Bytes file;
    const auto sa = static_cast<std::int32_t>(a.size()), sb = static_cast<std::int32_t>(b.size());
    for (std::int32_t v : {24, 24, 0, 24 + sa, 0, 24 + sa + sb}) PutInt32(file, v);
    file.insert(file.end(), a.begin(), a.end());
    file.insert(file.end(), b.begin(), b.end());
    ItemTable table = Load(dir, "MIX.HQR", file);
    EXPECT_EQ(Shape(table), "NP0BNB");
    EXPECT_EQ(table.SlotCount, 5);
    EXPECT_EQ(table[1].Data, ToBytes("xyz"));  // a pointer reads as its target's bytes
    EXPECT_EQ(table[4].RefersTo, 2);           // later blanks refer to the first one
    EXPECT_EQ(table[0].SizeText + " " + table[0].StoredSizeText + " " + table[0].TypeText, "10 3 LZSS");
    EXPECT_EQ(table.RecordedScript, "OPN \"" + dir.file("MIX.HQR") + "\"\r\n");
    EXPECT_EQ(table.ArchiveKey, "MIX");
    EXPECT_EQ(Load(dir, "E.HQR", {4, 0, 0, 0}).ItemCount, 0);
}

TEST(LoadArchive, FindsRunsOfHiddenEntriesOnlyInVoiceArchives) {
    TempDir dir;
    ItemTable vox = Load(dir, "SPEECH.vox", VoiceBytes());
    EXPECT_EQ(Shape(vox), "NHHN");
    EXPECT_EQ(vox.SlotCount, 2);
    EXPECT_EQ(vox[2].Data, ToBytes(std::string("\x00IFF", 4)));
    EXPECT_EQ(vox[3].Data, ToBytes("b"));
    ItemTable hqr = Load(dir, "SPEECH.HQR", VoiceBytes());
    EXPECT_EQ(Shape(hqr), "NN");
    EXPECT_EQ(hqr[1].Data, ToBytes("b"));
}

TEST(LoadArchiveRejects, MissingAndDamagedFilesAndKeepsTheOpenArchive) {
    ItemTable open;
    ExpectError([&] { archive::LoadArchive(open, "/nonexistent/X.HQR"); }, 2144, "LoadArchive",
                "Specified file not found: '/nonexistent/X.HQR'");
    Bytes data;
    ExpectError([&] { archive::ReadFromFile("/nonexistent/f", data); }, 769, "ReadFromFile",
                "File \"/nonexistent/f\" not found");
    TempDir dir;
    open = Load(dir, "GOOD.HQR", RawArchive({EntryBytes(1, 0, ToBytes("g"))}));
    const Bytes good = RawArchive({EntryBytes(3, 0, ToBytes("abc"))});
    Bytes badType = good, negativeSize = good, tableTooLarge = good;
    badType[16] = 3;
    negativeSize[15] = 0x80;
    tableTooLarge[0] = 8;
    tableTooLarge[1] = 1;  // slot 0 = 264 -> 65 slots in a 25-byte file
    const std::pair<Bytes, int> cases[] = {{{}, 62}, {{0, 0, 0, 0}, 6}, {{0xF0, 0xFF, 0xFF, 0x7F}, 6},
                                           {badType, 9}, {negativeSize, 62}, {tableTooLarge, 6}};
    for (const auto& [bytes, number] : cases) {
        WriteBytes(dir.file("BAD.HQR"), bytes);
        const archive::Error e = ErrorOf([&] { archive::LoadArchive(open, dir.file("BAD.HQR")); });
        EXPECT_EQ(e.Number, number);
        EXPECT_NE(e.Description.find(dir.file("BAD.HQR")), std::string::npos) << e.Description;
    }
    EXPECT_EQ(open[0].Data, ToBytes("g"));
}

TEST(SaveArchive, WritesTheLayoutOfEveryKind) {
    ItemTable t = BuildTable({N("AAAA"), P(0), B(), N("B")});
    t[3].CompressionType = 2;
    t[3].DecompressedSize = 9;
    Bytes expected;
    for (std::int32_t v : {20, 20, 0, 34, 45}) PutInt32(expected, v);
    for (const Bytes& e : {EntryBytes(4, 0, ToBytes("AAAA")), EntryBytes(9, 2, ToBytes("B"))})
        expected.insert(expected.end(), e.begin(), e.end());
    EXPECT_EQ(archive::SerializeArchive(t), expected);
    archive::NewArchive(t);
    EXPECT_EQ(archive::SerializeArchive(t), (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(t.RecordedScript, "NEW\r\n");
}

TEST(SaveArchive, KeepsABackupBesideTheArchive) {
    TempDir dir;
    const std::string path = dir.file("RESS.HQR");
    WriteBytes(path, VoiceBytes());
    ItemTable t;
    archive::NewArchive(t);
    const std::string backup = archive::SaveArchive(t, path);
    EXPECT_TRUE(std::regex_match(backup, std::regex(".*/RESS\\.HQR\\.[1-9][0-9]{7}\\.BAK")));
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), dir.path());
    EXPECT_EQ(ReadBytes(backup), VoiceBytes());
    EXPECT_EQ(ReadBytes(path), (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary file
    EXPECT_TRUE(archive::SaveArchive(t, dir.file("NEW.HQR")).empty());
}

TEST(Descriptions, KeysAndFileNames) {
    const std::pair<std::string, std::string> keys[] = {
        {"C:\\GAME\\harbour.ile", "HARBOU_I"}, {"/a.b/noext", "NOEXT"}, {"/a.b/two.dots.vox", "TWO.DOTS"}};
    for (const auto& [path, key] : keys) EXPECT_EQ(archive::ArchiveKeyFor(path), key);
    const std::tuple<std::string, int, std::string> files[] = {
        {"RESS", 224, "RESS2.INF"}, {"TEXT", 1, "TEXT1J.INF"}, {"ANIM_I", 2068, "ANIM_I.INF"}};
    for (const auto& [key, slot0, file] : files) EXPECT_EQ(archive::DescriptionFileName(key, slot0), file);
}

// An .HQS archive labels its fixed items; the library's and the scene's
// extensions end in a suffix from item 0's first byte.
TEST(Descriptions, HqsItemsAreLabelled) {
    TempDir data;
    std::vector<Bytes> items(9, EntryBytes(1, 0, ToBytes("q")));
    items[0] = EntryBytes(1, 0, Bytes{2});
    const ItemTable t = Load(data, "scene.hqs", RawArchive(items));
    std::string got;
    for (int i : {0, 1, 2, 3, 4, 5, 7, 8}) got += t[i].Extension + " " + t[i].Description + "|";
    EXPECT_EQ(got, "hqi Information file|txt Description file|bl2 Library|gri Grid|pal Palette| |scp Fablor Project file|"
                   "ls2 Scene file|");
}

TEST(Descriptions, ChosenByKeyAndSlotZeroAndSkipBlankRecords) {
    TempDir program, data;
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(program.path().string());
    std::filesystem::create_directory(program.path() / "FILEINFO");
    WriteBytes(program.path() / "FILEINFO" / "RESS1.INF",
               ToBytes("First edition\r\nhqr\tItem zero\r\n\r\nno tab line\r\n../x/pcx\tItem two\r\nraw\tEnd\tmore\r\n"));
    WriteBytes(program.path() / "FILEINFO" / "RESS2.INF", ToBytes("Second edition"));
    // 54 slots (slot 0 = 220) with item 1 blank.
    Bytes file = RawArchive(std::vector<Bytes>(54, EntryBytes(1, 0, ToBytes("q"))));
    file[4] = file[5] = file[6] = file[7] = 0;
    ItemTable t = Load(data, "ress.hqr", file);
    EXPECT_EQ(t.ArchiveTitle, "First edition");
    EXPECT_EQ(t[0].Description, "Item zero");
    EXPECT_EQ(t[1].Description, "");
    EXPECT_EQ(t[2].Description + " " + t[2].Extension, "Item two ..xpcx");
    EXPECT_EQ(t[3].Extension + " " + t[3].Description, "raw End");  // a third field is no part of it
    const Bytes other = RawArchive(std::vector<Bytes>(55, EntryBytes(1, 0, ToBytes("q"))));
    EXPECT_EQ(Load(data, "RESS.HQR", other).ArchiveTitle, "Second edition");
    EXPECT_EQ(Load(data, "OTHER.HQR", other).ArchiveTitle, "");  // no stale title
    archive::SetProgramDirectory(saved);
}
