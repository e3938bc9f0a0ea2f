#include "archive/dispatcher.h"

#include <gtest/gtest.h>

#include "archive/error.h"
#include "item_table_builder.h"
#include "support/expect_error.h"

namespace {

using archive::ItemOperation;
using archive::ItemTable;
using namespace testing_support;

// A dispatcher over its own table that remembers each refresh.
struct Harness {
    explicit Harness(ItemTable t) : table(std::move(t)), context(table) {
        table.RecordedScript = "NEW\r\n";
        context.RefreshItemList = [this](std::int32_t row) { refreshes.push_back(row); };
    }
    ItemTable table;
    archive::OperationContext context;
    std::vector<std::int32_t> refreshes;
};

TEST(Dispatcher, RecordsEachOperationsLineByteForByte) {
    TempDir dir;
    const std::string big = dir.write("big.txt", std::string(900, 'b'));
    const std::string noise = dir.write("noise.bin", Text(RandomBytes(200, 9)));
    const std::string out = dir.file("out file.bin");
    Harness h(BuildTable({N("a"), N("b"), N("c")}));
    ItemOperation(h.context, 2, archive::kOpExtract, 0, out, 0);
    EXPECT_EQ(Text(ReadBytes(out)), "c");
    ItemOperation(h.context, 0, archive::kOpExtractAsIs, 0, out, 0);
    EXPECT_FALSE(h.context.ArchiveModified);  // extracting changes nothing
    EXPECT_TRUE(h.table.RecordedScriptChanged);
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
    EXPECT_EQ(h.table.RecordedScript, "NEW\r\nEXT 2 \"" + out + "\"\r\nEXA 0 \"" + out + "\"\r\nADD 2 1 \"" + noise +
                                          "\"\r\nCMT 1 2\r\nRPB 0\r\nRPL 3 2 \"" + big +
                                          "\"\r\nRPP 3 1\r\nADB 4\r\nADP 5 2\r\nAMP 6 1 3\r\nAMB 0 2\r\nDEL 3\r\n");
    EXPECT_TRUE(h.context.ArchiveModified);
    EXPECT_EQ(h.table.ItemCount, 10);
    EXPECT_EQ(archive::RecordedLine(-5, archive::kOpRemoveItem, 0, "", 0), "DEL -5\r\n");
    EXPECT_EQ(archive::RecordedLine(0, archive::kOpExtract, 0, "C:\\a \"b\".x", 0), "EXT 0 \"C:\\a \"b\".x\"\r\n");
}

TEST(Dispatcher, FailingOperationsRecordNothing) {
    TempDir dir;
    Harness h(BuildTable({N("a"), N("b")}));
    const std::string inv = "Invalid .HQR item number", f = dir.write("f", "f");
    const std::tuple<std::int32_t, std::uint8_t, std::int32_t, std::string, int, std::string, std::string> cases[] = {
        {2, archive::kOpRemoveItem, 0, "", 81922, "ItemOperation", inv},
        {-1, archive::kOpChangeItemType, 0, "", 81919, "ItemOperation", inv},
        {0, 15, 0, "", 4111, "ItemOperation", "Invalid .HQR item operation"},
        // The operation's own error passes through unchanged.
        {1, archive::kOpChangeCompression, 5, "", 9221, "CompressFile", "Invalid compression type"},
        {3, archive::kOpInsertBlank, 0, "", 81923, "InsertBlankItem", inv},
        {0, archive::kOpAddItem, 0, dir.file("none"), 7168, "AddItem", "Specified file not found"},
        // Types and targets of codes 2, 4, 6 and 7 travel as 16-bit values.
        {0, archive::kOpAddItem, 40000, f, 6, "ItemOperation", "Overflow"},
        {0, archive::kOpAddPointer, 40000, "", 14400, "AddPointer", "Invalid pointing-to .HQR item number"},
        // A line break would split the recorded line.
        {0, archive::kOpExtract, 0, dir.file("a\r\nDEL 0"), 52, "ItemOperation", "Bad file name or number"},
    };
    for (const auto& [item, code, number, file, errorNumber, source, description] : cases) {
        SCOPED_TRACE("code " + std::to_string(code));
        const ItemTable before = h.table;
        ExpectError([&] { ItemOperation(h.context, item, code, number, file, 0); }, errorNumber, source, description);
        EXPECT_TRUE(SameTable(before, h.table));
    }
    EXPECT_FALSE(h.context.ArchiveModified);
    EXPECT_TRUE(h.refreshes.empty());
    Harness empty(BuildTable({}));
    EXPECT_THROW(ItemOperation(empty.context, 0, archive::kOpRemoveMarked, 0, "", 0), archive::Error);
}

}  // namespace
