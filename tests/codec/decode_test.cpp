// The bounded decoder, the plain buffer decoder and the ring decoder on
// hand-written streams.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codec/lz.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using codec::DecodeStatus;

Bytes B(std::initializer_list<int> v) { return Bytes(v.begin(), v.end()); }
Bytes S(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Every decoder must give `want` from `stream` of `type`.
void ExpectAllDecode(const Bytes& stream, int type, const Bytes& want) {
    Bytes out(want.size(), 0xEE);
    EXPECT_TRUE(codec::DecodeLZType(stream, out, type).ok());
    EXPECT_EQ(out, want) << "bounded";
    Bytes padded = stream;  // the plain decoder is not told where the input ends
    padded.resize(stream.size() + 64, 0);
    out.assign(want.size(), 0xEE);
    codec::ExpandBuffer(out.data(), padded.data(), static_cast<std::int32_t>(want.size()), type + 1);
    EXPECT_EQ(out, want) << "plain";
    out.clear();
    codec::RingDecode(stream, type, out);
    EXPECT_EQ(out, want) << "ring";
}

TEST(Decoders, WorkedExamples) {
    struct Case {
        Bytes stream;
        int type;
        std::string want;
    };
    const Case cases[] = {
        {B({0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}), 2, "abcabcabcX"},
        {B({0x17, 'a', 'b', 'c', 0x24, 0x00, 'X'}), 1, "abcabcabcX"},
        {B({0x01, 'A', 0x01, 0x00}), 2, "AAAAA"},
        {B({0x01, 'A', 0x01, 0x00}), 1, "AAAA"},
        {B({0x01, 'A', 0x0F, 0x00}), 2, std::string(19, 'A')},
        {B({0x07, 'x', 'y', 'z', 0x2E, 0x00}), 2, "xyzxyzxyzxyzxyzxyzxy"},  // length above distance
        {B({0x03, 'a', 'b', 0x12, 0x00}), 1, "ababab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        ExpectAllDecode(c.stream, c.type, S(c.want));
    }
    // The distance field at its largest reaches 4096 back.
    Bytes stream, want;
    for (int i = 0; i < 4096; ++i) {
        if (i % 8 == 0) stream.push_back(0xFF);
        stream.push_back(static_cast<std::uint8_t>(i * 7 + 3));
        want.push_back(stream.back());
    }
    stream.insert(stream.end(), {0x00, 0xF0, 0xFF});
    want.insert(want.end(), want.begin(), want.begin() + 3);
    ExpectAllDecode(stream, 2, want);
    // The ring decoder's window starts out as spaces.
    Bytes ring;
    codec::RingDecode(B({0x00, 0x20, 0x00}), 2, ring);
    EXPECT_EQ(ring, S("   "));
}

// Streams long enough for the fast loop: literals among near copies of
// every distance up to 20 (overlapping what they write) and every length,
// against copies made byte by byte.
TEST(Decoders, LongStreamsOfNearCopies) {
    std::mt19937 rng(5);
    for (int type : {1, 2}) {
        Bytes stream, want;
        std::size_t flags = 0;
        for (int i = 0; i < 3000; ++i) {
            if (i % 8 == 0) {
                flags = stream.size();
                stream.push_back(static_cast<std::uint8_t>(rng() & rng()));  // a quarter literals
            }
            if (want.empty() || (stream[flags] >> (i % 8) & 1)) {
                stream[flags] |= static_cast<std::uint8_t>(1 << (i % 8));
                stream.push_back(static_cast<std::uint8_t>(rng()));
                want.push_back(stream.back());
                continue;
            }
            const std::size_t dist = 1 + rng() % std::min<std::size_t>(20, want.size()), len = rng() % 16;
            stream.push_back(static_cast<std::uint8_t>((dist - 1) << 4 | len));
            stream.push_back(static_cast<std::uint8_t>((dist - 1) >> 4));
            for (std::size_t k = 0; k < len + type + 1; ++k) want.push_back(want[want.size() - dist]);
        }
        ExpectAllDecode(stream, type, want);
    }
}

TEST(Decoders, ReportDamage) {
    struct Case {
        Bytes stream;
        std::size_t size;
        int bias;
        DecodeStatus status;
        std::size_t produced, consumed;
    };
    const Case cases[] = {
        {B({0x17, 'a', 'b', 'c', 0x23}), 10, 3, DecodeStatus::TruncatedInput, 3, 4},
        {B({}), 10, 3, DecodeStatus::TruncatedInput, 0, 0},
        {B({0x01, 'A', 0x10, 0x00}), 8, 3, DecodeStatus::DistanceBeforeStart, 1, 4},
        {B({0x01, 'A', 0x0F, 0x00}), 10, 3, DecodeStatus::ReferencePastEnd, 10, 4},
        {B({0x17, 'a', 'b', 'c', 0x23, 0x00, 'X', 0x99}), 10, 3, DecodeStatus::Ok, 10, 7},  // trailing byte unread
        {B({0x00, 0x00, 0x00}), 4, 0, DecodeStatus::BadBias, 0, 0},
    };
    for (const Case& c : cases) {
        Bytes out(c.size + 2, 0xEE);
        const auto r = codec::DecodeLZ(c.stream, std::span<std::uint8_t>(out.data(), c.size), c.bias);
        EXPECT_EQ(r.status, c.status) << codec::DecodeStatusText(r.status);
        EXPECT_EQ(r.produced, c.produced);
        EXPECT_EQ(r.consumed, c.consumed);
        EXPECT_EQ(out[c.size], 0xEE) << "written past the size";
    }
    Bytes out(8, 0xEE);
    const Bytes before = B({0x01, 'A', 0x10, 0x00});
    EXPECT_EQ(codec::ExpandBuffer(out.data(), before.data(), 8, 3), DecodeStatus::DistanceBeforeStart);
    codec::ExpandBuffer(out.data(), before.data(), -5, 3);  // nothing to do
    EXPECT_EQ(codec::DecodeLZ(before, std::span<std::uint8_t>(out.data(), 0), 3).consumed, 0u);
}

TEST(MaxDecompressedSize, BoundsTheLongestStreams) {
    const std::uint64_t cases[][3] = {{0, 2, 0},   {1, 2, 0},    {2, 2, 1},    {3, 2, 18},
                                      {17, 2, 144}, {17, 1, 136}, {34, 2, 288}, {160, 2, 1350},
                                      {100, 0, 100}};
    for (const auto& c : cases) EXPECT_EQ(codec::MaxDecompressedSize(c[0], static_cast<int>(c[1])), c[2]);
}

}  // namespace
