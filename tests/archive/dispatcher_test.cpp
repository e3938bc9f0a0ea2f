#include "archive/dispatcher.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/save.h"
#include "item_table_builder.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using archive::ItemOperation;
using archive::ItemTable;
using archive::OperationContext;
using testing_support::B;
using testing_support::BuildTable;
using testing_support::N;
using testing_support::P;
using testing_support::SameTable;
using testing_support::Text;
using testing_support::ToBytes;

// A dispatcher over its own table that remembers each refresh.
struct Harness {
    explicit Harness(ItemTable t) : table(std::move(t)), context(table) {
        table.RecordedScript = "NEW\r\n";
        context.RefreshItemList = [this](std::int32_t row) { refreshes.push_back(row); };
    }
    ItemTable table;
    OperationContext context;
    std::vector<std::int32_t> refreshes;
};

class Dispatcher : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& content) { return dir.write(name, content); }
    testing_support::TempDir dir;
};

TEST_F(Dispatcher, ExtractingRecordsTheLineButDoesNotModifyTheArchive) {
    Harness h(BuildTable({N("0"), N("1"), N("2"), N("three")}));
    const std::string out = dir.file("out file.bin");
    ItemOperation(h.context, 3, archive::kOpExtract, 0, out, 0);
    EXPECT_EQ(h.table.RecordedScript, "NEW\r\nEXT 3 \"" + out + "\"\r\n");
    EXPECT_TRUE(h.table.RecordedScriptChanged);
    EXPECT_FALSE(h.context.ArchiveModified);
    EXPECT_EQ(Text(testing_support::ReadBytes(out)), "three");
    ItemOperation(h.context, 0, archive::kOpExtractAsIs, 0, out, 0);
    EXPECT_FALSE(h.context.ArchiveModified);
    EXPECT_EQ(h.refreshes.size(), 2u);
}

TEST_F(Dispatcher, RecordsEachOperationsLineByteForByte) {
    const std::string big = File("big.txt", std::string(900, 'b'));
    const std::string noise = File("noise.bin", Text(testing_support::RandomBytes(200, 9)));
    Harness h(BuildTable({N("a"), N("b"), N("c")}));
    ItemOperation(h.context, 2, archive::kOpAddItem, 1, noise, 0);  // lowered to type 0, recorded as asked
    EXPECT_EQ(h.table[2].CompressionType, 0);
    ItemOperation(h.context, 1, archive::kOpChangeCompression, 2, "", 0);
    ItemOperation(h.context, 0, archive::kOpChangeItemType, 0, "", 0);
    ItemOperation(h.context, 3, archive::kOpReplaceItem, 2, big, 0);
    ItemOperation(h.context, 3, archive::kOpItemToFromPointer, 1, "", 0);
    ItemOperation(h.context, 4, archive::kOpInsertBlank, 0, "", 0);
    ItemOperation(h.context, 5, archive::kOpAddPointer, 2, "", 0);
    ItemOperation(h.context, 6, archive::kOpAddMultiplePointers, 1, "", 3);
    ItemOperation(h.context, 0, archive::kOpAddMultipleBlanks, 2, "", 0);
    ItemOperation(h.context, 3, archive::kOpRemoveItem, 0, "", 0);
    const std::string expected = "NEW\r\n"
                                 "ADD 2 1 \"" + noise + "\"\r\n"
                                 "CMT 1 2\r\n"
                                 "RPB 0\r\n"
                                 "RPL 3 2 \"" + big + "\"\r\n"
                                 "RPP 3 1\r\n"
                                 "ADB 4\r\n"
                                 "ADP 5 2\r\n"
                                 "AMP 6 1 3\r\n"
                                 "AMB 0 2\r\n"
                                 "DEL 3\r\n";
    EXPECT_EQ(h.table.RecordedScript, expected);
    EXPECT_TRUE(h.context.ArchiveModified);
    EXPECT_EQ(h.table.ItemCount, 10);
}

TEST(RecordedLine, NegativeNumbersAndUnrecordedCodes) {
    EXPECT_EQ(archive::RecordedLine(-5, archive::kOpRemoveItem, 0, "", 0), "DEL -5\r\n");
    EXPECT_EQ(archive::RecordedLine(2, archive::kOpAddPointer, -1, "", 0), "ADP 2 -1\r\n");
    EXPECT_EQ(archive::RecordedLine(0, archive::kOpExtract, 0, "C:\\a \"b\".x", 0), "EXT 0 \"C:\\a \"b\".x\"\r\n");
    EXPECT_EQ(archive::RecordedLine(0, archive::kOpRemoveMarked, 0, "", 0), "");
    EXPECT_EQ(archive::RecordedLine(0, archive::kOpExtractMarked, 0, "/x/", 0), "");
    EXPECT_EQ(archive::RecordedLine(0, archive::kOpExtractMarkedAsIs, 0, "/x/", 0), "");
}

TEST_F(Dispatcher, BulkOperationsRecordNothingButMarkTheArchiveModified) {
    Harness h(BuildTable({N("a", "x"), N("b", "y"), N("c")}, "K"));
    h.table[1].Marked = true;
    ItemOperation(h.context, 0, archive::kOpExtractMarked, 0, dir.path().string() + "/", 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("K0001.y")));
    EXPECT_EQ(h.table.RecordedScript, "NEW\r\n");
    EXPECT_FALSE(h.table.RecordedScriptChanged);
    EXPECT_TRUE(h.context.ArchiveModified);
    h.table[0].Marked = h.table[2].Marked = true;
    ItemOperation(h.context, 0, archive::kOpRemoveMarked, 0, "", 0);
    EXPECT_EQ(h.table.ItemCount, 1);
    EXPECT_EQ(h.table.RecordedScript, "NEW\r\n");
}

void ExpectRefused(Harness& h, std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                   int errorNumber, const std::string& source, const std::string& description) {
    const ItemTable before = h.table;
    const auto refreshes = h.refreshes.size();
    SCOPED_TRACE("code " + std::to_string(code));
    testing_support::ExpectError([&] { ItemOperation(h.context, item, code, number, file, 0); }, errorNumber, source,
                                 description);
    EXPECT_TRUE(SameTable(before, h.table));
    EXPECT_FALSE(h.context.ArchiveModified);
    EXPECT_EQ(h.refreshes.size(), refreshes);
}

TEST_F(Dispatcher, FailingOperationsRecordNothing) {
    Harness h(BuildTable({N("a"), N("b")}));
    const std::string inv = "Invalid .HQR item number";
    ExpectRefused(h, 2, archive::kOpRemoveItem, 0, "", 81920 + 2, "ItemOperation", inv);
    ExpectRefused(h, -1, archive::kOpChangeItemType, 0, "", 81920 - 1, "ItemOperation", inv);
    ExpectRefused(h, 2, archive::kOpRemoveMarked, 0, "", 81922, "ItemOperation", inv);
    ExpectRefused(h, 0, 15, 0, "", 4096 + 15, "ItemOperation", "Invalid .HQR item operation");
    ExpectRefused(h, 0, 255, 0, "", 4096 + 255, "ItemOperation", "Invalid .HQR item operation");
    // The operation's own error passes through unchanged.
    ExpectRefused(h, 1, archive::kOpChangeCompression, 5, "", 9216 + 5, "CompressFile", "Invalid compression type");
    ExpectRefused(h, 3, archive::kOpInsertBlank, 0, "", 81920 + 3, "InsertBlankItem", inv);
    ExpectRefused(h, 0, archive::kOpAddItem, 0, dir.file("none"), 7168, "AddItem", "Specified file not found");
    // Types and targets of codes 2, 4, 6 and 7 travel as 16-bit values.
    for (std::uint8_t code : {archive::kOpAddItem, archive::kOpChangeCompression, archive::kOpReplaceItem,
                              archive::kOpItemToFromPointer})
        ExpectRefused(h, 0, code, 40000, File("f", "f"), 6, "ItemOperation", "Overflow");
    ExpectRefused(h, 0, archive::kOpAddPointer, 40000, "", 14400, "AddPointer",
                  "Invalid pointing-to .HQR item number");
    // A line break would split the recorded line.
    ExpectRefused(h, 0, archive::kOpExtract, 0, dir.file("a\r\nDEL 0"), 52, "ItemOperation",
                  "Bad file name or number");
    EXPECT_EQ(h.table.RecordedScript, "NEW\r\n");
    EXPECT_FALSE(h.table.RecordedScriptChanged);
}

TEST(DispatcherOnEmptyArchive, RemoveMarkedNeedsAnItem) {
    Harness h(BuildTable({}));
    ExpectRefused(h, 0, archive::kOpRemoveMarked, 0, "", 81920, "ItemOperation", "Invalid .HQR item number");
    ItemOperation(h.context, 0, archive::kOpInsertBlank, 0, "", 0);
    EXPECT_EQ(h.refreshes, std::vector<std::int32_t>{1});
}

TEST(DispatcherSelection, FollowsTheOperation) {
    Harness h(BuildTable({N("a"), N("b"), N("c"), N("d")}));
    h.context.SelectedRow = 4;  // the last item
    ItemOperation(h.context, 3, archive::kOpRemoveItem, 0, "", 0);
    EXPECT_EQ(h.refreshes.back(), 3);  // the new last row
    h.context.SelectedRow = 1;
    ItemOperation(h.context, 0, archive::kOpInsertBlank, 0, "", 0);
    EXPECT_EQ(h.refreshes.back(), 2);
    ItemOperation(h.context, 0, archive::kOpAddMultiplePointers, 1, "", 3);
    EXPECT_EQ(h.refreshes.back(), 5);
    ItemOperation(h.context, 0, archive::kOpAddMultipleBlanks, 10, "", 0);
    EXPECT_EQ(h.refreshes.back(), 15);
    EXPECT_EQ(h.context.SelectedRow, 15);
    // Clamped to the rows there are.
    h.context.SelectedRow = 99;
    ItemOperation(h.context, 0, archive::kOpChangeItemType, 0, "", 0);
    EXPECT_EQ(h.refreshes.back(), h.table.ItemCount);
    // Removing the only item leaves no row to select.
    Harness one(BuildTable({N("x")}));
    one.context.SelectedRow = 1;
    ItemOperation(one.context, 0, archive::kOpRemoveItem, 0, "", 0);
    EXPECT_EQ(one.refreshes.back(), 0);
}

}  // namespace

namespace {

TEST(DispatcherItemCheck, NegativeNumbersAreRefusedOnlyWhereTheyNameAnItem) {
    Harness h(BuildTable({N("a", "x")}, "K"));
    ExpectRefused(h, -1, archive::kOpExtractAsIs, 0, "/tmp/never", 81919, "ItemOperation", "Invalid .HQR item number");
    // Codes that insert check their position themselves.
    ExpectRefused(h, -1, archive::kOpInsertBlank, 0, "", 81919, "InsertBlankItem", "Invalid .HQR item number");
    // Removing the marked items does not use the item.
    h.table[0].Marked = true;
    ItemOperation(h.context, -1, archive::kOpRemoveMarked, 0, "", 0);
    EXPECT_EQ(h.table.ItemCount, 0);
}

}  // namespace
