// The decoders' fast loop against a plain item-by-item decoder, on generated
// streams that reach the places where the fast loop cuts corners: short
// distances (1 to 16, where a copy overlaps what it writes), all-literal and
// mixed flag bytes, lengths above the distance, the ends of both buffers,
// streams that end in the middle of a group, streams cut short, references
// before the start and past the declared size. Buffers are allocated at their
// exact sizes, so a read or write past either end shows under the sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "codec/lz.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using codec::DecodeStatus;

struct Reference {
    DecodeStatus status = DecodeStatus::Ok;
    std::size_t consumed = 0;
    Bytes out;  // the bytes known to be right
};

// One item at a time, one byte at a time, every bound checked.
Reference DecodeByItems(const Bytes& in, std::size_t size, int bias) {
    Reference r;
    std::size_t ip = 0;
    while (r.out.size() < size) {
        if (ip >= in.size()) {
            r.status = DecodeStatus::TruncatedInput;
            break;
        }
        unsigned flags = in[ip++];
        for (int k = 0; k < 8 && r.out.size() < size; ++k, flags >>= 1) {
            if (flags & 1) {
                if (ip >= in.size()) {
                    r.status = DecodeStatus::TruncatedInput;
                    r.consumed = ip;
                    return r;
                }
                r.out.push_back(in[ip++]);
                continue;
            }
            if (in.size() - ip < 2) {
                r.status = DecodeStatus::TruncatedInput;
                r.consumed = ip;
                return r;
            }
            const unsigned w = in[ip] | in[ip + 1] << 8;
            ip += 2;
            const std::size_t dist = (w >> 4) + 1;
            const std::size_t len = (w & 15) + static_cast<std::size_t>(bias);
            if (dist > r.out.size()) {
                r.status = DecodeStatus::DistanceBeforeStart;
                r.consumed = ip;
                return r;
            }
            for (std::size_t i = 0; i < len; ++i) {
                if (r.out.size() == size) {
                    r.status = DecodeStatus::ReferencePastEnd;
                    r.consumed = ip;
                    return r;
                }
                r.out.push_back(r.out[r.out.size() - dist]);
            }
        }
    }
    r.consumed = ip;
    return r;
}

struct Shape {
    double literals;     // share of literal items
    double shortDist;    // share of references at distance 1..16
    int maxDistance;     // other references reach up to this far (at most 4096)
};

// A stream of `items` items; references never reach before the start unless
// `allowBad`. Returns the stream and the size it decodes to.
Bytes Generate(std::mt19937& rng, const Shape& shape, int items, int bias, bool allowBad, std::size_t& size) {
    Bytes s;
    std::size_t produced = 0, flagAt = 0;
    std::uniform_real_distribution<double> u(0, 1);
    for (int i = 0; i < items; ++i) {
        if (i % 8 == 0) {
            flagAt = s.size();
            s.push_back(0);
        }
        const bool literal = produced == 0 && !allowBad ? true : u(rng) < shape.literals;
        if (literal) {
            s[flagAt] |= static_cast<std::uint8_t>(1 << (i % 8));
            s.push_back(static_cast<std::uint8_t>(rng() % 7 == 0 ? rng() : 'a' + rng() % 4));
            produced += 1;
            continue;
        }
        std::size_t reach = std::min<std::size_t>(allowBad ? 4096 : produced, 4096);
        std::size_t dist;
        if (u(rng) < shape.shortDist)
            dist = 1 + rng() % std::min<std::size_t>(16, reach);
        else
            dist = 1 + rng() % std::min<std::size_t>(static_cast<std::size_t>(shape.maxDistance), reach);
        const unsigned field = rng() % 16;
        const unsigned w = static_cast<unsigned>(dist - 1) << 4 | field;
        s.push_back(static_cast<std::uint8_t>(w));
        s.push_back(static_cast<std::uint8_t>(w >> 8));
        produced += field + static_cast<std::size_t>(bias);
    }
    size = produced;
    return s;
}

// Decodes with the bounded decoder (exact-size buffers) and compares with the
// item-by-item decoder: status, bytes read, bytes known right and their values.
void ExpectBoundedAgrees(const Bytes& in, std::size_t size, int bias) {
    const Reference want = DecodeByItems(in, size, bias);
    Bytes out(size);
    const auto got = codec::DecodeLZ(in, out, bias);
    ASSERT_EQ(got.status, want.status) << "size " << size << " bias " << bias;
    ASSERT_EQ(got.consumed, want.consumed);
    ASSERT_EQ(got.produced, want.out.size());
    ASSERT_TRUE(std::equal(want.out.begin(), want.out.end(), out.begin()));
}

// The plain decoder on a complete stream in an exact-size buffer: it must not
// read past the stream nor write past the declared size.
void ExpectPlainAgrees(const Bytes& in, std::size_t size, int bias) {
    const Reference want = DecodeByItems(in, size, bias);
    ASSERT_NE(want.status, DecodeStatus::TruncatedInput);
    Bytes out(size);
    const DecodeStatus got = codec::ExpandBuffer(out.data(), in.data(), static_cast<std::int32_t>(size), bias);
    ASSERT_EQ(got, want.status) << "size " << size << " bias " << bias;
    ASSERT_TRUE(std::equal(want.out.begin(), want.out.end(), out.begin()));
}

const Shape kShapes[] = {
    {0.0, 1.0, 16},     // references only, all within 16 bytes
    {0.3, 0.5, 40},     // overlapping copies mixed with literals
    {0.5, 0.2, 4096},   // text-like
    {0.9, 0.5, 24},     // mostly literals: many all-literal flag bytes
    {1.0, 0.0, 1},      // literals only
    {0.1, 0.05, 4096},  // long references from far back
};

TEST(DecodePathsAgree, CompleteStreamsOfEveryShape) {
    std::mt19937 rng(7);
    for (int bias : {1, 2, 3, 4}) {
        for (const Shape& shape : kShapes) {
            for (int round = 0; round < 60; ++round) {
                // Item counts around whole groups and long enough to pass 4096
                // bytes, where the distance checks stop.
                const int items = round < 40 ? static_cast<int>(rng() % 80) : 300 + static_cast<int>(rng() % 1500);
                std::size_t size = 0;
                const Bytes s = Generate(rng, shape, items, bias, false, size);
                ExpectBoundedAgrees(s, size, bias);
                ExpectPlainAgrees(s, size, bias);
            }
        }
    }
}

TEST(DecodePathsAgree, DeclaredSizeEndsMidGroupOrMidReference) {
    std::mt19937 rng(11);
    for (int bias : {2, 3}) {
        for (const Shape& shape : kShapes) {
            for (int round = 0; round < 20; ++round) {
                std::size_t size = 0;
                const Bytes s = Generate(rng, shape, 100 + static_cast<int>(rng() % 700), bias, false, size);
                // Every declared size in the last 200 bytes: the stream then
                // stops after any item, inside a reference (cut, as the
                // exported decoders cut it) or with flag bits left unused.
                for (std::size_t cut = size > 200 ? size - 200 : 0; cut <= size; ++cut) {
                    ExpectBoundedAgrees(s, cut, bias);
                    ExpectPlainAgrees(s, cut, bias);
                }
            }
        }
    }
}

TEST(DecodePathsAgree, InputCutShortAnywhere) {
    std::mt19937 rng(13);
    for (const Shape& shape : kShapes) {
        for (int round = 0; round < 6; ++round) {
            std::size_t size = 0;
            const Bytes s = Generate(rng, shape, 50 + static_cast<int>(rng() % 600), 3, false, size);
            for (std::size_t len = 0; len <= s.size(); ++len)
                ExpectBoundedAgrees(Bytes(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(len)), size, 3);
            // A declared size beyond what the stream describes: it runs out.
            ExpectBoundedAgrees(s, size + 1 + rng() % 300, 3);
        }
    }
}

TEST(DecodePathsAgree, ReferencesBeforeTheStart) {
    std::mt19937 rng(17);
    for (int bias : {2, 3}) {
        for (const Shape& shape : kShapes) {
            for (int round = 0; round < 40; ++round) {
                std::size_t size = 0;
                const Bytes s = Generate(rng, shape, 1 + static_cast<int>(rng() % 900), bias, true, size);
                ExpectBoundedAgrees(s, size, bias);
                ExpectPlainAgrees(s, size, bias);
            }
        }
    }
}

// Every distance from 1 to 18 with every length, after a prefix of distinct
// bytes, repeated for a few hundred items so the fast loop decodes them
// (under 16 byte by byte; at 16 and 17 the longest copies read bytes of
// their own item).
TEST(DecodePathsAgree, EveryShortDistanceAndLength) {
    for (int bias : {2, 3}) {
        for (unsigned dist = 1; dist <= 18; ++dist) {
            Bytes s;
            std::size_t size = 0;
            s.push_back(0xFF);
            for (int i = 0; i < 8; ++i) s.push_back(static_cast<std::uint8_t>(0x30 + i));
            s.push_back(0xFF);
            for (int i = 0; i < 8; ++i) s.push_back(static_cast<std::uint8_t>(0x40 + i));
            size = 16;
            for (int group = 0; group < 40; ++group) {
                s.push_back(0x00);
                for (unsigned k = 0; k < 8; ++k) {
                    const unsigned field = (group * 8 + k) % 16;
                    const unsigned w = (dist - 1) << 4 | field;
                    s.push_back(static_cast<std::uint8_t>(w));
                    s.push_back(static_cast<std::uint8_t>(w >> 8));
                    size += field + static_cast<unsigned>(bias);
                }
            }
            ExpectBoundedAgrees(s, size, bias);
            ExpectPlainAgrees(s, size, bias);
        }
    }
}

// Input laid out just before the output in one allocation, at gaps of 0 to
// 16 bytes: the fast loop's reads ahead of the input then reach into the
// output it is writing, and the result must not depend on them.
TEST(DecodePathsAgree, InputJustBelowTheOutput) {
    std::mt19937 rng(19);
    for (int round = 0; round < 20; ++round) {
        std::size_t size = 0;
        const Bytes s = Generate(rng, kShapes[3], 200 + static_cast<int>(rng() % 400), 3, false, size);
        const Reference want = DecodeByItems(s, size, 3);
        for (std::size_t gap : {0u, 1u, 5u, 15u, 16u}) {
            Bytes both(s.size() + gap + size);
            std::copy(s.begin(), s.end(), both.begin());
            std::uint8_t* out = both.data() + s.size() + gap;
            ASSERT_EQ(codec::ExpandBuffer(out, both.data(), static_cast<std::int32_t>(size), 3), want.status);
            ASSERT_TRUE(std::equal(want.out.begin(), want.out.end(), out));
        }
    }
}

}  // namespace
