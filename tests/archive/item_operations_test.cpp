#include "archive/item_operations.h"

#include <functional>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/load.h"
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
        {[&](ItemTable& x) { AddItem(x, 1, file, 3, kTarvo); }, 9219, "AddItem", badType},
        {[&](ItemTable& x) { AddItem(x, 4, file, 0, kTarvo); }, 81924, "AddItem", inv},
        {[&](ItemTable& x) { archive::InsertBlankItem(x, 9); }, 81929, "InsertBlankItem", inv},
        {[&](ItemTable& x) { archive::AddPointer(x, 1, 3); }, 14401, "AddPointer", invTarget},
        // The target is checked before the position.
        {[&](ItemTable& x) { archive::AddPointer(x, 9, 5); }, 14409, "AddPointer", invTarget},
        {[&](ItemTable& x) { archive::RemoveItem(x, 3); }, 51203, "RemoveItem", inv},
        {[&](ItemTable& x) { archive::ChangeItemCompressionType(x, 3, 1, kTarvo); }, 61443,
         "ChangeItemCompressionType", inv},
        {[&](ItemTable& x) { archive::ChangeItemCompressionType(x, 0, 7, kTarvo); }, 9223, "CompressFile", badType},
        {[&](ItemTable& x) { archive::ChangeItemType(x, 3); }, 71683, "ChangeItemType", inv},
        {[&](ItemTable& x) { archive::ChangeItemType(x, 1); }, 30721, "ChangeItemType", "Item is hidden"},
        {[&](ItemTable& x) { archive::ReplaceItemWithFile(x, 3, file, 0, kTarvo); }, 5123, "ReplaceItemWithFile", inv},
        {[&](ItemTable& x) { archive::ReplaceItemWithFile(x, 2, missing, 0, kTarvo); }, 8194, "ReplaceItemWithFile",
         notFound},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 3, 0); }, 15363, "ItemToFromPointer", inv},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 2, 3); }, 28802, "ItemToFromPointer", invTarget},
        {[&](ItemTable& x) { archive::ItemToFromPointer(x, 1, 0); }, 14401, "ItemToFromPointer", "Item is hidden"},
        {[&](ItemTable& x) { archive::FindFirstRepetition(x, 3, 0); }, 20483, "FindFirstRepetition", inv},
    };
    const ItemTable t = BuildTable({N("a"), H(std::string("\0hid", 4)), N("c")});
    for (const Case& c : cases) {
        ItemTable copy = t;
        ExpectError([&] { c.op(copy); }, c.number, c.source, c.description);
        EXPECT_TRUE(SameTable(copy, t)) << "table changed by a failing " << c.source;
    }
}

// Any item made a pointer to any other, before or after it, and then a
// normal item again holds its target's bytes; made blank and normal again
// (or normal and blank again) it holds nothing. Every other item keeps its
// own bytes, in the table and after save and reload.
TEST(ItemToFromPointer, EveryItemToEveryTargetAndBackReadsBackAfterReload) {
    const ItemTable original = BuildTable({N("zero"), N("one"), P(1), B(), P(1), N("five"), P(0)});
    const archive::ItemRecord empty;
    TempDir dir;
    // Saves and reloads t; item k must hold what record holds(k) held.
    const auto expectHolds = [&](const ItemTable& t, const auto& holds, const std::string& trace) {
        archive::SaveArchive(t, dir.file("C.HQR"));
        ItemTable back;
        archive::LoadArchive(back, dir.file("C.HQR"));
        EXPECT_EQ(back.ItemCount, original.ItemCount);
        for (std::int32_t k = 0; k < std::min(back.ItemCount, original.ItemCount); ++k) {
            const archive::ItemRecord& expected = holds(k);
            for (const ItemTable* x : {&t, static_cast<const ItemTable*>(&back)}) {
                EXPECT_EQ(Text((*x)[k].Data), Text(expected.Data)) << trace << " @" << k;
                EXPECT_EQ((*x)[k].IsBlank, expected.IsBlank) << trace << " @" << k;
                EXPECT_EQ((*x)[k].DecompressedSize, expected.DecompressedSize) << trace << " @" << k;
                EXPECT_EQ((*x)[k].CompressedSize, expected.CompressedSize) << trace << " @" << k;
            }
        }
        return back;
    };
    for (std::int32_t item = 0; item < original.ItemCount; ++item) {
        ItemTable blanked = original;
        archive::ChangeItemType(blanked, item);
        archive::ChangeItemType(blanked, item);
        expectHolds(blanked, [&](std::int32_t k) -> const archive::ItemRecord& { return k == item && !original[k].IsBlank ? empty : original[k]; },
                    "blank and back " + std::to_string(item));
        for (std::int32_t target = 0; target < original.ItemCount; ++target) {
            if (item == 0 && original[target].IsBlank) continue;  // an archive cannot begin with a blank
            ItemTable t = original;
            for (const std::int32_t to : {target, item}) {
                archive::ItemToFromPointer(t, item, to);
                const std::string trace = std::to_string(item) + "->" + std::to_string(to);
                const ItemTable back = expectHolds(
                    t, [&](std::int32_t k) -> const archive::ItemRecord& { return original[k == item ? target : k]; },
                    trace);
                // A pointer to a later item is saved as a copy of its own;
                // one to a blank item is blank.
                if (original[target].IsBlank) continue;
                if (to != item)
                    EXPECT_EQ(back[item].RefersTo == back[target].RefersTo, target < item) << trace;
                else
                    EXPECT_FALSE(back.IsPointer(item)) << trace;
            }
        }
    }
}

// Several pointers at once are the single insertions one after another,
// all to the same number, wherever the target lies.
TEST(AddMultiplePointers, AreSingleInsertionsInTurn) {
    const ItemTable original = BuildTable({N("zero"), P(0), B(), N("three")});
    for (std::int32_t pos = 0; pos <= original.ItemCount; ++pos)
        for (std::int32_t target = 0; target < original.ItemCount; ++target)
            for (std::int32_t count : {1, 2, 3}) {
                ItemTable many = original, single = original;
                archive::AddMultiplePointers(many, pos, target, count);
                for (std::int32_t k = 0; k < count; ++k) archive::AddPointer(single, pos + k, target);
                std::string held, expected;  // what each item holds
                for (std::int32_t k = 0; k < single.ItemCount; ++k) held += Text(many[k].Data) + "|", expected += Text(single[k].Data) + "|";
                EXPECT_EQ(RefersTos(many), RefersTos(single)) << pos << " " << target << " " << count;
                EXPECT_EQ(held, expected) << pos << " " << target << " " << count;
            }
}

// Pointers share their target's bytes, wherever the target lies, so many
// pointers to a large item cost no copies.
TEST(AddMultiplePointers, ShareTheTargetsBytes) {
    const std::string large(1 << 20, 'q');
    for (std::int32_t pos : {1, 0}) {
        ItemTable t = BuildTable({N(large), N("b")});
        archive::AddMultiplePointers(t, pos, 1 - pos, 1100);  // item 0, numbered as after each insertion
        ASSERT_EQ(t.ItemCount, 1102);
        const archive::SharedBytes& item = t[pos == 1 ? 0 : 1100].Data;
        for (std::int32_t i : {0, 1, 1100}) EXPECT_TRUE(t[i].Data.SharesWith(item)) << pos << " @" << i;
    }
}

}  // namespace
