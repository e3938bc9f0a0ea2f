// The optimal parse: no valid stream of the type is shorter (checked against
// an exhaustive search over every parse of small inputs, and against a search
// that minimises the bytes themselves, flag bytes included), the match finder
// finds the longest match everywhere, and every stream decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/lz.h"
#include "codec/optimal_parse.h"
#include "codec/stream_check.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::RandomBytes;

// The longest match at i, by brute force over every start 1..4096 back.
int NaiveLongest(const Bytes& in, std::size_t i, int type) {
    const std::size_t cap = std::min<std::size_t>(type + 16, in.size() - i);
    std::size_t best = 0;
    for (std::size_t d = 1; d <= std::min<std::size_t>(i, codec::kWindowSize); ++d) {
        std::size_t k = 0;
        while (k < cap && in[i - d + k] == in[i + k]) ++k;
        best = std::max(best, k);
    }
    return best >= static_cast<std::size_t>(codec::LengthBias(type)) ? static_cast<int>(best) : 0;
}

// The fewest bytes of any stream for `in`: every parse is walked and its
// size counted as the stream lays it out (item bytes plus one flag byte per
// started group of eight).
std::size_t ExhaustiveMinimum(const Bytes& in, int type) {
    std::vector<int> longest(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) longest[i] = NaiveLongest(in, i, type);
    std::size_t best = std::numeric_limits<std::size_t>::max();
    auto walk = [&](auto&& self, std::size_t i, std::size_t itemBytes, std::size_t items) -> void {
        if (i == in.size()) {
            best = std::min(best, itemBytes + (items + 7) / 8);
            return;
        }
        self(self, i + 1, itemBytes + 1, items + 1);
        for (int length = codec::LengthBias(type); length <= longest[i]; ++length) {
            self(self, i + static_cast<std::size_t>(length), itemBytes + 2, items + 1);
        }
    };
    walk(walk, 0, 0, 0);
    return best;
}

// The same minimum for longer inputs: for every item count the fewest item
// bytes, then the best total over the counts.
std::size_t MinimumOverItemCounts(const Bytes& in, int type) {
    const std::size_t n = in.size();
    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max() / 2;
    // fewest[i][k]: the fewest item bytes that encode in[i..n) in k items.
    std::vector<std::vector<std::size_t>> fewest(n + 1, std::vector<std::size_t>(n + 1, kNone));
    fewest[n][0] = 0;
    for (std::size_t i = n; i-- > 0;) {
        const int longest = NaiveLongest(in, i, type);
        for (std::size_t k = 1; k <= n - i; ++k) {
            std::size_t best = fewest[i + 1][k - 1] + 1;
            for (int length = codec::LengthBias(type); length <= longest; ++length) {
                best = std::min(best, fewest[i + static_cast<std::size_t>(length)][k - 1] + 2);
            }
            fewest[i][k] = best;
        }
    }
    std::size_t best = kNone;
    for (std::size_t k = 0; k <= n; ++k) best = std::min(best, fewest[0][k] + (k + 7) / 8);
    return best;
}

void ExpectRoundTrip(const Bytes& in, int type, const Bytes& stream) {
    Bytes out(in.size());
    const auto result = codec::DecodeLZType(stream, out, type);
    ASSERT_TRUE(result.ok()) << codec::DecodeStatusText(result.status);
    EXPECT_EQ(result.consumed, stream.size());
    EXPECT_TRUE(out == in);
}

// Random strings over a small alphabet: many matches and many ways to parse.
Bytes SmallAlphabet(std::size_t size, std::uint32_t seed, int symbols) {
    Bytes b = RandomBytes(size, seed);
    for (auto& x : b) x = static_cast<std::uint8_t>('a' + x % symbols);
    return b;
}

TEST(OptimalParseIsMinimal, AgainstEveryParseOfSmallInputs) {
    for (int type = 1; type <= 2; ++type) {
        for (std::uint32_t seed = 0; seed < 300; ++seed) {
            const Bytes in = SmallAlphabet(1 + seed % 14, seed, 2 + static_cast<int>(seed % 3));
            const Bytes stream = codec::CompressOptimal(in, type);
            ASSERT_EQ(stream.size(), ExhaustiveMinimum(in, type)) << "type " << type << " seed " << seed;
            ExpectRoundTrip(in, type, stream);
        }
    }
}

TEST(OptimalParseIsMinimal, AgainstTheFewestBytesOverItemCounts) {
    // Runs of one byte make the flag bytes of the last group matter most.
    std::vector<Bytes> inputs;
    for (std::size_t n = 1; n <= 24; ++n) inputs.push_back(Bytes(n, 'z'));
    for (std::uint32_t seed = 0; seed < 200; ++seed) inputs.push_back(SmallAlphabet(16 + seed % 9, seed, 2 + seed % 4));
    for (std::uint32_t seed = 0; seed < 10; ++seed) inputs.push_back(SmallAlphabet(200 + seed * 20, seed, 3));
    for (int type = 1; type <= 2; ++type) {
        for (const Bytes& in : inputs) {
            const Bytes stream = codec::CompressOptimal(in, type);
            ASSERT_EQ(stream.size(), MinimumOverItemCounts(in, type)) << "type " << type << " size " << in.size();
            ExpectRoundTrip(in, type, stream);
        }
    }
}

TEST(OptimalParseMatches, AreTheLongestWithinTheWindow) {
    // Long enough for the window to slide, few symbols for deep trees and
    // strings equal over the whole copy length.
    const std::vector<Bytes> inputs = {SmallAlphabet(12000, 1, 2), SmallAlphabet(9000, 2, 4),
                                       RandomBytes(6000, 3), Bytes(5000, 0)};
    for (int type = 1; type <= 2; ++type) {
        for (const Bytes& in : inputs) {
            const auto matches = codec::FindLongestMatches(in, type);
            for (std::size_t i = 0; i < in.size(); ++i) {
                const int length = matches.length[i];
                ASSERT_EQ(length, NaiveLongest(in, i, type)) << "type " << type << " position " << i;
                if (length == 0) continue;
                const std::size_t d = matches.distance[i];
                ASSERT_TRUE(d >= 1 && d <= codec::kWindowSize && d <= i);
                ASSERT_TRUE(std::equal(in.begin() + static_cast<std::ptrdiff_t>(i - d),
                                       in.begin() + static_cast<std::ptrdiff_t>(i - d + length),
                                       in.begin() + static_cast<std::ptrdiff_t>(i)));
            }
        }
    }
}

TEST(OptimalParseMatches, PreferTheFarthestOfStringsEqualOverTheLongestCopy) {
    // A block of 18 bytes three times: at the third copy both earlier ones
    // match over the longest copy; the first, 38 back, is reported.
    const Bytes block = RandomBytes(18, 4);
    Bytes in = block;
    in.push_back('1');
    in.insert(in.end(), block.begin(), block.end());
    in.push_back('2');
    in.insert(in.end(), block.begin(), block.end());
    for (int type = 1; type <= 2; ++type) {
        const auto matches = codec::FindLongestMatches(in, type);
        EXPECT_EQ(matches.length[38], type + 16);
        EXPECT_EQ(matches.distance[38], 38) << "type " << type;
        const auto items = streamcheck::Parse(codec::CompressOptimal(in, type), in.size(), type + 1).items;
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back().literal ? items[items.size() - 2].distance : items.back().distance, 38);
    }
    // In a run every match of the longest copy is equal: the whole window back.
    const Bytes zeros(6000, 0);
    const auto matches = codec::FindLongestMatches(zeros, 2);
    EXPECT_EQ(matches.distance[5000], codec::kWindowSize);
    EXPECT_EQ(matches.distance[100], 100);
}

TEST(OptimalParseStreams, TakeNoShortDistanceWhereAFartherSourceExists) {
    std::vector<Bytes> inputs = {SmallAlphabet(9000, 8, 4), SmallAlphabet(9000, 9, 2)};
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min<std::size_t>(data.size(), 16 * 1024));
        inputs.push_back(std::move(data));
    }
    int shortOnes = 0;
    for (int type = 1; type <= 2; ++type) {
        for (const Bytes& in : inputs) {
            std::size_t at = 0;
            for (const auto& item : streamcheck::Parse(codec::CompressOptimal(in, type), in.size(), type + 1).items) {
                if (!item.literal && item.distance < 16) {
                    ++shortOnes;
                    const auto here = in.begin() + static_cast<std::ptrdiff_t>(at);
                    for (std::size_t d = 16; d <= std::min<std::size_t>(at, codec::kWindowSize); ++d) {
                        ASSERT_FALSE(std::equal(here, here + item.length, here - static_cast<std::ptrdiff_t>(d)))
                            << "distance " << item.distance << " where " << d << " would do, at " << at;
                    }
                }
                at += static_cast<std::size_t>(item.length);
            }
        }
    }
    EXPECT_GT(shortOnes, 0);  // the inputs do call for short distances
}

TEST(OptimalParseStreams, DecodeAndNeverExceedTheBound) {
    std::vector<Bytes> inputs = {RandomBytes(70000, 9), Bytes(70000, 0x20), SmallAlphabet(70000, 5, 3)};
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min<std::size_t>(data.size(), 64 * 1024));
        inputs.push_back(std::move(data));
    }
    for (int type = 1; type <= 2; ++type) {
        for (const Bytes& in : inputs) {
            const Bytes stream = codec::CompressOptimal(in, type);
            EXPECT_LE(stream.size(), codec::MaxCompressedSize(in.size()));
            ExpectRoundTrip(in, type, stream);
        }
    }
}

TEST(OptimalParseStreams, OfIncompressibleAndEmptyInput) {
    for (int type = 1; type <= 2; ++type) {
        EXPECT_TRUE(codec::CompressOptimal({}, type).empty());
        const Bytes one{0x41};
        EXPECT_EQ(codec::CompressOptimal(one, type), (Bytes{0x01, 0x41}));
        // No byte repeats: all literals, a flag byte per eight.
        Bytes distinct(256);
        for (int i = 0; i < 256; ++i) distinct[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        EXPECT_EQ(codec::CompressOptimal(distinct, type).size(), 256u + 32u);
    }
}

TEST(OptimalParseRejects, TypesOtherThanOneAndTwo) {
    const Bytes in{1, 2, 3};
    EXPECT_THROW(codec::CompressOptimal(in, 0), std::invalid_argument);
    EXPECT_THROW(codec::CompressOptimal(in, 3), std::invalid_argument);
    EXPECT_THROW(codec::FindLongestMatches(in, -1), std::invalid_argument);
}

}  // namespace
