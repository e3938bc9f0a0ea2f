// The exports of TarvoComp and TarvoCompC, loaded as the program loads them:
// every decoder on the same hand-written streams and the file functions.
#include <gtest/gtest.h>

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
    // The second builds write the first builds' streams.
    const Bytes stress = testing_support::TieStress(7);
    EXPECT_EQ(compress("Compress_LZMIT_C", stress), compress("Compress_LZMIT", stress));
}

}  // namespace
