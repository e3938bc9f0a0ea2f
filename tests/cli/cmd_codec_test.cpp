// orvane-cli compress / decompress on raw streams.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::ToBytes;
using testing_support::WriteBytes;

const auto Cli = &testing_support::RunCli;

TEST(CliCodec, CompressWritesTheStreamOrNothing) {
    TempDir dir;
    WriteBytes(dir.file("in"), Bytes(40, 'A'));
    ASSERT_EQ(Cli("compress --type 2 " + dir.file("in") + " " + dir.file("z")).status, 0);
    EXPECT_EQ(ReadBytes(dir.file("z")), (Bytes{0x01, 'A', 0x0F, 0x00, 0x0F, 0x00, 0xE0, 0x00}));
    // Data that does not shrink fails without output: "AAAA" as type 1 would
    // take exactly its four bytes.
    for (const char* args : {"--type 1 --method hesk ", "--type 2 "}) {
        WriteBytes(dir.file("in"), ToBytes("AAAA"));
        auto r = Cli(std::string("compress ") + args + dir.file("in") + " " + dir.file("n"));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("does not shrink"), std::string::npos) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("n")));
    }
}

TEST(CliCodec, DamagedStreamsFailClearlyWithoutOutput) {
    TempDir dir;
    const std::pair<Bytes, std::string> cases[] = {
        {{0x17, 'a', 'b', 'c', 0x23}, "--type 2 --size 10"},                     // the reference word is cut
        {{0x01, 'A', 0x10, 0x00}, "--type 2 --size 6"},                           // before the start of the data
        {{0x17, 'a', 'b', 'c', 0x23, 0x00, 'X', 0x00}, "--type 2 --size 10"},  // bytes after the end
        {{0x17, 'a', 'b', 'c', 0x23}, "--type 1 --size 2000000000"},  // refused before anything is allocated
    };
    for (const auto& [stream, args] : cases) {
        WriteBytes(dir.file("in"), stream);
        auto r = Cli("decompress " + args + " " + dir.file("in") + " " + dir.file("out"));
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.out.find("damaged stream"), std::string::npos) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    }
}

}  // namespace
