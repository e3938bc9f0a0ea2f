#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "archive/item_table_builder.h"
#include "archive/save.h"

namespace {

using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::ToBytes;

const auto Cli = &testing_support::RunCli;

// Item 0 stored "hello"; item 1 type 2 claiming 10 bytes from a stream
// "abcabcabcX"; item 2 type 1 claiming 50 bytes from 3 stored bytes.
std::string WriteArchive(const testing_support::TempDir& dir) {
    using testing_support::EntryBytes;
    testing_support::WriteBytes(dir.file("TEST.HQR"), testing_support::RawArchive(
        {EntryBytes(5, 0, ToBytes("hello")), EntryBytes(10, 2, {0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}),
         EntryBytes(50, 1, {0xFF, 'a', 'b'})}));
    return dir.file("TEST.HQR");
}

TEST(CliExtract, WritesOneItemDecodedOrRaw) {
    testing_support::TempDir dir;
    const std::string archive = WriteArchive(dir);
    for (const char* decoder : {"tarvo", "okumura", "hesk", "dravik"}) {
        auto run = Cli("extract --decoder " + std::string(decoder) + " " + archive + " 1 " + dir.file("one"));
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(ReadBytes(dir.file("one")), ToBytes("abcabcabcX")) << decoder;
    }
    EXPECT_EQ(Cli("extract --raw " + archive + " 1 " + dir.file("raw")).status, 0);
    EXPECT_EQ(ReadBytes(dir.file("raw")).size(), 7u);
}

// The damaged item fails extraction without leaving a file.
TEST(CliExtract, DamagedItemFailsClearly) {
    testing_support::TempDir dir;
    auto damaged = Cli("extract " + WriteArchive(dir) + " 2 " + dir.file("x"));
    EXPECT_NE(damaged.out.find("Damaged compressed data"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
}

// list: a line per item, every column as wide as its widest cell and two
// spaces, the empty cells at the end of a line left out.
TEST(CliCommands, ListPadsEachColumnToItsWidestCell) {
    testing_support::TempDir dir;
    EXPECT_EQ(Cli("list " + WriteArchive(dir)).out,
              "Index  Offset  Decompressed size  Compressed size  Compression type  Replace with  Ratio  Extension  "
              "Description\n0      10      5                                   Store\n"
              "1      1F      10                 7                LZMIT                           70.0%\n"
              "2      30      50                 3                LZSS                            6.0%\n");
}

// Every command's exit status: 0 done, 1 failed (also in part: one damaged
// item, one difference), 2 wrong usage. $A is an intact archive, $B another,
// $C one with as many items as $B but another size,
// $D one with a damaged item, $ the test folder.
TEST(CliCommands, ExitStatusOnSuccessFailureAndBadUsage) {
    testing_support::TempDir dir;
    WriteArchive(dir);  // $D
    archive::SaveArchive(testing_support::DistinctCountsTable(), dir.file("SAMPLE.VOX"));
    archive::SaveArchive(testing_support::BuildTable({testing_support::N("b")}), dir.file("B.HQR"));
    archive::SaveArchive(testing_support::BuildTable({testing_support::N("cc")}), dir.file("C.HQR"));
    testing_support::WriteBytes(dir.file("in"), Bytes(40, 'A'));
    const std::pair<const char*, int> cases[] = {
        {"list $A", 0}, {"list --json $A", 0}, {"list $none", 1}, {"list", 2}, {"list --raw $A", 2},
        {"info $A", 0}, {"info --json $A", 0}, {"info $none", 1}, {"info $A $A", 2}, {"info --raw $A", 2},
        {"extract $A 9 $x", 0}, {"extract $A 10 $x", 1}, {"extract $D 2 $x", 1}, {"extract $A 1 2 $x", 2},
        {"extract $A 1x $x", 2}, {"extract --decoder zip $A 0 $x", 2},
        {"extract-all $A $all", 0}, {"extract-all $D $dall", 1}, {"extract-all $A", 2},
        {"extract-all --decoder zip $A $all", 2},
        {"verify $A", 0}, {"verify $D", 1}, {"verify", 2}, {"verify --json $A", 2},
        {"compare $A $A", 0}, {"compare $A $B", 1}, {"compare $B $C", 1}, {"compare $A $none", 1}, {"compare $A", 2},
        {"compress --type 2 $in $z", 0}, {"compress --type 1 $none $z", 1}, {"compress --type 3 $in $z", 2},
        {"compress --type 1 --method nope $in $z", 2}, {"decompress --type 2 --size 40 $z $out", 0},
        {"decompress --type 2 --size 41 $z $out", 1}, {"decompress --type 2 $z $out", 2},
        {"decompress --type 1 --size -4 $z $out", 2}, {"decompress --type 1 --size 12x $z $out", 2},
        {"decompress --type 2 --size 0 $z $out0", 1},  // a size of 0 is no usage error; the stream goes on
        {"bogus $A", 2}, {"", 2},
        // One argument too many is wrong usage for every command.
        {"list $A $A", 2}, {"verify $A $A", 2}, {"compare $A $A $A", 2}, {"extract-all $A $all $x", 2},
        {"compress --type 1 $in $z $x", 2}, {"decompress --type 2 --size 40 $z $out $x", 2},
    };
    for (const auto& [pattern, status] : cases) {
        std::string args = pattern;
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"$A", "SAMPLE.VOX"}, {"$B", "B.HQR"}, {"$C", "C.HQR"},
                                       {"$D", "TEST.HQR"}, {"$", ""}})
            for (std::size_t at; (at = args.find(from)) != std::string::npos;) args.replace(at, from.size(), dir.file(to));
        EXPECT_EQ(Cli(args).status, status) << pattern;
    }
    EXPECT_EQ(ReadBytes(dir.file("out")), Bytes(40, 'A'));
    EXPECT_EQ(ReadBytes(dir.file("x")), Bytes(40, 'A'));
    // One damaged item keeps none of the others back.
    const auto extracted = std::filesystem::directory_iterator(dir.file("dall"));
    EXPECT_EQ(std::distance(begin(extracted), end(extracted)), 2);
}

// Every field of info --json and every kind of list --json, on an archive
// whose counts and sizes all differ.
TEST(CliCommands, InfoAndListJsonFields) {
    testing_support::TempDir dir;
    const std::string path = dir.file("SAMPLE.VOX");
    archive::SaveArchive(testing_support::DistinctCountsTable(), path);
    auto r = Cli("info --json " + path);
    EXPECT_EQ(r.out, "{\"path\": \"" + path + "\", \"key\": \"SAMPLE\", \"title\": \"Tarvo sample archive\", "
                     "\"voice\": true, \"item_count\": 10, \"slot_count\": 7, \"file_size\": 141, \"normal\": 4, "
                     "\"pointers\": 2, \"blank\": 1, \"hidden\": 3, \"stored_bytes\": 39, \"decompressed_bytes\": 71}\n");
    const std::string accented = dir.file("\xE9.VOX");  // Latin-1 names come out as UTF-8
    archive::SaveArchive(testing_support::DistinctCountsTable(), accented);
    EXPECT_NE(Cli("info --json " + accented).out.find(dir.file("\xC3\xA9.VOX")), std::string::npos);
    r = Cli("list --json " + path);
    for (const auto& [kind, count] : {std::pair{"normal", 4}, {"hidden", 3}, {"pointer", 2}, {"blank", 1}}) {
        int found = 0;
        for (std::size_t at = 0; (at = r.out.find("\"kind\": \"" + std::string(kind) + "\"", at)) != std::string::npos; ++at)
            ++found;
        EXPECT_EQ(found, count) << kind;
    }
    EXPECT_NE(r.out.find("{\"index\": 6, \"kind\": \"pointer\", \"refers_to\": 4,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"decompressed_size\": 40, \"stored_size\": 8, \"type\": 2, \"type_name\": \"LZMIT\""),
              std::string::npos);
}

}  // namespace
