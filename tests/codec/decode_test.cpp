// The bounded decoder, the plain buffer decoder and the ring decoder on
// hand-written streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/lz.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int x : v) out.push_back(static_cast<std::uint8_t>(x));
    return out;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

Bytes Bounded(const Bytes& in, std::size_t size, int type, codec::DecodeStatus expected = codec::DecodeStatus::Ok) {
    Bytes out(size, 0xEE);
    auto r = codec::DecodeLZType(in, out, type);
    EXPECT_EQ(r.status, expected) << codec::DecodeStatusText(r.status);
    return out;
}

Bytes Plain(const Bytes& in, std::int32_t size, int bias) {
    Bytes out(size > 0 ? size : 0, 0xEE);
    // Pad so a wrong decoder reading past the stream shows as a difference, not a crash.
    Bytes padded = in;
    padded.resize(in.size() + 64, 0);
    codec::ExpandBuffer(out.data(), padded.data(), size, bias);
    return out;
}

Bytes Ring(const Bytes& in, int type) {
    Bytes out;
    codec::RingDecode(in, type, out);
    return out;
}

TEST(DecodeWorkedExamples, Type2Abc) {
    Bytes s = B({0x17, 0x61, 0x62, 0x63, 0x23, 0x00, 0x58});
    EXPECT_EQ(Str(Bounded(s, 10, 2)), "abcabcabcX");
    EXPECT_EQ(Str(Plain(s, 10, 3)), "abcabcabcX");
    EXPECT_EQ(Str(Ring(s, 2)), "abcabcabcX");
}

TEST(DecodeWorkedExamples, Type1Abc) {
    Bytes s = B({0x17, 0x61, 0x62, 0x63, 0x24, 0x00, 0x58});
    EXPECT_EQ(Str(Bounded(s, 10, 1)), "abcabcabcX");
    EXPECT_EQ(Str(Plain(s, 10, 2)), "abcabcabcX");
    EXPECT_EQ(Str(Ring(s, 1)), "abcabcabcX");
}

TEST(DecodeWorkedExamples, DistanceOneBothTypes) {
    Bytes s = B({0x01, 0x41, 0x01, 0x00});
    EXPECT_EQ(Str(Bounded(s, 5, 2)), "AAAAA");
    EXPECT_EQ(Str(Bounded(s, 4, 1)), "AAAA");
    EXPECT_EQ(Str(Ring(s, 2)), "AAAAA");
    EXPECT_EQ(Str(Ring(s, 1)), "AAAA");
}

TEST(DecodeEdges, LongestDistanceOneRun) {
    Bytes s = B({0x01, 0x41, 0x0F, 0x00});  // literal, then L=15 D=0
    EXPECT_EQ(Str(Bounded(s, 19, 2)), std::string(19, 'A'));
    EXPECT_EQ(Str(Plain(s, 19, 3)), std::string(19, 'A'));
}

TEST(DecodeEdges, LengthAboveDistanceRepeatsPattern) {
    Bytes s = B({0x07, 'x', 'y', 'z', 0x2E, 0x00});  // L=14, D=2: 17 bytes from distance 3 (type 2)
    std::string want = "xyz";
    while (want.size() < 20) want += want.substr(want.size() - 3, 1);
    EXPECT_EQ(Str(Bounded(s, 20, 2)), want);
    EXPECT_EQ(Str(Plain(s, 20, 3)), want);
    EXPECT_EQ(Str(Ring(s, 2)), want);
}

TEST(DecodeEdges, OffsetFieldMaxReachesBack4096) {
    Bytes stream;
    Bytes expect;
    for (int g = 0; g < 512; ++g) {  // 4096 literals
        stream.push_back(0xFF);
        for (int k = 0; k < 8; ++k) {
            auto b = static_cast<std::uint8_t>((g * 8 + k) * 7 + 3);
            stream.push_back(b);
            expect.push_back(b);
        }
    }
    stream.push_back(0x00);
    stream.push_back(0xF0);  // L=0, D=4095
    stream.push_back(0xFF);
    for (int i = 0; i < 3; ++i) expect.push_back(expect[i]);
    EXPECT_EQ(Bounded(stream, expect.size(), 2), expect);
    EXPECT_EQ(Plain(stream, static_cast<std::int32_t>(expect.size()), 3), expect);
    EXPECT_EQ(Ring(stream, 2), expect);
}

TEST(DecodeEdges, ZeroOrNegativeSizeDoesNothing) {
    Bytes s = B({0x01, 0x41});
    Bytes out(4, 0xEE);
    EXPECT_EQ(codec::DecodeLZ(s, std::span<std::uint8_t>(out.data(), 0), 3).consumed, 0u);
    codec::ExpandBuffer(out.data(), s.data(), 0, 3);
    codec::ExpandBuffer(out.data(), s.data(), -5, 3);
    EXPECT_EQ(out, Bytes(4, 0xEE));
}

TEST(DecodeEdges, TypesDifferOnlyInLengths) {
    Bytes s = B({0x03, 'a', 'b', 0x12, 0x00});  // L=2, D=1
    EXPECT_EQ(Str(Bounded(s, 6, 1)), "ababab");
    EXPECT_EQ(Str(Bounded(s, 7, 2)), "abababa");
}

TEST(BoundedDecodeReports, TruncatedInput) {
    Bytes s = B({0x17, 0x61, 0x62, 0x63, 0x23});
    Bytes out(10);
    auto r = codec::DecodeLZ(s, out, 3);
    EXPECT_EQ(r.status, codec::DecodeStatus::TruncatedInput);
    EXPECT_EQ(r.produced, 3u);
    EXPECT_EQ(r.consumed, 4u);
    EXPECT_EQ(codec::DecodeLZ(Bytes{}, out, 3).status, codec::DecodeStatus::TruncatedInput);
}

TEST(BoundedDecodeReports, DistanceBeforeStart) {
    Bytes s = B({0x01, 0x41, 0x10, 0x00});  // distance 2 after one byte
    Bytes out(8);
    auto r = codec::DecodeLZ(s, out, 3);
    EXPECT_EQ(r.status, codec::DecodeStatus::DistanceBeforeStart);
    EXPECT_EQ(r.produced, 1u);
    EXPECT_EQ(codec::ExpandBuffer(out.data(), s.data(), 8, 3), codec::DecodeStatus::DistanceBeforeStart);
}

TEST(BoundedDecodeReports, ReferenceCutAtDeclaredSize) {
    Bytes s = B({0x01, 0x41, 0x0F, 0x00});
    Bytes out(12, 0xEE);
    auto r = codec::DecodeLZ(s, std::span<std::uint8_t>(out.data(), 10), 3);
    EXPECT_EQ(r.status, codec::DecodeStatus::ReferencePastEnd);
    EXPECT_EQ(r.produced, 10u);
    EXPECT_EQ(out[10], 0xEE);
    EXPECT_EQ(out[11], 0xEE);
}

TEST(BoundedDecodeReports, TrailingBytesLeftUnread) {
    Bytes s = B({0x17, 0x61, 0x62, 0x63, 0x23, 0x00, 0x58, 0x99, 0x99});
    Bytes out(10);
    auto r = codec::DecodeLZ(s, out, 3);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.consumed, 7u);
}

TEST(BoundedDecodeReports, BadBias) {
    Bytes s = B({0x00, 0x00, 0x00});
    Bytes out(4);
    EXPECT_EQ(codec::DecodeLZ(s, out, 0).status, codec::DecodeStatus::BadBias);
}

TEST(MaxDecompressedSize, BoundsTheLongestStreams) {
    EXPECT_EQ(codec::MaxDecompressedSize(0, 2), 0u);
    EXPECT_EQ(codec::MaxDecompressedSize(1, 2), 0u);
    EXPECT_EQ(codec::MaxDecompressedSize(2, 2), 1u);
    EXPECT_EQ(codec::MaxDecompressedSize(3, 2), 18u);
    EXPECT_EQ(codec::MaxDecompressedSize(17, 2), 144u);
    EXPECT_EQ(codec::MaxDecompressedSize(17, 1), 136u);
    EXPECT_EQ(codec::MaxDecompressedSize(34, 2), 288u);
    EXPECT_EQ(codec::MaxDecompressedSize(100, 0), 100u);
    // The bound is reached: a flag byte of references at distance 1 after a literal.
    Bytes s = B({0x01, 0x41});
    for (int k = 1; k < 8; ++k) { s.push_back(0x0F); s.push_back(0x00); }
    Bytes out(1 + 7 * 18);
    auto r = codec::DecodeLZ(s, out, 3);
    EXPECT_TRUE(r.ok());
    EXPECT_LE(out.size(), codec::MaxDecompressedSize(s.size(), 2));
}

}  // namespace
