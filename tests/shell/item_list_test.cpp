#include "shell/item_list.h"

#include <gtest/gtest.h>

#include "archive/helpers.h"
#include "archive/item_table_builder.h"

namespace {

using archive::ItemTable;
using shell::RowKind;

// A table of `count` normal type-0 items at offsets 0x100 apart, each with
// its display texts set as loading sets them.
ItemTable MakeTable(std::int32_t count) {
    ItemTable table;
    table.ItemCount = count;
    table.SlotCount = count;
    table.Records.resize(static_cast<std::size_t>(count) + 1);
    for (std::int32_t i = 0; i < count; ++i) {
        archive::ItemRecord& r = table[i];
        r.Offset = 0x100 * (i + 1);
        r.DecompressedSize = 1000 + i;
        r.CompressedSize = 1000 + i;
        r.RefersTo = i;
        archive::UpdateDisplayTexts(r);
    }
    return table;
}

void MakeCompressed(archive::ItemRecord& r, std::int16_t type, std::int32_t stored) {
    r.CompressionType = type;
    r.CompressedSize = stored;
    archive::UpdateDisplayTexts(r);
}

void MakeBlank(archive::ItemRecord& r) {
    r = archive::ItemRecord{};
    r.IsBlank = true;
}

using Texts = std::array<std::string, shell::kItemColumnCount>;

TEST(ItemRowTexts, ColumnsOfEveryKind) {
    ItemTable table = MakeTable(6);
    table[0].Offset = 0xABCDEF;
    MakeCompressed(table[0], 1, 500);
    table[1].SourceFile = "/tmp/in.bin";
    table[1].Extension = "SCN";
    table[1].Description = "Scene";
    MakeCompressed(table[2], 2, 300);
    MakeBlank(table[3]);
    table[3].RefersTo = 0;  // blank is decided before pointer, stale fields are not shown
    table[3].Description = "left over";
    table[3].Marked = true;
    table[4].IsHidden = true;
    table[4].Offset = -1;
    table[5] = table[2];
    table[5].RefersTo = 2;
    table[5].Description = "Body";
    const std::pair<Texts, int> rows[] = {
        {{"0", "ABCDEF", "1000", "500", "LZSS", "", archive::CRatioStr(1000, 500), "", ""}, 2},
        {{"1", "200", "1001", "", "Store", "/tmp/in.bin", "", "SCN", "Scene"}, 1},
        {{"2", "300", "1002", "300", "LZMIT", "", archive::CRatioStr(1002, 300), "", ""}, 3},
        {{"3", "", "", "", "", "", "", "", ""}, 10},
        {{"4", "Hidden", "1004", "", "Store", "", "", "", ""}, 7},
        {{"5", "See item 2", "", "", "", "", archive::CRatioStr(1002, 300), "", "Body"}, 6},
    };
    table.IsVoiceArchive = true;
    for (std::int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(shell::ItemRowTexts(table, i), rows[i].first) << i;
        EXPECT_EQ(shell::ItemRowIcon(table, i), rows[i].second) << i;
    }
    EXPECT_EQ(shell::ItemRowKind(table, 5), RowKind::Pointer);
    EXPECT_TRUE(shell::ItemRowChecked(table, 3));
    MakeCompressed(table[4], 1, 20);
    EXPECT_EQ(shell::ItemRowIcon(table, 4), 8);
    // Outside a voice archive the record is listed as what its slot says.
    table.IsVoiceArchive = false;
    EXPECT_EQ(shell::ItemRowKind(table, 4), RowKind::Normal);
    EXPECT_EQ(shell::ItemRowTexts(table, 4)[1], "FFFFFFFF");
}

// Numbered as the other tool numbers them, only normal items count: not
// pointers, blank or hidden ones.
TEST(ItemRowLabels, TarvoDeCompNumbersNormalItemsOnly) {
    ItemTable table = testing_support::DistinctCountsTable();
    table.IsVoiceArchive = true;
    const std::vector<std::string> tarvo = {"0", "", "", "", "1", "", "", "", "2", "3"};
    EXPECT_EQ(shell::ItemRowLabels(table, true), tarvo);
    EXPECT_EQ(shell::ItemRowLabels(table, false)[9], "9");
}

TEST(FitItemColumns, SharesOfTheWidthRoundedHalfToEven) {
    EXPECT_EQ(shell::FitItemColumns(1000),
              (std::array<std::int32_t, 9>{100, 100, 120, 100, 70, 160, 50, 50, 250}));
    // 50 x 0.05 = 2.5 -> 2, 50 x 0.10 = 5, 50 x 0.07 = 3.5 -> 4, 50 x 0.25 = 12.5 -> 12.
    EXPECT_EQ(shell::FitItemColumns(50), (std::array<std::int32_t, 9>{5, 5, 6, 5, 4, 8, 2, 2, 12}));
    // 30 x 0.05 = 1.5 -> 2; 150 x 0.07 = 10.5 -> 10 (a product in binary
    // floating point lands just above the half and would give 11).
    EXPECT_EQ(shell::FitItemColumns(30)[6], 2);
    EXPECT_EQ(shell::FitItemColumns(150)[4], 10);
    EXPECT_EQ(shell::FitItemColumns(0), (std::array<std::int32_t, 9>{}));
    EXPECT_EQ(shell::FitItemColumns(-5), (std::array<std::int32_t, 9>{}));
}

}  // namespace
