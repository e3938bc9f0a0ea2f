// The decoders' fast loop against a plain item-by-item decoder, on generated
// streams that reach the places where the fast loop cuts corners: short
// distances (1 to 16, where a copy overlaps what it writes), all-literal and
// mixed flag bytes, lengths above the distance, the ends of both buffers,
// streams that end in the middle of a group, references past the declared
// size. Buffers are allocated at their
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
    auto stop = [&](DecodeStatus status) {
        r.status = status;
        r.consumed = ip;
        return r;
    };
    while (r.out.size() < size) {
        if (ip >= in.size()) return stop(DecodeStatus::TruncatedInput);
        unsigned flags = in[ip++];
        for (int k = 0; k < 8 && r.out.size() < size; ++k, flags >>= 1) {
            if (in.size() - ip < (flags & 1 ? 1u : 2u)) return stop(DecodeStatus::TruncatedInput);
            if (flags & 1) {
                r.out.push_back(in[ip++]);
                continue;
            }
            const unsigned w = in[ip] | in[ip + 1] << 8;
            ip += 2;
            const std::size_t dist = (w >> 4) + 1;
            if (dist > r.out.size()) return stop(DecodeStatus::DistanceBeforeStart);
            for (std::size_t i = 0; i < (w & 15) + static_cast<std::size_t>(bias); ++i) {
                if (r.out.size() == size) return stop(DecodeStatus::ReferencePastEnd);
                r.out.push_back(r.out[r.out.size() - dist]);
            }
        }
    }
    return stop(DecodeStatus::Ok);
}

struct Shape {
    double literals;     // share of literal items
    double shortDist;    // share of references at distance 1..16
    int maxDistance;     // other references reach up to this far (at most 4096)
};

// A stream of `items` items whose references never reach before the start.
// Returns the stream and the size it decodes to.
Bytes Generate(std::mt19937& rng, const Shape& shape, int items, int bias, std::size_t& size) {
    Bytes s;
    std::size_t produced = 0, flagAt = 0;
    std::uniform_real_distribution<double> u(0, 1);
    for (int i = 0; i < items; ++i) {
        if (i % 8 == 0) {
            flagAt = s.size();
            s.push_back(0);
        }
        const bool literal = produced == 0 || u(rng) < shape.literals;
        if (literal) {
            s[flagAt] |= static_cast<std::uint8_t>(1 << (i % 8));
            s.push_back(static_cast<std::uint8_t>(rng() % 7 == 0 ? rng() : 'a' + rng() % 4));
            produced += 1;
            continue;
        }
        const std::size_t reach = std::min<std::size_t>(produced, 4096);
        const std::size_t limit = u(rng) < shape.shortDist ? 16 : static_cast<std::size_t>(shape.maxDistance);
        const std::size_t dist = 1 + rng() % std::min(limit, reach);
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
// The plain decoder too: it must not read past the stream nor write past the
// declared size.
void ExpectBoundedAgrees(const Bytes& in, std::size_t size, int bias) {
    const Reference want = DecodeByItems(in, size, bias);
    Bytes out(size);
    const auto got = codec::DecodeLZ(in, out, bias);
    ASSERT_EQ(got.status, want.status) << "size " << size << " bias " << bias;
    ASSERT_EQ(got.consumed, want.consumed);
    ASSERT_EQ(got.produced, want.out.size());
    ASSERT_TRUE(std::equal(want.out.begin(), want.out.end(), out.begin()));
    ASSERT_NE(want.status, DecodeStatus::TruncatedInput);
    ASSERT_EQ(codec::ExpandBuffer(out.data(), in.data(), static_cast<std::int32_t>(size), bias), want.status);
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

TEST(DecodePathsAgree, DeclaredSizeEndsMidGroupOrMidReference) {
    std::mt19937 rng(11);
    for (int bias : {2, 3}) {
        for (const Shape& shape : kShapes) {
            for (int round = 0; round < 12; ++round) {
                std::size_t size = 0;
                const Bytes s = Generate(rng, shape, 100 + static_cast<int>(rng() % 700), bias, size);
                // Every declared size in the last 200 bytes: the stream then
                // stops after any item, inside a reference (cut, as the
                // exported decoders cut it) or with flag bits left unused.
                for (std::size_t cut = size > 200 ? size - 200 : 0; cut <= size; ++cut) {
                    ExpectBoundedAgrees(s, cut, bias);
                }
            }
        }
    }
}

}  // namespace
