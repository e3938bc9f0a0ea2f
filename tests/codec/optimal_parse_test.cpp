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

// The fewest bytes of any stream for `in`: for every item count the fewest
// item bytes, then the best total with one flag byte per started group.
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

TEST(OptimalParseIsMinimal, AgainstTheFewestBytesOverItemCounts) {
    // Runs of one byte make the flag bytes of the last group matter most.
    std::vector<Bytes> inputs;
    for (std::size_t n = 1; n <= 24; ++n) inputs.push_back(Bytes(n, 'z'));
    for (std::uint32_t seed = 0; seed < 300; ++seed) inputs.push_back(SmallAlphabet(1 + seed % 25, seed, 2 + seed % 4));
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

}  // namespace
