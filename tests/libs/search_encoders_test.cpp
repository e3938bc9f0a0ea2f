// The search encoders of TarvoCompC (Compress with CompressBytes and
// GetMaxSize, CompressDravik, CompressHesk): exact streams, tie rules, the
// end of the input, and the results for odd arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codec/lz.h"
#include "codec/stream_check.h"
#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::TarvoCompC;
using streamcheck::Lit;
using streamcheck::Ref;

constexpr std::uint8_t kGuard = 0xA5;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Runs `Compress` with a buffer of exactly the promised size plus guard
// bytes that must stay untouched.
Bytes RunCompress(const Bytes& in, int type) {
    auto* compress = TarvoCompC().Get<encoder_libraries::CompressFunction>("Compress");
    const std::size_t room = in.size() + (in.size() + 7) / 8;
    Bytes out(room + 8, kGuard);
    std::int32_t length = -1;
    compress(static_cast<std::int32_t>(in.size()), &length, out.data(), in.data(), type);
    EXPECT_LE(static_cast<std::size_t>(length), room);
    for (std::size_t i = room; i < out.size(); ++i) EXPECT_EQ(out[i], kGuard) << "written past the buffer";
    out.resize(static_cast<std::size_t>(length));
    return out;
}

Bytes RunHesk(const Bytes& in, int type, std::int32_t* result = nullptr) {
    auto* hesk = TarvoCompC().Get<encoder_libraries::CompressHeskFunction>("CompressHesk");
    const std::size_t room = in.size() + (in.size() + 7) / 8;
    Bytes out(room + 8, kGuard);
    const std::int32_t length = hesk(out.data(), in.data(), static_cast<std::int32_t>(in.size()), type);
    if (result) *result = length;
    for (std::size_t i = room; i < out.size(); ++i) EXPECT_EQ(out[i], kGuard) << "written past the buffer";
    if (type != 1 && type != 2) return out;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// Both encoders give the same stream: their tie rules agree.
Bytes RunBoth(const Bytes& in, int type) {
    const Bytes stream = RunCompress(in, type);
    EXPECT_EQ(RunHesk(in, type), stream) << "Compress and CompressHesk differ, type " << type;
    return stream;
}

TEST(SearchEncoders, HundredEqualBytesAsType1) {
    const Bytes stream = RunBoth(Bytes(100, 'A'), 1);
    // The oldest candidate of the longest copy ends each search; the last 14
    // bytes match equally everywhere and the nearest wins.
    EXPECT_EQ(stream, (Bytes{0x01, 'A', 0x0F, 0x00, 0x1F, 0x01, 0x2F, 0x02, 0x3F, 0x03, 0x4F, 0x04, 0x0C, 0x00}));
    EXPECT_EQ(streamcheck::Parse(stream, 100, 2).items,
              (std::vector<streamcheck::Item>{Lit('A'), Ref(17, 1), Ref(17, 18), Ref(17, 35), Ref(17, 52),
                                              Ref(17, 69), Ref(14, 1)}));
}

TEST(SearchEncoders, HundredEqualBytesAsType2TakeTheFarthest) {
    const Bytes stream = RunBoth(Bytes(100, 'A'), 2);
    EXPECT_EQ(streamcheck::Parse(stream, 100, 3).items,
              (std::vector<streamcheck::Item>{Lit('A'), Ref(18, 1), Ref(18, 19), Ref(18, 37), Ref(18, 55),
                                              Ref(18, 73), Ref(9, 91)}));
}

TEST(SearchEncoders, TiesGoToTheNearerForType1AndTheFartherForType2) {
    // At the third "abc" the copies 4 and 8 back match three bytes each.
    const Bytes in = Text("abcXabcYabcZ");
    EXPECT_EQ(RunBoth(in, 1), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x31, 0x00, 'Y', 0x31, 0x00, 'Z'}));
    EXPECT_EQ(RunBoth(in, 2), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x30, 0x00, 'Y', 0x70, 0x00, 'Z'}));
}

TEST(SearchEncoders, NeverMatchPastTheEndOfTheInput) {
    // The last "ab" would start a type 2 match that runs past the end.
    EXPECT_EQ(RunBoth(Text("abcab"), 2), (Bytes{0x1F, 'a', 'b', 'c', 'a', 'b'}));
    EXPECT_EQ(RunBoth(Text("abcab"), 1), (Bytes{0x07, 'a', 'b', 'c', 0x20, 0x00}));
    // A run cut by the end: the last reference takes what is left.
    EXPECT_EQ(streamcheck::Parse(RunBoth(Bytes(20, 0), 2), 20, 3).items,
              (std::vector<streamcheck::Item>{Lit(0), Ref(18, 1), Lit(0)}));
}

TEST(SearchEncoders, IncompressibleInputGrowsByOneFlagBytePerEight) {
    for (std::size_t n = 1; n <= 256; n += 17) {
        Bytes in(n);
        for (std::size_t i = 0; i < n; ++i) in[i] = static_cast<std::uint8_t>(i);
        for (int type = 1; type <= 2; ++type) EXPECT_EQ(RunBoth(in, type).size(), n + (n + 7) / 8) << n;
    }
}

TEST(SearchEncoders, EmptyInputGivesAnEmptyStream) {
    for (int type = 1; type <= 2; ++type) {
        EXPECT_TRUE(RunCompress({}, type).empty());
        std::int32_t result = -1;
        RunHesk({}, type, &result);
        EXPECT_EQ(result, 0);
    }
}

TEST(SearchEncoders, AgreeOnCorpusSamples) {
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix() / 2));
        for (int type = 1; type <= 2; ++type) {
            const Bytes stream = RunBoth(data, type);
            Bytes back(data.size());
            ASSERT_TRUE(codec::DecodeLZType(stream, back, type).ok()) << path;
            EXPECT_TRUE(back == data) << path << " type " << type;
        }
    }
}

TEST(CompressHeskRejects, TypesOtherThanOneAndTwo) {
    const Bytes in = Text("abcabcabc");
    for (int type : {0, 3, -1}) {
        std::int32_t result = -1;
        const Bytes out = RunHesk(in, type, &result);
        EXPECT_EQ(result, static_cast<std::int32_t>(in.size())) << type;
        EXPECT_EQ(out, Bytes(out.size(), kGuard)) << "nothing written, type " << type;
    }
}

TEST(GetMaxSize, CountsEqualLeadingBytesUpToTheLongestCopy) {
    auto* getMaxSize = TarvoCompC().Get<std::int32_t(const std::uint8_t*, const std::uint8_t*, std::int32_t)>(
        "GetMaxSize");
    Bytes a(40, 'x'), b(40, 'x');
    EXPECT_EQ(getMaxSize(a.data(), b.data(), 1), 17);
    EXPECT_EQ(getMaxSize(a.data(), b.data(), 2), 18);
    b[5] = 'y';
    EXPECT_EQ(getMaxSize(a.data(), b.data(), 2), 5);
}

TEST(CompressBytes, ReportsTheMatchWordAndLimitsTheWindow) {
    auto* compressBytes =
        TarvoCompC().Get<std::uint8_t(const std::uint8_t*, std::int16_t*, std::int32_t, std::int32_t)>(
            "CompressBytes");
    const Bytes run(100, 'A');
    std::int16_t word = 0;
    // At 18 with 18 bytes before: the oldest candidate matches 17 bytes.
    EXPECT_EQ(compressBytes(run.data() + 18, &word, 18, 1), 1);
    EXPECT_EQ(static_cast<std::uint16_t>(word), 0x11F);
    EXPECT_EQ(compressBytes(run.data() + 18, &word, 18, 2), 1);
    EXPECT_EQ(static_cast<std::uint16_t>(word), 0x11F);  // 18 back, length 18

    // The only match lies 5000 back, beyond the 4096 bytes searched.
    Bytes far = testing_support::RandomBytes(5100, 3);
    std::copy(far.begin(), far.begin() + 30, far.begin() + 5000);
    word = 0x1234;
    EXPECT_EQ(compressBytes(far.data() + 5000, &word, 5000, 2), 0);
    EXPECT_EQ(word, 0x1234);
}

TEST(CompressDravik, WritesTheStreamOfCompress) {
    auto* dravik = TarvoCompC().Get<encoder_libraries::FileFunction>("CompressDravik");
    const Bytes in = Text("abcXabcYabcZ abcXabcYabcZ");
    for (int type = 1; type <= 2; ++type) {
        std::int32_t result = -1;
        const Bytes out = encoder_libraries::ThroughFiles(
            in, [&](const char* a, const char* b) { result = dravik(a, b, type); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(out, RunCompress(in, type));
    }
}

TEST(CompressDravik, FailsWithoutCreatingOutputWhenTheInputIsMissing) {
    auto* dravik = TarvoCompC().Get<encoder_libraries::FileFunction>("CompressDravik");
    testing_support::TempDir dir;
    const std::string out = dir.file("out.bin");
    EXPECT_EQ(dravik(dir.file("missing.bin").c_str(), out.c_str(), 1), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(dravik(nullptr, out.c_str(), 1), 0);
}

}  // namespace
