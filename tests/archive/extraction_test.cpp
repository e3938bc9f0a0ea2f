#include "archive/extraction.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/item_operations.h"
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
using testing_support::ReadBytes;
using testing_support::Text;

const archive::MethodSettings kTarvo;

TEST(ExtractItem, WritesDecompressedBytesOfEveryKind) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N(std::string(600, 'q') + "end"), P(0), B()});
    archive::ChangeItemCompressionType(t, 0, 2, kTarvo);
    ASSERT_EQ(t[0].CompressionType, 2);
    archive::ExtractItem(t, 0, dir.file("0"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("0"))), std::string(600, 'q') + "end");
    archive::ExtractItem(t, 1, dir.file("1"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("1"))), std::string(600, 'q') + "end");
    archive::ExtractItem(t, 2, dir.file("2"), kTarvo);
    EXPECT_TRUE(std::filesystem::exists(dir.file("2")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("2")), 0u);
}

TEST(ExtractItem, RestoresTheFirstLetterOfHiddenItems) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N("n"), H(std::string("\x01" "IFF\x10\x00", 6)), H(std::string("\0wave", 5))});
    archive::ExtractItem(t, 1, dir.file("r"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("r"))).substr(0, 4), "RIFF");
    archive::ExtractItem(t, 2, dir.file("c"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("c"))), "Cwave");
    // As stored, the marker stays.
    archive::ExtractItemAsIs(t, 2, dir.file("s"));
    EXPECT_EQ(ReadBytes(dir.file("s"))[0], 0);
    // The letter follows from the decompressed bytes, not from stream bytes.
    const std::string wave = "\x01" "IFF" + std::string(600, 'w');
    t = BuildTable({N("n"), H(wave), N("m")});
    archive::ChangeItemCompressionType(t, 1, 1, kTarvo);
    ASSERT_EQ(t[1].CompressionType, 1);
    archive::ExtractItem(t, 1, dir.file("z"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("z"))), "R" + wave.substr(1));
}

TEST(ExtractItem, ReplacesALongerFile) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N("long long long"), N("short")});
    archive::ExtractItem(t, 0, dir.file("x"), kTarvo);
    archive::ExtractItem(t, 1, dir.file("x"), kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("x"))), "short");
    archive::ExtractItemAsIs(t, 0, dir.file("x"));
    archive::ExtractItemAsIs(t, 1, dir.file("x"));
    EXPECT_EQ(Text(ReadBytes(dir.file("x"))), "short");
}

TEST(ExtractItemAsIs, WritesTheStoredStream) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N(std::string(300, 'a'))});
    archive::ChangeItemCompressionType(t, 0, 1, kTarvo);
    archive::ExtractItemAsIs(t, 0, dir.file("raw"));
    EXPECT_EQ(ReadBytes(dir.file("raw")), t[0].Data);
}

TEST(ExtractRejects, ItemNumbersOutsideTheTable) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N("a")});
    for (std::int32_t item : {1, -1}) {
        testing_support::ExpectError([&] { archive::ExtractItem(t, item, dir.file("x"), kTarvo); }, 40960 + item,
                                     "ExtractItem", "Invalid .HQR item number");
        const archive::Error e = testing_support::ErrorOf([&] { archive::ExtractItemAsIs(t, item, dir.file("x")); });
        EXPECT_EQ(e.Number, 1024 + item);
        EXPECT_EQ(e.Source, "ExtractItemAsIs");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
    // A folder that does not exist is the file system's error, with the path.
    const archive::Error e =
        testing_support::ErrorOf([&] { archive::ExtractItem(t, 0, dir.file("no/such/file"), kTarvo); });
    EXPECT_NE(e.Description.find("no/such/file"), std::string::npos);
}

TEST(NumberText, PadsToWidthButNeverCuts) {
    EXPECT_EQ(archive::NumberText(3, 4), "0003");
    EXPECT_EQ(archive::NumberText(1200, 4), "1200");
    EXPECT_EQ(archive::NumberText(12345, 4), "12345");
    EXPECT_EQ(archive::NumberText(0, 4), "0000");
}

TEST(ExtractMarkedItems, NamesFilesByKeyNumberAndExtension) {
    testing_support::TempDir dir;
    std::vector<testing_support::ItemSpec> items;
    for (int i = 0; i < 1201; ++i) items.push_back(N("item" + std::to_string(i), "anm"));
    ItemTable t = BuildTable(items, "ANIM");
    t[3].Marked = true;
    t[1200].Marked = true;
    archive::ExtractMarkedItems(t, dir.path().string() + "/", kTarvo);
    EXPECT_EQ(Text(ReadBytes(dir.file("ANIM0003.anm"))), "item3");
    EXPECT_EQ(Text(ReadBytes(dir.file("ANIM1200.anm"))), "item1200");
    EXPECT_FALSE(t[3].Marked || t[1200].Marked);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 2);
}

TEST(ExtractMarkedItems, AnEmptyExtensionEndsTheNameInADot) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N("x")}, "RESS");
    t[0].Marked = true;
    archive::ExtractMarkedItemsAsIs(t, dir.path().string());
    EXPECT_EQ(Text(ReadBytes(dir.file("RESS0000."))), "x");
}

TEST(ExtractMarkedItems, NamesNeverLeaveTheChosenFolder) {
    testing_support::TempDir root;
    std::filesystem::create_directory(root.file("out"));
    ItemTable t = BuildTable({N("a", "../../evil"), N("b", "x/..")}, "../KEY");
    EXPECT_EQ(archive::BulkExtractionName(t, 0, "/x/out/"), "/x/out/.._KEY0000..._.._evil");
    t[0].Marked = t[1].Marked = true;
    archive::ExtractMarkedItems(t, root.file("out") + "/", kTarvo);
    int inOut = 0, inRoot = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root.file("out"))) ++inOut;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root.path())) ++inRoot;
    EXPECT_EQ(inOut, 2);
    EXPECT_EQ(inRoot, 1);
    EXPECT_EQ(archive::BulkExtractionName(t, 1, "dir\\"), "dir/.._KEY0001.x_..");
}

TEST(ExtractMarkedItems, AnErrorStopsTheRunAndKeepsLaterMarks) {
    testing_support::TempDir dir;
    ItemTable t = BuildTable({N("ok"), N("bad"), N("later")}, "K");
    t[1].CompressionType = 1;
    t[1].DecompressedSize = 1000;
    for (int i = 0; i < 3; ++i) t[i].Marked = true;
    EXPECT_THROW(archive::ExtractMarkedItems(t, dir.path().string(), kTarvo), archive::Error);
    EXPECT_FALSE(t[0].Marked);
    EXPECT_TRUE(t[1].Marked);
    EXPECT_TRUE(t[2].Marked);
    EXPECT_TRUE(std::filesystem::exists(dir.file("K0000.")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("K0002.")));
}

}  // namespace
