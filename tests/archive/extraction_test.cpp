#include "archive/extraction.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/item_operations.h"
#include "item_table_builder.h"
#include "support/expect_error.h"

namespace {

using archive::ItemTable;
using namespace testing_support;

const archive::MethodSettings kTarvo;

int FilesIn(const std::filesystem::path& folder) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(ExtractItem, WritesDecodedOrStoredBytesOfEveryKind) {
    TempDir dir;
    const std::string text = std::string(600, 'q') + "end";
    ItemTable t = BuildTable({N(text), P(0), B(), N("x"), H(std::string("\x01" "IFF\x10\x00", 6)), H(std::string("\0wave", 5))});
    archive::ChangeItemCompressionType(t, 0, 2, kTarvo);
    const std::pair<int, std::string> cases[] = {{0, text}, {1, text}, {2, ""}, {3, "x"}, {5, "Cwave"}};
    for (const auto& [item, want] : cases) {
        archive::ExtractItem(t, item, dir.file("x"), kTarvo);  // replaces the longer file before
        EXPECT_EQ(Text(ReadBytes(dir.file("x"))), want) << item;
    }
    // A hidden item gets its first letter back; as stored, the marker stays.
    archive::ExtractItem(t, 4, dir.file("r"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("r"))).substr(0, 4), "RIFF");
    archive::ExtractItemAsIs(t, 5, dir.file("s"));
    EXPECT_EQ(ReadBytes(dir.file("s"))[0], 0);
    archive::ExtractItemAsIs(t, 0, dir.file("raw"));
    EXPECT_EQ(ReadBytes(dir.file("raw")), t[0].Data);
    // The letter follows from the decompressed bytes, not from stream bytes.
    const std::string wave = "\x01" "IFF" + std::string(600, 'w');
    t = BuildTable({N("n"), H(wave), N("m")});
    archive::ChangeItemCompressionType(t, 1, 1, kTarvo);
    ASSERT_EQ(t[1].CompressionType, 1);
    archive::ExtractItem(t, 1, dir.file("z"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("z"))), "R" + wave.substr(1));
}

TEST(ExtractMarkedItems, NamesFilesByKeyNumberAndExtension) {
    TempDir dir;
    std::vector<ItemSpec> items;
    for (int i = 0; i < 12001; ++i) items.push_back(N("item" + std::to_string(i), "anm"));
    ItemTable t = BuildTable(items, "ANIM");
    t[3].Marked = t[1200].Marked = t[12000].Marked = true;
    archive::ExtractMarkedItems(t, dir.path().string() + "/", kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("ANIM0003.anm"))), "item3");
    EXPECT_EQ(Text(ReadBytes(dir.file("ANIM1200.anm"))), "item1200");
    EXPECT_EQ(Text(ReadBytes(dir.file("ANIM12000.anm"))), "item12000");
    EXPECT_FALSE(t[3].Marked || t[1200].Marked);
    EXPECT_EQ(FilesIn(dir.path()), 3);
    t = BuildTable({N("x")}, "RESS");  // an empty extension ends the name in a dot
    t[0].Marked = true;
    archive::ExtractMarkedItemsAsIs(t, dir.path().string());
    EXPECT_EQ(Text(ReadBytes(dir.file("RESS0000."))), "x");
}

TEST(ExtractMarkedItems, NamesNeverLeaveTheChosenFolder) {
    TempDir root;
    std::filesystem::create_directory(root.file("out"));
    ItemTable t = BuildTable({N("a", "../../evil"), N("b", "x/..")}, "../KEY");
    EXPECT_EQ(archive::BulkExtractionName(t, 0, "/x/out/"), "/x/out/.._KEY0000..._.._evil");
    EXPECT_EQ(archive::BulkExtractionName(t, 1, "dir\\"), "dir/.._KEY0001.x_..");
    t[0].Marked = t[1].Marked = true;
    archive::ExtractMarkedItems(t, root.file("out") + "/", kTarvo);
    EXPECT_EQ(FilesIn(root.file("out")), 2);
    EXPECT_EQ(FilesIn(root.path()), 1);
}

}  // namespace
