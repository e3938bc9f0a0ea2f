// The exports of TarvoComp and TarvoCompC, loaded as the program loads them:
// every decoder on the same hand-written streams, the file functions, and
// hostile arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "libs/encoder_libraries.h"

namespace {

using namespace encoder_libraries;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::ToBytes;
using testing_support::WriteBytes;

TEST(TarvoLibraries, WorkedExamplesDecodeAlikeEverywhere) {
    const std::tuple<Bytes, int, std::string> cases[] = {
        {{0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}, 2, "abcabcabcX"},
        {{0x17, 'a', 'b', 'c', 0x24, 0x00, 'X'}, 1, "abcabcabcX"},
        {{0x01, 'A', 0x01, 0x00}, 2, "AAAAA"},
        {{0x01, 'A', 0x01, 0x00}, 1, "AAAA"},
        {{0x07, 'x', 'y', 'z', 0x2E, 0x00}, 2, "xyzxyzxyzxyzxyzxyzxy"},
        {{0x07, 'x', 'y', 'z', 0x2F, 0x00}, 1, "xyzxyzxyzxyzxyzxyzxy"},
    };
    for (const auto& [stream, type, want] : cases) ExpectEveryDecoderGives(stream, type, ToBytes(want));
    // The fixed entry decoder takes the low 16 bits of the type.
    Bytes in = {0x01, 'A', 0x01, 0x00}, out(5, 0);
    in.resize(64, 0);
    TarvoCompC().Get<OutputFirstDecoder>("TarvoRessExpandLZEntryFixed")(out.data(), in.data(), 5, 0x10002);
    EXPECT_EQ(out, ToBytes("AAAAA"));
}

TEST(TarvoLibraries, FileFunctionsOfOtherTypesCopyOrWriteNothing) {
    TempDir dir;
    WriteBytes(dir.file("in"), ToBytes("0123456789"));
    EXPECT_EQ(TarvoComp().Get<FileDecoder>("ExpandTarvo")(dir.file("in").c_str(), dir.file("out").c_str(), 4, 0), 0);
    EXPECT_EQ(ReadBytes(dir.file("out")), ToBytes("0123"));
    EXPECT_EQ(TarvoCompC().Get<FileFunction>("ExpandHOLZSS")(dir.file("in").c_str(), dir.file("h").c_str(), 3), 1);
    EXPECT_TRUE(ReadBytes(dir.file("h")).empty());
}

TEST(TarvoLibraries, CompressTarvoWritesTheStreamOrNothing) {
    auto* compressTarvo = TarvoComp().Get<FileFunction>("CompressTarvo");
    auto compress = [](const char* name, const Bytes& in) {
        Bytes out(in.size() * 2 + 1);
        out.resize(static_cast<std::size_t>(
            TarvoComp().Get<BufferEncoder>(name)(in.data(), out.data(), static_cast<std::int32_t>(in.size()))));
        return out;
    };
    const Bytes text = ToBytes(std::string(200, 'z') + "tail of the text, tail of the text");
    for (int type = 0; type <= 2; ++type) {
        const Bytes want = type == 0 ? text : compress(type == 1 ? "Compress_LZSS" : "Compress_LZMIT", text);
        EXPECT_EQ(ThroughFiles(text, [&](const char* a, const char* b) { compressTarvo(a, b, type); }), want);
        // Data that does not shrink leaves an empty file, never a partial stream.
        if (type > 0) {
            EXPECT_TRUE(ThroughFiles(ToBytes("abc"), [&](const char* a, const char* b) { compressTarvo(a, b, type); })
                            .empty());
        }
    }
    // The type 1 stream does not depend on earlier calls.
    const Bytes small = ToBytes("abracadabra abracadabra");
    const Bytes before = compress("Compress_LZSS", small);
    compress("Compress_LZSS", testing_support::RandomBytes(30000, 4));
    EXPECT_EQ(compress("Compress_LZSS_C", small), before);
}

TEST(TarvoLibraries, FileFunctionsReportMissingFiles) {
    TempDir dir;
    const std::string missing = dir.file("missing"), out = dir.file("out");
    EXPECT_EQ(TarvoCompC().Get<FileFunction>("ExpandHOLZSS")(missing.c_str(), out.c_str(), 2), 0);
    EXPECT_EQ(TarvoCompC().Get<FileDecoder>("ExpandQuenda")(missing.c_str(), out.c_str(), 10, 2), 0);
    TarvoComp().Get<FileDecoder>("ExpandTarvo")(missing.c_str(), out.c_str(), 10, 2);
    TarvoComp().Get<FileFunction>("CompressTarvo")(missing.c_str(), out.c_str(), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    WriteBytes(dir.file("in"), ToBytes("data"));
    const std::string unwritable = dir.file("no/such/folder/out");
    EXPECT_EQ(TarvoCompC().Get<FileFunction>("ExpandHOLZSS")(dir.file("in").c_str(), unwritable.c_str(), 2), 0);
    EXPECT_EQ(TarvoCompC().Get<FileDecoder>("ExpandQuenda")(dir.file("in").c_str(), unwritable.c_str(), 4, 2), 0);
}

TEST(TarvoLibraries, HostileArgumentsAreRefused) {
    Bytes buf(64, 0);
    for (const char* name : {"Compress_LZSS", "Compress_LZSS_C", "Compress_LZMIT", "Compress_LZMIT_C"}) {
        auto* fn = TarvoComp().Get<BufferEncoder>(name);
        EXPECT_EQ(fn(nullptr, buf.data(), 10), -1) << name;
        EXPECT_EQ(fn(buf.data(), nullptr, 10), -1) << name;
        EXPECT_EQ(fn(buf.data(), buf.data() + 32, -1), -1) << name;
        EXPECT_EQ(fn(nullptr, nullptr, 0), 0) << name;
    }
    Bytes out(8, 0xCD);
    for (const Library* lib : {&TarvoComp(), &TarvoCompC()}) {
        auto* expand = lib->Get<OutputFirstDecoder>("ExpandLZ");
        expand(nullptr, buf.data(), 8, 3);
        expand(out.data(), nullptr, 8, 3);
        expand(out.data(), buf.data(), -8, 3);
        expand(out.data(), buf.data(), 8, 0);  // no length bias: nothing to decode
    }
    TarvoComp().Get<InputFirstDecoder>("Expand_LZMIT")(nullptr, out.data(), 8);
    TarvoComp().Get<InputFirstDecoder>("Mit_UnCompress_Lzss")(buf.data(), nullptr, 8);
    TarvoCompC().Get<OutputFirstDecoder>("TarvoRessExpandLZEntry")(out.data(), buf.data(), 8, -1);
    EXPECT_EQ(out, Bytes(8, 0xCD));
    EXPECT_EQ(TarvoComp().Get<FileDecoder>("ExpandTarvo")(nullptr, nullptr, 4, 1), 0);
    EXPECT_EQ(TarvoCompC().Get<FileFunction>("ExpandHOLZSS")(nullptr, nullptr, 1), 0);
    EXPECT_EQ(TarvoCompC().Get<FileDecoder>("ExpandQuenda")(nullptr, nullptr, 4, 1), 0);
    TarvoCompC().Get<void(std::int32_t)>("Decode")(1);  // no open file pair: nothing happens
    // A distance before the output stops the decoder inside the size.
    Bytes before = {0x01, 'A', 0x10, 0x00};
    before.resize(64, 0);
    TarvoComp().Get<OutputFirstDecoder>("ExpandLZ")(out.data(), before.data(), 6, 3);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(out[6], 0xCD);
}

}  // namespace
