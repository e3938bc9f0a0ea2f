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

namespace {

using archive::ItemTable;
using namespace testing_support;
using V = std::vector<std::int32_t>;

const archive::MethodSettings kTarvo;

class ItemOperations : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& content) { return dir.write(name, content); }
    TempDir dir;
};

TEST_F(ItemOperations, InsertingRenumbersReferences) {
    ItemTable t = BuildTable({N("aaa"), P(0), B()});
    archive::AddItem(t, 0, File("new.bin", "fresh"), 0, kTarvo);
    EXPECT_EQ(t.SlotCount, 4);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 1, 3, 4}));
    EXPECT_EQ(Text(t[2].Data), "aaa");
    t = BuildTable({N("a"), N("b"), P(1)});
    archive::AddMultipleBlankItems(t, 1, 2);
    EXPECT_EQ(t.SlotCount, 5);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2, 3, 3, 5}));
    EXPECT_TRUE(t[1].IsBlank && t[2].IsBlank);
}

TEST(AddPointer, TargetIsReadAfterTheInsertion) {
    // Below the position: the item the user saw under that number; above it:
    // the item that was numbered one lower; at it: a copy of what was there.
    const std::tuple<int, int, int, std::string, bool> cases[] = {
        {2, 0, 0, "a", true}, {0, 2, 2, "b", true}, {1, 1, 1, "b", false}};
    for (const auto& [pos, target, refersTo, bytes, pointer] : cases) {
        ItemTable t = BuildTable({N("a"), N("b", "pal"), N("c")});
        archive::AddPointer(t, pos, target);
        EXPECT_EQ(t[pos].RefersTo, refersTo);
        EXPECT_EQ(Text(t[pos].Data), bytes);
        EXPECT_EQ(t.IsPointer(pos), pointer);
    }
}

TEST(RemoveItem, HandsSharedBytesToTheFirstLaterSharer) {
    ItemTable t = BuildTable({N("a"), N("shared"), P(1), N("c"), P(1)});
    archive::RemoveItem(t, 1);
    EXPECT_EQ(t.SlotCount, 4);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2, 1, 4}));
    EXPECT_EQ(Text(t[1].Data), "shared");
    EXPECT_EQ(Text(t[3].Data), "shared");
    // An earlier pointer keeps its bytes, also when its target is blanked.
    t = BuildTable({N("a"), N("b"), N("c")});
    archive::AddPointer(t, 0, 2);
    ItemTable removed = t;
    archive::RemoveItem(removed, 2);
    EXPECT_EQ(RefersTos(removed), (V{0, 1, 2, 3}));
    EXPECT_EQ(Text(removed[0].Data), "b");
    archive::ChangeItemType(t, 2);
    EXPECT_EQ(t[0].RefersTo, 0);
    EXPECT_NE(Text(archive::SerializeArchive(t)).find("b"), std::string::npos);
    t = BuildTable({N("a"), P(0), P(0), N("d"), P(0)});
    archive::HandOverShares(t, 0);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 1, 3, 1, 5}));
    t = BuildTable({N("a"), P(0), N("c"), P(0)});
    EXPECT_EQ(archive::FindFirstRepetition(t, 1, 0), 3);
    EXPECT_EQ(archive::FindFirstRepetition(t, 3, 0), 3);
}

TEST(VoiceArchiveMarkers, RemovingHiddenItemsFixesTheRunMarkers) {
    ItemTable t = BuildTable({N("n0"), H("\x01" "IFFone"), H(std::string("\0IFFtwo", 7)), N("n3")});
    const ItemTable copy = t;
    archive::RemoveItem(t, 2);  // the last hidden item: the run ends before it
    EXPECT_EQ(t.SlotCount, 2);
    EXPECT_EQ(t[1].Data[0], archive::kMarkerRunEnds);
    EXPECT_EQ(Text(copy[1].Data), "\x01" "IFFone");  // a copy of the table keeps its bytes
    for (const auto& [first, restored] : {std::pair{"\x01" "IFFa", 'R'}, std::pair{"\x01" "abc", 'C'}}) {
        t = BuildTable({N("n0"), H(first), H("\x01" "xyz"), H(std::string("\0tail", 5)), N("n4")});
        archive::RemoveItem(t, 2);  // inside a run: the letter comes back
        EXPECT_EQ(t[1].Data[0], restored);
    }
}

TEST_F(ItemOperations, ReplacingMarksHiddenRunsAndDetachesPointers) {
    std::string wave = File("w.wav", "RIFFdata");
    ItemTable t = BuildTable({N("n0"), H("\x01" "IFFa"), N("n2")});
    archive::ReplaceItemWithFile(t, 0, wave, 0, kTarvo);
    EXPECT_EQ(t[0].Data[0], archive::kMarkerHiddenFollows);
    archive::ReplaceItemWithFile(t, 1, wave, 0, kTarvo);
    EXPECT_EQ(t[1].Data[0], archive::kMarkerRunEnds);
    archive::ReplaceItemWithFile(t, 2, wave, 0, kTarvo);
    EXPECT_EQ(Text(t[2].Data), "RIFFdata");
    EXPECT_EQ(t[2].SourceFile, wave);
    EXPECT_EQ(t[2].Extension, "WAV");
    t = BuildTable({N("old"), P(0), P(0)});
    archive::ReplaceItemWithFile(t, 1, File("new.dat", std::string(400, 'n')), 2, kTarvo);
    EXPECT_FALSE(t.IsPointer(1));
    EXPECT_EQ(t[1].TypeText, "LZMIT");
    EXPECT_EQ(t[1].DecompressedSize, 400);
    archive::ReplaceItemWithFile(t, 0, File("n", "new"), 0, kTarvo);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2, 3}));
    EXPECT_EQ(Text(t[2].Data), "old");  // the sharer keeps the old bytes
}

TEST_F(ItemOperations, AddItemLowersTheTypeWhenNothingIsGained) {
    ItemTable t = BuildTable({});
    archive::AddItem(t, 0, File("noise.bin", Text(RandomBytes(300, 3))), 1, kTarvo);
    EXPECT_EQ(t[0].CompressionType, 0);
    EXPECT_EQ(t[0].TypeText, "Store");
    EXPECT_EQ(t[0].CompressedSize, 300);
    EXPECT_EQ(t[0].Extension, "BIN");
    std::filesystem::create_directory(dir.file("v1.2"));
    archive::AddItem(t, 0, File("v1.2/noext", "x"), 0, kTarvo);
    EXPECT_EQ(t[0].Extension, "");  // from the file name only
}

TEST(ChangeItemType, BlankingHandsOverAndTwiceLeavesAnEmptyItem) {
    ItemTable t = BuildTable({N("abc"), P(0)});
    archive::ChangeItemType(t, 0);
    EXPECT_TRUE(t[0].IsBlank);
    EXPECT_EQ(RefersTos(t), (V{0, 1, 2}));
    EXPECT_EQ(Text(t[1].Data), "abc");
    archive::ChangeItemType(t, 0);
    EXPECT_FALSE(t[0].IsBlank);
    EXPECT_TRUE(t[0].Data.empty());
    EXPECT_EQ(t[0].SizeText, "0");
    EXPECT_EQ(t[0].TypeText, "0");
}

TEST(ItemToFromPointer, MakesAndUndoesAPointerWithoutLoops) {
    ItemTable t = BuildTable({N("a"), N("b"), N("c")});
    archive::ItemToFromPointer(t, 2, 0);
    EXPECT_EQ(Text(t[2].Data), "a");
    archive::ItemToFromPointer(t, 2, 2);
    EXPECT_FALSE(t.IsPointer(2));
    t = BuildTable({N("a"), N("b"), P(1)});
    archive::ItemToFromPointer(t, 1, 0);  // 2 takes over "b"
    archive::ItemToFromPointer(t, 2, 1);
    archive::ItemToFromPointer(t, 1, 2);  // 2 must no longer lead back to 1
    for (std::int32_t i = 0; i < t.ItemCount; ++i) {
        std::int32_t at = i;
        for (int steps = 0; t.IsPointer(at); ++steps) {
            ASSERT_LT(steps, t.ItemCount) << "loop from " << i;
            at = t[at].RefersTo;
        }
    }
}

TEST_F(ItemOperations, EveryCheckRaisesItsNumberAndChangesNothing) {
    const std::string file = File("f.txt", "content"), missing = dir.file("missing");
    const std::string inv = "Invalid .HQR item number", invTarget = "Invalid pointing-to .HQR item number";
    const std::string notFound = "Specified file not found", badType = "Invalid compression type";
    using archive::AddItem;
    struct Case {
        std::function<void(ItemTable&)> op;
        int number;
        std::string source, description;
    };
    const Case cases[] = {
        {[&](ItemTable& x) { AddItem(x, 1, missing, 0, kTarvo); }, 7169, "AddItem", notFound},
        {[&](ItemTable& x) { AddItem(x, 1, dir.path().string(), 0, kTarvo); }, 7169, "AddItem", notFound},
        {[&](ItemTable& x) { AddItem(x, 1, file, 3, kTarvo); }, 9219, "AddItem", badType},
        {[&](ItemTable& x) { AddItem(x, 4, file, 0, kTarvo); }, 81924, "AddItem", inv},
        {[&](ItemTable& x) { AddItem(x, -1, file, 0, kTarvo); }, 81919, "AddItem", inv},
        {[&](ItemTable& x) { archive::InsertBlankItem(x, 9); }, 81929, "InsertBlankItem", inv},
        {[&](ItemTable& x) { archive::AddPointer(x, 1, 3); }, 14401, "AddPointer", invTarget},
        {[&](ItemTable& x) { archive::AddPointer(x, 1, -2); }, 14401, "AddPointer", invTarget},
        {[&](ItemTable& x) { archive::AddMultiplePointers(x, 0, 5, 4); }, 14400, "AddPointer", invTarget},
        // The target is checked before the position.
        {[&](ItemTable& x) { archive::AddPointer(x, 9, 5); }, 14409, "AddPointer", invTarget},
        {[&](ItemTable& x) { archive::AddMultiplePointers(x, 9, 5, 2); }, 14409, "AddPointer", invTarget},
        {[&](ItemTable& x) { archive::RemoveItem(x, 3); }, 51203, "RemoveItem", inv},
        {[&](ItemTable& x) { archive::RemoveItem(x, -1); }, 51199, "RemoveItem", inv},
        {[&](ItemTable& x) { archive::ChangeItemCompressionType(x, 3, 1, kTarvo); }, 61443,
         "ChangeItemCompressionType", inv},
        {[&](ItemTable& x) { archive::ChangeItemCompressionType(x, 0, 7, kTarvo); }, 9223, "CompressFile", badType},
        {[&](ItemTable& x) { archive::ChangeItemType(x, 3); }, 71683, "ChangeItemType", inv},
        {[&](ItemTable& x) { archive::ChangeItemType(x, 1); }, 30721, "ChangeItemType", "Item is hidden"},
        {[&](ItemTable& x) { archive::ReplaceItemWithFile(x, 3, file, 0, kTarvo); }, 5123, "ReplaceItemWithFile", inv},
        {[&](ItemTable& x) { archive::ReplaceItemWithFile(x, 2, missing, 0, kTarvo); }, 8194, "ReplaceItemWithFile",
         notFound},
        {[&](ItemTable& x) { archive::ReplaceItemWithFile(x, 2, file, -1, kTarvo); }, 9215, "CompressFile", badType},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 3, 0); }, 15363, "ItemToFromPointer", inv},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 2, 3); }, 28802, "ItemToFromPointer", invTarget},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 1, 0); }, 14401, "ItemToFromPointer", "Item is hidden"},
        {[&](ItemTable& x) { archive::FindFirstRepetition(x, 3, 0); }, 20483, "FindFirstRepetition", inv},
        {[&](ItemTable& x) { archive::FindFirstRepetition(x, 1, 3); }, 32769, "FindFirstRepetition", invTarget},
    };
    const ItemTable t = BuildTable({N("a"), H(std::string("\0hid", 4)), N("c")});
    for (const Case& c : cases) {
        ItemTable copy = t;
        ExpectError([&] { c.op(copy); }, c.number, c.source, c.description);
        EXPECT_TRUE(SameTable(copy, t)) << "table changed by a failing " << c.source;
    }
    // Damaged data and a missing library change nothing either.
    ItemTable damaged = BuildTable({N("xx")});
    damaged[0].CompressionType = 2;
    damaged[0].DecompressedSize = 50;
    ItemTable copy = damaged;
    EXPECT_THROW(archive::ChangeItemCompressionType(copy, 0, 0, kTarvo), archive::Error);
    EXPECT_TRUE(SameTable(copy, damaged));
    TempDir empty;
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(empty.path().string());
    copy = t;
    EXPECT_THROW(archive::AddItem(copy, 0, File("z", std::string(500, 'z')), 2, kTarvo), archive::Error);
    EXPECT_THROW(archive::ReplaceItemWithFile(copy, 0, dir.file("z"), 2, kTarvo), archive::Error);
    archive::SetProgramDirectory(saved);
    EXPECT_TRUE(SameTable(copy, t));
}

// The multiple insertions build in one pass what single insertions at pos,
// pos + 1, ... build one by one, whatever the position and target.
TEST(AddMultipleItems, EqualsInsertingOneAtATime) {
    auto same = [](const ItemTable& a, const ItemTable& b) {
        ASSERT_EQ(a.ItemCount, b.ItemCount);
        EXPECT_EQ(a.SlotCount, b.SlotCount);
        for (std::int32_t i = 0; i <= a.ItemCount; ++i) {
            EXPECT_EQ(a[i].RefersTo, b[i].RefersTo) << "@" << i;
            EXPECT_EQ(a[i].Data, b[i].Data);
            EXPECT_EQ(a[i].IsBlank, b[i].IsBlank);
            EXPECT_EQ(a[i].Extension, b[i].Extension);
        }
    };
    const ItemTable fresh = BuildTable({N("a", "x"), N("bb", "y"), P(0), N("ccc", "z")});
    for (std::int32_t pos = 0; pos <= 4; ++pos) {
        for (std::int32_t count = 1; count <= 5; ++count) {
            SCOPED_TRACE(std::to_string(pos) + " " + std::to_string(count));
            for (std::int32_t target = 0; target < 4; ++target) {
                ItemTable bulk = fresh, single = fresh;
                archive::AddMultiplePointers(bulk, pos, target, count);
                for (std::int32_t k = 0; k < count; ++k) archive::AddPointer(single, pos + k, target);
                same(bulk, single);
            }
            ItemTable blanks = fresh, oneByOne = fresh;
            archive::AddMultipleBlankItems(blanks, pos, count);
            for (std::int32_t k = 0; k < count; ++k) archive::InsertBlankItem(oneByOne, pos + k);
            same(blanks, oneByOne);
        }
    }
}

TEST(AddMultipleItems, RefusesCountsNoArchiveCouldHold) {
    ItemTable t = BuildTable({N("a", "x"), N(std::string(1000, 'q'), "y")});
    EXPECT_THROW(archive::AddMultipleBlankItems(t, 0, 100000000), archive::Error);
    EXPECT_THROW(archive::AddMultiplePointers(t, 0, 1, 100000000), archive::Error);
    EXPECT_EQ(t.ItemCount, 2);
    archive::AddMultiplePointers(t, 0, 0, 0);
    archive::AddMultipleBlankItems(t, 1, 200000);  // one pass: quick
    EXPECT_EQ(t.ItemCount, 200002);
    EXPECT_EQ(t[200001].Data.size(), 1000u);
}

// A window holding an item number may write into the item only while the
// number still names it: every change of numbering or of an item's kind
// gives the table a new generation; new contents alone keep it.
TEST_F(ItemOperations, StructuralChangesGiveTheTableANewGeneration) {
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

}  // namespace
