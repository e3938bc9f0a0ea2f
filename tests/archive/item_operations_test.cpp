#include "archive/item_operations.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "archive/save.h"
#include "item_table_builder.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using archive::ItemTable;
using testing_support::B;
using testing_support::BuildTable;
using testing_support::H;
using testing_support::N;
using testing_support::P;
using testing_support::RefersTos;
using testing_support::SameTable;
using testing_support::Text;
using testing_support::ToBytes;
using V = std::vector<std::int32_t>;

const archive::MethodSettings kTarvo;

// Runs op on a copy of table and checks that it raises number, source and
// description, and that the table is untouched.
void ExpectError(const ItemTable& table, const std::function<void(ItemTable&)>& op, int number,
                 const std::string& source, const std::string& description) {
    ItemTable copy = table;
    testing_support::ExpectError([&] { op(copy); }, number, source, description);
    EXPECT_TRUE(SameTable(copy, table)) << "table changed by a failing " << source;
}

class ItemOperationsWithFiles : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& content) { return dir.write(name, content); }
    testing_support::TempDir dir;
};

TEST(OpenSlotRenumbering, AddingAtZeroMovesPointersWithTheirTarget) {
    testing_support::TempDir dir;
    std::string file = dir.file("new.bin");
    testing_support::WriteBytes(file, ToBytes("fresh"));
    ItemTable t = BuildTable({N("aaa"), P(0), B()});
    archive::AddItem(t, 0, file, 0, kTarvo);
    EXPECT_EQ(t.ItemCount, 4);
    EXPECT_EQ(t.SlotCount, 4);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 1, 3, 4}));
    EXPECT_EQ(Text(t[0].Data), "fresh");
    EXPECT_EQ(Text(t[2].Data), "aaa");
    EXPECT_TRUE(t[3].IsBlank);
}

TEST(OpenSlotRenumbering, BlankItemsInsertedInTheMiddle) {
    ItemTable t = BuildTable({N("a"), N("b"), P(1)});
    archive::AddMultipleBlankItems(t, 1, 2);
    EXPECT_EQ(t.ItemCount, 5);
    EXPECT_EQ(t.SlotCount, 5);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2, 3, 3, 5}));
    EXPECT_TRUE(t[1].IsBlank && t[2].IsBlank);
    EXPECT_EQ(t[1].SizeText, "");
    EXPECT_EQ(Text(t[4].Data), "b");
}

TEST(AddPointerNumbering, TargetIsReadAfterTheInsertion) {
    // Below the position: the item the user saw under that number.
    ItemTable t = BuildTable({N("a"), N("b"), N("c")});
    archive::AddPointer(t, 2, 0);
    EXPECT_EQ(t[2].RefersTo, 0);
    EXPECT_EQ(Text(t[2].Data), "a");
    EXPECT_TRUE(t.IsPointer(2));

    // Above the position: the item that was numbered one lower.
    t = BuildTable({N("a"), N("b"), N("c")});
    archive::AddPointer(t, 0, 2);
    EXPECT_EQ(t[0].RefersTo, 2);
    EXPECT_EQ(Text(t[0].Data), "b");

    // At the position: a normal copy of the item that was there.
    t = BuildTable({N("a"), N("b", "pal")});
    archive::AddPointer(t, 1, 1);
    EXPECT_FALSE(t.IsPointer(1));
    EXPECT_EQ(Text(t[1].Data), "b");
    EXPECT_EQ(t[1].Extension, "pal");
    EXPECT_EQ(t[1].Description, "");
}

TEST(AddPointerNumbering, MultiplePointersAllShareOneTarget) {
    ItemTable t = BuildTable({N("a"), N("b")});
    archive::AddMultiplePointers(t, 2, 0, 3);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 0, 0, 0, 5}));
    EXPECT_EQ(t.SlotCount, 5);
    archive::AddMultiplePointers(t, 0, 0, 0);
    EXPECT_EQ(t.ItemCount, 5);
}

TEST(RemoveItemHandsOverShares, FirstLaterSharerTakesTheBytes) {
    ItemTable t = BuildTable({N("a"), N("shared"), P(1), N("c"), P(1)});
    archive::RemoveItem(t, 1);
    EXPECT_EQ(t.ItemCount, 4);
    EXPECT_EQ(t.SlotCount, 4);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2, 1, 4}));
    EXPECT_EQ(Text(t[1].Data), "shared");
    EXPECT_EQ(Text(t[3].Data), "shared");
}

TEST(RemoveItemHandsOverShares, AnEarlierPointerKeepsItsBytes) {
    ItemTable t = BuildTable({N("a"), N("b"), N("c")});
    archive::AddPointer(t, 0, 2);  // record 0 refers forward to "b"
    ASSERT_EQ(t[0].RefersTo, 2);
    ASSERT_EQ(Text(t[0].Data), "b");
    ItemTable removed = t;
    archive::RemoveItem(removed, 2);
    EXPECT_EQ(RefersTos(removed), (V{0, 1, 2, 3}));
    EXPECT_EQ(Text(removed[0].Data), "b");
    // Blanking the target must not blank the pointer in the saved file.
    archive::ChangeItemType(t, 2);
    EXPECT_EQ(t[0].RefersTo, 0);
    EXPECT_NE(Text(archive::SerializeArchive(t)).find("b"), std::string::npos);
}

TEST(RemoveMarkedItems, RemovesEachMarkedItemOnce) {
    ItemTable t = BuildTable({N("0"), N("1"), N("2"), N("3"), N("4"), N("5"), N("6")});
    t[2].Marked = true;
    t[5].Marked = true;
    archive::RemoveMarkedItems(t);
    ASSERT_EQ(t.ItemCount, 5);
    std::string left;
    for (int i = 0; i < t.ItemCount; ++i) left += Text(t[i].Data);
    EXPECT_EQ(left, "01346");
}

TEST(VoiceArchiveMarkers, RemovingTheLastHiddenItemEndsTheRunBefore) {
    ItemTable t = BuildTable({N("n0"), H("\x01" "IFFone"), H(std::string("\0IFFtwo", 7)), N("n3")});
    ASSERT_EQ(t.SlotCount, 2);
    const ItemTable copy = t;
    archive::RemoveItem(t, 2);
    EXPECT_EQ(t.SlotCount, 2);
    EXPECT_EQ(t.ItemCount, 3);
    EXPECT_EQ(t[1].Data[0], archive::kMarkerRunEnds);
    EXPECT_EQ(Text(copy[1].Data), "\x01" "IFFone");  // a copy of the table keeps its bytes
}

TEST(VoiceArchiveMarkers, RemovingInsideARunRestoresTheLetter) {
    ItemTable t = BuildTable({N("n0"), H("\x01" "IFFa"), H("\x01" "xyz"), H(std::string("\0tail", 5)), N("n4")});
    archive::RemoveItem(t, 2);
    EXPECT_EQ(t[1].Data[0], 'R');
    t = BuildTable({N("n0"), H("\x01" "abc"), H("\x01" "xyz"), H(std::string("\0tail", 5)), N("n4")});
    archive::RemoveItem(t, 2);
    EXPECT_EQ(t[1].Data[0], 'C');
}

TEST_F(ItemOperationsWithFiles, ReplacingBeforeAHiddenItemMarksTheNewBytes) {
    std::string wave = File("w.wav", "RIFFdata");
    ItemTable t = BuildTable({N("n0"), H("\x01" "IFFa"), N("n2")});
    archive::ReplaceItemWithFile(t, 0, wave, 0, kTarvo);
    EXPECT_EQ(t[0].Data[0], archive::kMarkerHiddenFollows);
    archive::ReplaceItemWithFile(t, 1, wave, 0, kTarvo);
    EXPECT_EQ(t[1].Data[0], archive::kMarkerRunEnds);
    EXPECT_TRUE(t[1].IsHidden);
    archive::ReplaceItemWithFile(t, 2, wave, 0, kTarvo);
    EXPECT_EQ(Text(t[2].Data), "RIFFdata");
    EXPECT_EQ(t[2].SourceFile, wave);
    EXPECT_EQ(t[2].Extension, "WAV");
}

TEST_F(ItemOperationsWithFiles, ReplacingAPointerMakesItANormalItem) {
    std::string file = File("new.dat", std::string(400, 'n'));
    ItemTable t = BuildTable({N("old"), P(0), N("c")});
    archive::ReplaceItemWithFile(t, 1, file, 2, kTarvo);
    EXPECT_FALSE(t.IsPointer(1));
    EXPECT_EQ(t[1].CompressionType, 2);
    EXPECT_EQ(t[1].DecompressedSize, 400);
    EXPECT_EQ(t[1].TypeText, "LZMIT");
    // The saved file carries the new bytes under the item's own slot.
    archive::Bytes saved = archive::SerializeArchive(t);
    EXPECT_NE(Text(saved).find(Text(t[1].Data)), std::string::npos);
}

TEST_F(ItemOperationsWithFiles, ReplacingATargetLeavesTheSharersTheOldBytes) {
    std::string file = File("new.dat", "new");
    ItemTable t = BuildTable({N("old"), P(0), P(0)});
    archive::ReplaceItemWithFile(t, 0, file, 0, kTarvo);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 1, 3}));
    EXPECT_EQ(Text(t[1].Data), "old");
}

TEST_F(ItemOperationsWithFiles, AddItemLowersTheTypeWhenNothingIsGained) {
    std::string file = File("noise.bin", Text(testing_support::RandomBytes(300, 3)));
    ItemTable t = BuildTable({});
    archive::AddItem(t, 0, file, 1, kTarvo);
    EXPECT_EQ(t[0].CompressionType, 0);
    EXPECT_EQ(t[0].TypeText, "Store");
    EXPECT_EQ(t[0].DecompressedSize, 300);
    EXPECT_EQ(t[0].CompressedSize, 300);
    EXPECT_EQ(t[0].Extension, "BIN");
    EXPECT_EQ(t[0].SourceFile, "");
}

TEST_F(ItemOperationsWithFiles, ExtensionComesFromTheFileNameOnly) {
    std::string sub = dir.file("v1.2");
    std::filesystem::create_directory(sub);
    testing_support::WriteBytes(sub + "/noext", ToBytes("x"));
    ItemTable t = BuildTable({});
    archive::AddItem(t, 0, sub + "/noext", 0, kTarvo);
    EXPECT_EQ(t[0].Extension, "");
}

TEST(ChangeItemType, TwiceLeavesAnEmptyNormalItem) {
    ItemTable t = BuildTable({N("abc"), N("d")});
    archive::ChangeItemType(t, 0);
    EXPECT_TRUE(t[0].IsBlank);
    archive::ChangeItemType(t, 0);
    EXPECT_FALSE(t[0].IsBlank);
    EXPECT_TRUE(t[0].Data.empty());
    EXPECT_EQ(t[0].DecompressedSize, 0);
    EXPECT_EQ(t[0].CompressedSize, 0);
    EXPECT_EQ(t[0].SizeText, "0");
    EXPECT_EQ(t[0].TypeText, "0");
}

TEST(ChangeItemType, BlankingHandsOverAndUnblankingAPointerDetachesIt) {
    ItemTable t = BuildTable({N("abc"), P(0)});
    archive::ChangeItemType(t, 0);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2}));
    EXPECT_EQ(Text(t[1].Data), "abc");
    ItemTable u = BuildTable({N("abc"), P(0)});
    archive::ChangeItemType(u, 1);
    archive::ChangeItemType(u, 1);
    EXPECT_FALSE(u.IsPointer(1));
}

TEST(ChangeItemCompressionType, RecompressesAndKeepsTheBytes) {
    std::string text(1000, 'k');
    ItemTable t = BuildTable({N(text)});
    archive::ChangeItemCompressionType(t, 0, 2, kTarvo);
    EXPECT_EQ(t[0].CompressionType, 2);
    EXPECT_LT(t[0].CompressedSize, 200);
    EXPECT_EQ(t[0].CompressedSize, static_cast<std::int32_t>(t[0].Data.size()));
    EXPECT_EQ(t[0].DecompressedSize, 1000);
    archive::ChangeItemCompressionType(t, 0, 1, kTarvo);
    EXPECT_EQ(t[0].TypeText, "LZSS");
    archive::ChangeItemCompressionType(t, 0, 0, kTarvo);
    EXPECT_EQ(Text(t[0].Data), text);
    EXPECT_EQ(Text(t.WorkBuffer), text);
    // Too small to gain: stored.
    t = BuildTable({N("tiny")});
    archive::ChangeItemCompressionType(t, 0, 2, kTarvo);
    EXPECT_EQ(t[0].CompressionType, 0);
}

TEST(ChangeItemCompressionType, DamagedDataChangesNothing) {
    ItemTable t = BuildTable({N("xx")});
    t[0].CompressionType = 2;
    t[0].DecompressedSize = 50;
    archive::UpdateDisplayTexts(t[0]);
    ExpectError(t, [](ItemTable& x) { archive::ChangeItemCompressionType(x, 0, 0, kTarvo); }, 8448 + 2,
                "ExpandCompressedFile", "Damaged compressed data: decompressed size 50 is more than 2 stored bytes can hold");
}

TEST(ItemToFromPointer, MakesAndUndoesAPointer) {
    ItemTable t = BuildTable({N("a"), N("b"), N("c")});
    archive::ItemToFromPointer(t, 2, 0);
    EXPECT_EQ(t[2].RefersTo, 0);
    EXPECT_EQ(Text(t[2].Data), "a");
    archive::ItemToFromPointer(t, 2, 2);
    EXPECT_FALSE(t.IsPointer(2));
    EXPECT_EQ(Text(t[2].Data), "a");
}

TEST(ItemToFromPointer, NeverFormsALoop) {
    ItemTable t = BuildTable({N("a"), N("b"), P(1)});
    archive::ItemToFromPointer(t, 1, 0);  // 1 -> 0; 2 takes over "b"
    archive::ItemToFromPointer(t, 2, 1);  // 2 -> 1
    archive::ItemToFromPointer(t, 1, 2);  // 1 -> 2: 2 must no longer lead back to 1
    for (std::int32_t i = 0; i < t.ItemCount; ++i) {
        std::int32_t at = i;
        for (int steps = 0; t.IsPointer(at); ++steps) {
            ASSERT_LT(steps, t.ItemCount) << "loop from " << i;
            at = t[at].RefersTo;
        }
    }
}

TEST(FindFirstRepetition, FindsTheLowestLaterSharer) {
    ItemTable t = BuildTable({N("a"), P(0), N("c"), P(0)});
    EXPECT_EQ(archive::FindFirstRepetition(t, 0, 0), 1);
    EXPECT_EQ(archive::FindFirstRepetition(t, 1, 0), 3);
    EXPECT_EQ(archive::FindFirstRepetition(t, 3, 0), 3);
    EXPECT_EQ(archive::FindFirstRepetition(t, 0, 2), 2);
}

TEST(HandOverShares, LaterSharersReferToTheHeir) {
    ItemTable t = BuildTable({N("a"), P(0), P(0), N("d"), P(0)});
    archive::HandOverShares(t, 0);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 1, 3, 1, 5}));
}

TEST_F(ItemOperationsWithFiles, EveryCheckRaisesItsNumberAndChangesNothing) {
    const std::string file = File("f.txt", "content");
    const std::string missing = dir.file("missing");
    ItemTable t = BuildTable({N("a"), H(std::string("\0hid", 4)), N("c")});
    using archive::AddItem;
    const std::string inv = "Invalid .HQR item number";
    const std::string invTarget = "Invalid pointing-to .HQR item number";
    ExpectError(t, [&](ItemTable& x) { AddItem(x, 1, missing, 0, kTarvo); }, 7168 + 1, "AddItem",
                "Specified file not found");
    ExpectError(t, [&](ItemTable& x) { AddItem(x, 1, dir.path().string(), 0, kTarvo); }, 7169, "AddItem",
                "Specified file not found");
    ExpectError(t, [&](ItemTable& x) { AddItem(x, 1, file, 3, kTarvo); }, 9216 + 3, "AddItem",
                "Invalid compression type");
    ExpectError(t, [&](ItemTable& x) { AddItem(x, 4, file, 0, kTarvo); }, 81920 + 4, "AddItem", inv);
    ExpectError(t, [&](ItemTable& x) { AddItem(x, -1, file, 0, kTarvo); }, 81920 - 1, "AddItem", inv);
    ExpectError(t, [&](ItemTable& x) { archive::InsertBlankItem(x, 9); }, 81920 + 9, "InsertBlankItem", inv);
    ExpectError(t, [&](ItemTable& x) { archive::AddPointer(x, 1, 3); }, 14400 + 1, "AddPointer", invTarget);
    ExpectError(t, [&](ItemTable& x) { archive::AddPointer(x, 1, -2); }, 14400 + 1, "AddPointer", invTarget);
    ExpectError(t, [&](ItemTable& x) { archive::AddMultiplePointers(x, 0, 5, 4); }, 14400, "AddPointer",
                invTarget);
    // The target is checked before the position.
    ExpectError(t, [&](ItemTable& x) { archive::AddPointer(x, 9, 5); }, 14400 + 9, "AddPointer", invTarget);
    ExpectError(t, [&](ItemTable& x) { archive::AddMultiplePointers(x, 9, 5, 2); }, 14400 + 9, "AddPointer",
                invTarget);
    ExpectError(t, [&](ItemTable& x) { archive::RemoveItem(x, 3); }, 51200 + 3, "RemoveItem", inv);
    ExpectError(t, [&](ItemTable& x) { archive::RemoveItem(x, -1); }, 51200 - 1, "RemoveItem", inv);
    ExpectError(t, [&](ItemTable& x) { archive::ChangeItemCompressionType(x, 3, 1, kTarvo); }, 61440 + 3,
                "ChangeItemCompressionType", inv);
    ExpectError(t, [&](ItemTable& x) { archive::ChangeItemCompressionType(x, 0, 7, kTarvo); }, 9216 + 7,
                "CompressFile", "Invalid compression type");
    ExpectError(t, [&](ItemTable& x) { archive::ChangeItemType(x, 3); }, 71680 + 3, "ChangeItemType", inv);
    ExpectError(t, [&](ItemTable& x) { archive::ChangeItemType(x, 1); }, 30720 + 1, "ChangeItemType",
                "Item is hidden");
    ExpectError(t, [&](ItemTable& x) { archive::ReplaceItemWithFile(x, 3, file, 0, kTarvo); }, 5120 + 3,
                "ReplaceItemWithFile", inv);
    ExpectError(t, [&](ItemTable& x) { archive::ReplaceItemWithFile(x, 2, missing, 0, kTarvo); }, 8192 + 2,
                "ReplaceItemWithFile", "Specified file not found");
    ExpectError(t, [&](ItemTable& x) { archive::ReplaceItemWithFile(x, 2, file, -1, kTarvo); }, 9216 - 1,
                "CompressFile", "Invalid compression type");
    ExpectError(t, [&](ItemTable& x) { archive::ItemToFromPointer(x, 3, 0); }, 15360 + 3, "ItemToFromPointer",
                inv);
    ExpectError(t, [&](ItemTable& x) { archive::ItemToFromPointer(x, 2, 3); }, 28800 + 2, "ItemToFromPointer",
                invTarget);
    ExpectError(t, [&](ItemTable& x) { archive::ItemToFromPointer(x, 1, 0); }, 14400 + 1, "ItemToFromPointer",
                "Item is hidden");
    ExpectError(t, [&](ItemTable& x) { archive::FindFirstRepetition(x, 3, 0); }, 20480 + 3,
                "FindFirstRepetition", inv);
    ExpectError(t, [&](ItemTable& x) { archive::FindFirstRepetition(x, 1, 3); }, 32768 + 1,
                "FindFirstRepetition", invTarget);
}

TEST_F(ItemOperationsWithFiles, AFailingLibraryLeavesTheTableAlone) {
    const std::string file = File("f.txt", std::string(500, 'z'));
    ItemTable t = BuildTable({N("a")});
    testing_support::TempDir empty;
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(empty.path().string());
    ItemTable copy = t;
    EXPECT_THROW(archive::AddItem(copy, 0, file, 2, kTarvo), archive::Error);
    EXPECT_THROW(archive::ReplaceItemWithFile(copy, 0, file, 2, kTarvo), archive::Error);
    archive::SetProgramDirectory(saved);
    EXPECT_TRUE(SameTable(copy, t));
}

}  // namespace

// The multiple insertions build in one pass what single insertions at pos,
// pos + 1, ... build one by one, whatever the position and target.
TEST(AddMultipleItems, EqualsInsertingOneAtATime) {
    for (std::int32_t pos = 0; pos <= 4; ++pos) {
        for (std::int32_t target = 0; target < 4; ++target) {
            for (std::int32_t count = 1; count <= 5; ++count) {
                auto fresh = [] {
                    ItemTable t = BuildTable({N("a", "x"), N("bb", "y"), P(0), N("ccc", "z")});
                    return t;
                };
                ItemTable bulk = fresh(), single = fresh();
                archive::AddMultiplePointers(bulk, pos, target, count);
                for (std::int32_t k = 0; k < count; ++k) archive::AddPointer(single, pos + k, target);
                ASSERT_EQ(bulk.ItemCount, single.ItemCount);
                EXPECT_EQ(bulk.SlotCount, single.SlotCount);
                for (std::int32_t i = 0; i <= bulk.ItemCount; ++i) {
                    EXPECT_EQ(bulk[i].RefersTo, single[i].RefersTo) << pos << " " << target << " " << count << " @" << i;
                    EXPECT_EQ(bulk[i].Data, single[i].Data);
                    EXPECT_EQ(bulk[i].IsBlank, single[i].IsBlank);
                    EXPECT_EQ(bulk[i].Extension, single[i].Extension);
                }

                ItemTable blanks = fresh(), oneByOne = fresh();
                archive::AddMultipleBlankItems(blanks, pos, count);
                for (std::int32_t k = 0; k < count; ++k) archive::InsertBlankItem(oneByOne, pos + k);
                for (std::int32_t i = 0; i <= blanks.ItemCount; ++i) {
                    EXPECT_EQ(blanks[i].RefersTo, oneByOne[i].RefersTo);
                    EXPECT_EQ(blanks[i].IsBlank, oneByOne[i].IsBlank);
                    EXPECT_EQ(blanks[i].Data, oneByOne[i].Data);
                }
            }
        }
    }
}

TEST(AddMultipleItems, RefusesCountsNoArchiveCouldHold) {
    ItemTable t = BuildTable({N("a", "x"), N(std::string(1000, 'q'), "y")});
    EXPECT_THROW(archive::AddMultipleBlankItems(t, 0, 100000000), archive::Error);
    EXPECT_THROW(archive::AddMultiplePointers(t, 0, 1, 100000000), archive::Error);
    EXPECT_EQ(t.ItemCount, 2);
    archive::AddMultipleBlankItems(t, 1, 200000);  // one pass: quick
    EXPECT_EQ(t.ItemCount, 200002);
    EXPECT_EQ(t[200001].Data.size(), 1000u);
}

// A window holding an item number may write into the item only while the
// number still names it: every change of numbering or of an item's kind
// gives the table a new generation; new contents alone keep it.
TEST_F(ItemOperationsWithFiles, StructuralChangesGiveTheTableANewGeneration) {
    const std::string file = File("x.bin", "xyz");
    const ItemTable base = BuildTable({N("aaa"), P(0), N("bbb")});
    const std::string saved = dir.file("saved.hqr");
    archive::SaveArchive(base, saved);
    const std::pair<const char*, std::function<void(ItemTable&)>> changes[] = {
        {"AddItem", [&](ItemTable& t) { archive::AddItem(t, 1, file, 0, kTarvo); }},
        {"InsertBlankItem", [](ItemTable& t) { archive::InsertBlankItem(t, 0); }},
        {"AddMultiplePointers", [](ItemTable& t) { archive::AddMultiplePointers(t, 3, 0, 2); }},
        {"AddMultipleBlankItems", [](ItemTable& t) { archive::AddMultipleBlankItems(t, 0, 2); }},
        {"RemoveItem", [](ItemTable& t) { archive::RemoveItem(t, 2); }},
        {"ChangeItemType", [](ItemTable& t) { archive::ChangeItemType(t, 2); }},
        {"ItemToFromPointer", [](ItemTable& t) { archive::ItemToFromPointer(t, 2, 0); }},
        {"replacing a pointer", [&](ItemTable& t) { archive::ReplaceItemWithFile(t, 1, file, 0, kTarvo); }},
        {"replacing a shared item", [&](ItemTable& t) { archive::ReplaceItemWithFile(t, 0, file, 0, kTarvo); }},
        {"NewArchive", [](ItemTable& t) { archive::NewArchive(t); }},
        {"LoadArchive", [&](ItemTable& t) { archive::LoadArchive(t, saved); }},
    };
    for (const auto& [name, change] : changes) {
        ItemTable t = base;
        change(t);
        EXPECT_NE(t.Generation, base.Generation) << name;
    }
    ItemTable t = base;
    archive::ReplaceItemWithFile(t, 2, file, 0, kTarvo);
    archive::ChangeItemCompressionType(t, 2, 0, kTarvo);
    EXPECT_EQ(t.Generation, base.Generation);
}

// Pointers share their target's bytes, wherever the target lies: a thousand
// pointers to a 1 MB item cost no gigabyte.
TEST(AddMultipleItems, PointersShareTheTargetsBytes) {
    const std::string large(1 << 20, 'q');
    for (std::int32_t pos : {1, 0}) {
        ItemTable t = BuildTable({N(large), N("b")});
        archive::AddMultiplePointers(t, pos, 1 - pos, 1100);  // item 0, numbered as after each insertion
        ASSERT_EQ(t.ItemCount, 1102);
        const archive::SharedBytes& item = t[pos == 1 ? 0 : 1100].Data;
        EXPECT_EQ(Text(item), large);
        for (std::int32_t i : {0, 1, 1100}) EXPECT_TRUE(t[i].Data.SharesWith(item)) << pos << " @" << i;
    }
}
