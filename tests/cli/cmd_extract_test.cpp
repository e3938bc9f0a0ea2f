#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "archive/item_table_builder.h"

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

TEST(CliExtract, RefusesBadArguments) {
    testing_support::TempDir dir;
    const std::string archive = WriteArchive(dir);
    EXPECT_EQ(Cli("extract " + archive + " 1 2 " + dir.file("x")).status, 2);
    EXPECT_EQ(Cli("extract " + archive + " 3 " + dir.file("x")).status, 1);
    EXPECT_EQ(Cli("extract " + archive + " 1x " + dir.file("x")).status, 2);
    EXPECT_EQ(Cli("extract --decoder zip " + archive + " 0 " + dir.file("x")).status, 2);
    auto damaged = Cli("extract " + archive + " 2 " + dir.file("x"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find("Damaged compressed data"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
}

}  // namespace
