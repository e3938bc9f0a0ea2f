#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>

#include "archive/archive_fixtures.h"
#include "archive/item_table_builder.h"
#include "archive/descriptions.h"
#include "archive/error.h"
#include "archive/item_operations.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "archive/save.h"
#include "support/expect_error.h"

using archive::ItemTable;
using fixtures::Bytes;
using namespace testing_support;
using testing_support::B;
using testing_support::H;
using testing_support::N;
using testing_support::P;

namespace {

ItemTable Load(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    WriteBytes(dir.file(name), bytes);
    ItemTable t;
    archive::LoadArchive(t, dir.file(name));
    return t;
}

int ErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const archive::Error& e) {
        return e.Number;
    }
    return 0;
}

// An archive with a gap between two entries that only a voice archive reads:
// A, then two hidden entries H1 H2, then B.
Bytes VoiceBytes() {
    using fixtures::EntryBytes;
    Bytes a = EntryBytes({3, 0, ToBytes("aaa")}), h1 = EntryBytes({2, 0, ToBytes("\x01h")}),
          h2 = EntryBytes({4, 0, ToBytes(std::string("\x00IFF", 4))}), b = EntryBytes({1, 0, ToBytes("b")});
    Bytes out;
    const std::int32_t table = 12;
    fixtures::PutInt32(out, table);
    fixtures::PutInt32(out, table + static_cast<std::int32_t>(a.size() + h1.size() + h2.size()));
    fixtures::PutInt32(out, table + static_cast<std::int32_t>(a.size() + h1.size() + h2.size() + b.size()));
    for (const auto* e : {&a, &h1, &h2, &b}) out.insert(out.end(), e->begin(), e->end());
    return out;
}

}  // namespace

TEST(SlotCount, RoundsHalvesToEven) {
    EXPECT_EQ(archive::SlotCountFromSlot0(4), 0);
    EXPECT_EQ(archive::SlotCountFromSlot0(6), 0);   // 0.5 -> 0
    EXPECT_EQ(archive::SlotCountFromSlot0(10), 2);  // 1.5 -> 2
    EXPECT_EQ(archive::SlotCountFromSlot0(14), 2);  // 2.5 -> 2
    EXPECT_EQ(archive::SlotCountFromSlot0(0), -1);
}

TEST(LoadArchive, TellsTheKindsApart) {
    TempDir dir;
    // Slots: A, A (pointer), 0 (blank), B, 0 (blank), end.
    Bytes a = fixtures::EntryBytes({10, 1, ToBytes("xyz")}), b = fixtures::EntryBytes({2, 0, ToBytes("bb")});
    Bytes file;
    const std::int32_t t = 24;
    for (std::int32_t v : {t, t, 0, t + static_cast<std::int32_t>(a.size()), 0,
                           t + static_cast<std::int32_t>(a.size() + b.size())})
        fixtures::PutInt32(file, v);
    file.insert(file.end(), a.begin(), a.end());
    file.insert(file.end(), b.begin(), b.end());

    ItemTable table = Load(dir, "MIX.HQR", file);
    ASSERT_EQ(table.ItemCount, 5);
    EXPECT_EQ(table.SlotCount, 5);
    EXPECT_FALSE(table.IsPointer(0));
    EXPECT_TRUE(table.IsPointer(1));
    EXPECT_EQ(table[1].RefersTo, 0);
    EXPECT_EQ(table[1].Data, ToBytes("xyz"));  // a pointer reads as its target's bytes
    EXPECT_TRUE(table[2].IsBlank);
    EXPECT_FALSE(table.IsPointer(2));
    EXPECT_TRUE(table[4].IsBlank);
    EXPECT_EQ(table[4].RefersTo, 2);  // later blanks refer to the first one
    EXPECT_EQ(table[3].Data, ToBytes("bb"));
    EXPECT_EQ(table[0].SizeText, "10");
    EXPECT_EQ(table[0].StoredSizeText, "3");
    EXPECT_EQ(table[0].TypeText, "LZSS");
    EXPECT_EQ(table[5].Offset, static_cast<std::int32_t>(file.size()));
    EXPECT_EQ(table.RecordedScript, "OPN \"" + dir.file("MIX.HQR") + "\"\r\n");
    EXPECT_EQ(table.ArchiveKey, "MIX");
}

TEST(LoadArchive, EmptyArchiveIsFourBytes) {
    TempDir dir;
    ItemTable table = Load(dir, "E.HQR", {4, 0, 0, 0});
    EXPECT_EQ(table.ItemCount, 0);
    EXPECT_EQ(table.SlotCount, 0);
}

TEST(LoadArchive, FindsRunsOfHiddenEntriesOnlyInVoiceArchives) {
    TempDir dir;
    ItemTable vox = Load(dir, "SPEECH.vox", VoiceBytes());
    EXPECT_TRUE(vox.IsVoiceArchive);
    ASSERT_EQ(vox.ItemCount, 4);
    EXPECT_EQ(vox.SlotCount, 2);
    EXPECT_FALSE(vox[0].IsHidden);
    EXPECT_TRUE(vox[1].IsHidden);
    EXPECT_TRUE(vox[2].IsHidden);
    EXPECT_EQ(vox[1].Offset, -1);
    EXPECT_EQ(vox[2].RefersTo, 2);
    EXPECT_EQ(vox[2].Data, ToBytes(std::string("\x00IFF", 4)));
    EXPECT_EQ(vox[3].Data, ToBytes("b"));
    EXPECT_FALSE(vox.IsPointer(3));

    ItemTable hqr = Load(dir, "SPEECH.HQR", VoiceBytes());
    EXPECT_FALSE(hqr.IsVoiceArchive);
    ASSERT_EQ(hqr.ItemCount, 2);
    EXPECT_EQ(hqr[1].Data, ToBytes("b"));
}

TEST(LoadArchive, LabelsHqsItems) {
    TempDir dir;
    std::vector<fixtures::RawEntry> entries(9, {1, 0, ToBytes("z")});
    entries[0].data = {1, 2};
    ItemTable t = Load(dir, "scene.hqs", fixtures::RawArchive(entries));
    EXPECT_EQ(t[0].Description, "Information file");
    EXPECT_EQ(t[0].Extension, "hqi");
    EXPECT_EQ(t[2].Extension, "bl1");
    EXPECT_EQ(t[8].Extension, "ls1");
    EXPECT_EQ(t[8].Description, "Scene file");
    EXPECT_EQ(t[7].Description, "Fablor Project file");
    EXPECT_EQ(t[5].Description, "");
}

TEST(LoadArchiveRejects, MissingFile) {
    ItemTable t;
    testing_support::ExpectError([&] { archive::LoadArchive(t, "/nonexistent/X.HQR"); }, 2144, "LoadArchive",
                                 "Specified file not found: '/nonexistent/X.HQR'");
    Bytes data;
    testing_support::ExpectError([&] { archive::ReadFromFile("/nonexistent/f", data); }, 769, "ReadFromFile",
                                 "File \"/nonexistent/f\" not found");
}

TEST(LoadArchiveRejects, DamagedFilesAndKeepsTheOpenArchive) {
    TempDir dir;
    ItemTable open = Load(dir, "GOOD.HQR", fixtures::RawArchive({{1, 0, ToBytes("g")}}));
    auto tryLoad = [&](const Bytes& bytes) {
        WriteBytes(dir.file("BAD.HQR"), bytes);
        return ErrorNumber([&] { archive::LoadArchive(open, dir.file("BAD.HQR")); });
    };
    Bytes good = fixtures::RawArchive({{3, 0, ToBytes("abc")}});

    EXPECT_NE(tryLoad({}), 0);                       // shorter than a slot
    EXPECT_NE(tryLoad({0, 0, 0, 0}), 0);             // count -1
    EXPECT_NE(tryLoad({0xF0, 0xFF, 0xFF, 0x7F}), 0);  // a table far larger than the file
    Bytes badType = good;
    badType[8 + 8] = 3;
    EXPECT_EQ(tryLoad(badType), 9);
    try {
        archive::LoadArchive(open, dir.file("BAD.HQR"));
    } catch (const archive::Error& e) {
        EXPECT_NE(e.Description.find(dir.file("BAD.HQR")), std::string::npos) << e.Description;
    }
    Bytes negativeSize = good;
    negativeSize[8 + 7] = 0x80;
    EXPECT_NE(tryLoad(negativeSize), 0);
    Bytes offsetPastEnd = good;
    offsetPastEnd[0 + 4] = 0;  // end slot stays; move slot 0's entry away
    offsetPastEnd[0] = 8;
    offsetPastEnd[1] = 1;      // slot 0 = 264 -> 65 slots in a 25-byte file
    EXPECT_NE(tryLoad(offsetPastEnd), 0);

    EXPECT_EQ(open.ItemCount, 1);
    EXPECT_EQ(open[0].Data, ToBytes("g"));
}

TEST(LoadArchiveRejects, EveryTruncationWithAnErrorNotACrash) {
    TempDir dir;
    ItemTable sample = Load(dir, "S.VOX", VoiceBytes());
    const Bytes full = VoiceBytes();
    for (std::size_t n = 0; n < full.size(); ++n) {
        Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        for (const char* name : {"T.VOX", "T.HQR"}) {
            WriteBytes(dir.file(name), prefix);
            ItemTable t;
            try {
                archive::LoadArchive(t, dir.file(name));
            } catch (const archive::Error& e) {
                EXPECT_FALSE(e.Description.empty());
            }
        }
    }
}

TEST(LoadArchiveRejects, ForgedTablesWithoutAbsurdAllocations) {
    TempDir dir;
    // 5000 entries 10 bytes apart, each claiming the rest of the file as its
    // stored bytes: 125 MB of data from a 70 KB file.
    const std::int32_t slots = 5000, table = (slots + 1) * 4, end = table + 10 * slots;
    Bytes file;
    for (std::int32_t s = 0; s < slots; ++s) fixtures::PutInt32(file, table + 10 * s);
    fixtures::PutInt32(file, end);
    for (std::int32_t s = 0; s < slots; ++s) {
        fixtures::PutInt32(file, 0);
        fixtures::PutInt32(file, end - (table + 10 * s + 10));
        fixtures::PutInt16(file, 0);
    }
    WriteBytes(dir.file("F.HQR"), file);
    ItemTable t;
    EXPECT_NE(ErrorNumber([&] { archive::LoadArchive(t, dir.file("F.HQR")); }), 0);
}

TEST(SaveArchive, WritesTheLayoutOfEveryKind) {
    ItemTable t = BuildTable({N("AAAA"), P(0), B(), N("B")});
    t[3].CompressionType = 2;
    t[3].DecompressedSize = 9;
    Bytes out = archive::SerializeArchive(t);
    Bytes expected;
    for (std::int32_t v : {20, 20, 0, 34, 45}) fixtures::PutInt32(expected, v);
    auto a = fixtures::EntryBytes({4, 0, ToBytes("AAAA")}), b = fixtures::EntryBytes({9, 2, ToBytes("B")});
    expected.insert(expected.end(), a.begin(), a.end());
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(out, expected);

    archive::NewArchive(t);
    EXPECT_EQ(archive::SerializeArchive(t), (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(t.RecordedScript, "NEW\r\n");
}

TEST(SaveArchive, LoadThenSaveIsByteIdentical) {
    TempDir dir;
    for (const char* name : {"V.VOX", "V.HQR"}) {
        WriteBytes(dir.file(name), VoiceBytes());
        ItemTable t;
        archive::LoadArchive(t, dir.file(name));
        if (std::string(name) == "V.VOX") { EXPECT_EQ(archive::SerializeArchive(t), VoiceBytes()); }
    }
    Bytes mixed;
    {
        ItemTable t = BuildTable({N("one"), B(), P(0), N(""), B()});
        t[0].CompressionType = t[2].CompressionType = 1;
        t[0].DecompressedSize = t[2].DecompressedSize = 7;
        mixed = archive::SerializeArchive(t);
    }
    ItemTable back = Load(dir, "M.HQR", mixed);
    EXPECT_EQ(archive::SerializeArchive(back), mixed);
}

TEST(SaveArchive, KeepsABackupBesideTheArchive) {
    TempDir dir;
    const std::string path = dir.file("RESS.HQR");
    WriteBytes(path, VoiceBytes());
    ItemTable t;
    archive::NewArchive(t);
    std::string backup = archive::SaveArchive(t, path);
    EXPECT_TRUE(std::regex_match(backup, std::regex(".*/RESS\\.HQR\\.[1-9][0-9]{7}\\.BAK")));
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), dir.path());
    EXPECT_EQ(ReadBytes(backup), VoiceBytes());
    EXPECT_EQ(ReadBytes(path), (Bytes{4, 0, 0, 0}));
    // Nothing else is left in the folder: no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);

    EXPECT_TRUE(archive::SaveArchive(t, dir.file("NEW.HQR")).empty());
    EXPECT_TRUE(std::regex_match(archive::BackupName("A.OVS"), std::regex("A\\.OVS\\.[1-9][0-9]{7}\\.BAK")));
}

TEST(SaveArchiveRefuses, ABlankOrHiddenFirstItemAndWritesNothing) {
    TempDir dir;
    const std::string path = dir.file("KEEP.HQR");
    WriteBytes(path, VoiceBytes());
    for (int kind = 0; kind < 2; ++kind) {
        ItemTable t = BuildTable({kind == 0 ? B() : H("h"), N("n")});
        EXPECT_EQ(ErrorNumber([&] { archive::SaveArchive(t, path); }), 5);
        EXPECT_EQ(ReadBytes(path), VoiceBytes());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

TEST(SaveArchiveRefuses, AFolderThatDoesNotExist) {
    ItemTable t;
    archive::NewArchive(t);
    EXPECT_EQ(ErrorNumber([&] { archive::SaveArchive(t, "/nonexistent-folder/A.HQR"); }), 75);
}

// However many pointers share a large item, the archive loads back.
TEST(SaveArchive, ManyPointersToALargeItemLoadBack) {
    TempDir dir;
    ItemTable t = BuildTable({N(std::string(1 << 20, 'q'))});
    archive::AddMultiplePointers(t, 1, 0, 100);
    const Bytes written = archive::SerializeArchive(t);
    ItemTable back = Load(dir, "P.HQR", written);
    ASSERT_EQ(back.ItemCount, 101);
    EXPECT_EQ(back[100].RefersTo, 0);
    EXPECT_EQ(back[100].Data, t[0].Data);
    EXPECT_EQ(archive::SerializeArchive(back), written);
}

// Whatever the table, what SaveArchive writes loads back with every item's
// bytes: the indexed items in their slots, the hidden entries (in a voice
// archive) in their order. A pointer that has no earlier slot to repeat comes
// back as an item of its own; a hidden entry behind a blank or a pointer comes
// back in front of it (the file cannot tell the two orders apart).
TEST(SaveArchive, EveryWrittenArchiveLoadsBack) {
    TempDir dir;
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        auto randomText = [&](std::size_t n) {
            Bytes b = RandomBytes(n, rng());
            return std::string(b.begin(), b.end());
        };
        std::vector<ItemSpec> items{N(randomText(rng() % 20))};
        const int n = 1 + static_cast<int>(rng() % 12);
        for (int i = 1; i < n; ++i) {
            switch (rng() % 4) {
                case 0: items.push_back(N(randomText(rng() % 20))); break;
                case 1: items.push_back(B()); break;
                case 2: items.push_back(H(randomText(1 + rng() % 9))); break;
                default: break;
            }
        }
        ItemTable t = BuildTable(items);
        t[0].CompressionType = static_cast<std::int16_t>(rng() % 3);
        // Pointers to any item, earlier or later, hidden or not.
        const auto built = static_cast<std::int32_t>(t.ItemCount);
        for (int p = static_cast<int>(rng() % 4); p > 0; --p) {
            auto at = static_cast<std::int32_t>(1 + rng() % built);
            auto target = static_cast<std::int32_t>(rng() % built);
            if (t.Records[target].IsBlank) continue;
            archive::ItemRecord ptr = t.Records[target];
            ptr.IsHidden = false;
            t.Records.insert(t.Records.begin() + at, ptr);
            for (auto& r : t.Records) r.RefersTo += (r.RefersTo >= at) ? 1 : 0;
            t.Records[at].RefersTo = target >= at ? target + 1 : target;
            ++t.ItemCount;
            ++t.SlotCount;
        }

        const Bytes written = archive::SerializeArchive(t);
        for (const char* name : {"R.VOX", "R.HQR"}) {
            const bool voice = name[2] == 'V';
            ItemTable back = Load(dir, name, written);
            std::vector<Bytes> indexed, indexedBack, hidden, hiddenBack;
            std::vector<bool> blank, blankBack;
            for (std::int32_t i = 0; i < t.ItemCount; ++i) {
                (t[i].IsHidden ? hidden : indexed).push_back(t[i].Data);
                if (!t[i].IsHidden) blank.push_back(t[i].IsBlank);
            }
            for (std::int32_t i = 0; i < back.ItemCount; ++i) {
                (back[i].IsHidden ? hiddenBack : indexedBack).push_back(back[i].Data);
                if (!back[i].IsHidden) blankBack.push_back(back[i].IsBlank);
            }
            std::string shape;
            for (std::int32_t i = 0; i < t.ItemCount; ++i)
                shape += t[i].IsBlank ? "B" : t[i].IsHidden ? "H" : t.IsPointer(i) ? "P" + std::to_string(t[i].RefersTo) : "N";
            ASSERT_EQ(indexedBack, indexed) << "round " << round << " " << name << " " << shape;
            EXPECT_EQ(blankBack, blank);
            if (voice) {
                EXPECT_EQ(hiddenBack, hidden) << "round " << round << " " << shape;
                std::string backShape;
                for (std::int32_t i = 0; i < back.ItemCount; ++i)
                    backShape += back[i].IsBlank ? "B" : back[i].IsHidden ? "H" : back.IsPointer(i) ? "P" + std::to_string(back[i].RefersTo) : "N";
                EXPECT_EQ(archive::SerializeArchive(back), written) << "round " << round << " " << shape << " -> " << backShape;
            }
        }
    }
}

TEST(Descriptions, KeysComeFromTheFileName) {
    EXPECT_EQ(archive::ArchiveKeyFor("/games/data/ress.hqr"), "RESS");
    EXPECT_EQ(archive::ArchiveKeyFor("C:\\GAME\\harbour.ile"), "HARBOU_I");
    EXPECT_EQ(archive::ArchiveKeyFor("/x/ANIM.OBL"), "ANIM_O");
    EXPECT_EQ(archive::ArchiveKeyFor("/a.b/noext"), "NOEXT");
    EXPECT_EQ(archive::ArchiveKeyFor("/a.b/two.dots.vox"), "TWO.DOTS");
    EXPECT_EQ(archive::DescriptionFileName("RESS", 220), "RESS1.INF");
    EXPECT_EQ(archive::DescriptionFileName("RESS", 224), "RESS2.INF");
    EXPECT_EQ(archive::DescriptionFileName("TEXT", 724), "TEXT2.INF");
    EXPECT_EQ(archive::DescriptionFileName("TEXT", 1), "TEXT1J.INF");
    EXPECT_EQ(archive::DescriptionFileName("ANIM_I", 2068), "ANIM_I.INF");
}

TEST(Descriptions, ChosenByKeyAndSlotZeroAndSkipBlankRecords) {
    TempDir program, data;
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(program.path().string());
    std::filesystem::create_directory(program.path() / "FILEINFO");
    WriteBytes(program.path() / "FILEINFO" / "RESS1.INF",
               ToBytes("First edition\r\nhqr\tItem zero\r\n\r\nno tab line\r\n../x/pcx\tItem two\r\nraw\tEnd\r\nextra\tline\r\n"));
    WriteBytes(program.path() / "FILEINFO" / "RESS2.INF", ToBytes("Second edition"));

    // 54 slots (slot 0 = 220) with item 1 blank.
    std::vector<fixtures::RawEntry> entries(54, {1, 0, ToBytes("q")});
    Bytes file = fixtures::RawArchive(entries);
    file[4] = file[5] = file[6] = file[7] = 0;
    ItemTable t = Load(data, "ress.hqr", file);
    EXPECT_EQ(t.ArchiveTitle, "First edition");
    EXPECT_EQ(t[0].Description, "Item zero");
    EXPECT_EQ(t[1].Description, "");
    EXPECT_EQ(t[2].Description, "Item two");
    EXPECT_EQ(t[2].Extension, "..xpcx");
    EXPECT_EQ(t[3].Extension, "raw");

    std::vector<fixtures::RawEntry> other(55, {1, 0, ToBytes("q")});
    ItemTable u = Load(data, "RESS.HQR", fixtures::RawArchive(other));
    EXPECT_EQ(u.ArchiveTitle, "Second edition");
    EXPECT_EQ(u[0].Extension, "");

    // Opening an archive without a description file shows no stale title.
    ItemTable v = Load(data, "OTHER.HQR", fixtures::RawArchive(other));
    EXPECT_EQ(v.ArchiveTitle, "");
    archive::SetProgramDirectory(saved);
}
