// The optimal parse: no valid stream of the type is shorter (checked against
// an exhaustive search over every parse of small inputs, and against a search
// that minimises the bytes themselves, flag bytes included), the match finder
// finds the longest match everywhere, every stream decodes, and the bytes are
// those of an encoder written straight from the rules.
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


// The encoder written straight from the parse's rules, for inputs made to
// hit the tie rules: runs, repeats at equal distances, copies at the edge of
// the window, matches cut by the end of the input. The match finder's trees,
// the sources of two-byte matches found after the parse, the shortcuts of
// the step choice and the farther sources all have to give its bytes.
Bytes StraightEncode(const Bytes& in, int type) {
    const int n = static_cast<int>(in.size()), minLength = type + 1, maxLength = type + 16;
    auto text = [&](int p) { return in.begin() + p; };
    auto end = [&](int p) { return in.begin() + std::min(n, p + maxLength); };
    auto common = [&](int a, int b, int cap) { int k = 0; while (k < cap && in[a + k] == in[b + k]) ++k; return k; };
    // The match: the older of the nearest strings before and after p in
    // order among those sharing the most bytes (each string by its newest
    // position), or the oldest equal one.
    std::vector<int> longest(n + 1, 0), from(n, 0), shared;
    for (int p = 0; p + 1 < n; ++p) {
        const int cap = std::min(maxLength, n - p), first = std::max(0, p - codec::kWindowSize);
        shared.clear();
        for (int q = first; q < p; ++q) shared.push_back(common(q, p, cap));
        const int best = shared.empty() ? 0 : *std::max_element(shared.begin(), shared.end());
        if (best < minLength) continue;
        int below = -1, above = -1, equal = -1;
        for (int q = first; q < p; ++q) {
            if (shared[static_cast<std::size_t>(q - first)] != best) continue;
            if (best == maxLength) {
                if (equal < 0) equal = q;
            } else if (std::lexicographical_compare(text(q), end(q), text(p), end(p))) {
                if (below < 0 || !std::lexicographical_compare(text(q), end(q), text(below), end(below))) below = q;
            } else if (above < 0 || !std::lexicographical_compare(text(above), end(above), text(q), end(q))) {
                above = q;
            }
        }
        longest[p] = best;
        from[p] = equal >= 0 ? equal : below < 0 ? above : above < 0 ? below : std::min(below, above);
    }
    // The cheapest parse at 9 bits a literal and 17 a reference, references
    // and longer ones first on equal cost.
    std::vector<long> cost(n + 1, 0);
    std::vector<int> step(n + 1, 1);
    for (int i = n - 1; i >= 0; --i) {
        cost[i] = 9 + cost[i + 1];
        for (int length = minLength; length <= longest[i]; ++length)
            if (17 + cost[i + length] <= cost[i]) cost[i] = 17 + cost[i + length], step[i] = length;
    }
    Bytes out;
    std::size_t flagAt = 0;
    for (int i = 0, items = 0; i < n; i += step[i], ++items) {
        if (items % 8 == 0) flagAt = out.size(), out.push_back(0);
        if (step[i] == 1) { out[flagAt] |= static_cast<std::uint8_t>(1u << items % 8); out.push_back(in[i]); continue; }
        // A source under 16 back: the farthest of the 1024 newest with the
        // same first two bytes that is 16 or more back.
        int source = from[i], seen = 0;
        for (int c = i - 1; i - from[i] < 16 && c >= std::max(0, i - codec::kWindowSize) && seen < 1024; --c) {
            if (in[c] != in[i] || in[c + 1] != in[i + 1]) continue;
            ++seen;
            if (i - c >= 16 && common(c, i, step[i]) == step[i]) source = c;
        }
        const unsigned word = static_cast<unsigned>(i - source - 1) << 4 | static_cast<unsigned>(step[i] - minLength);
        out.push_back(static_cast<std::uint8_t>(word));
        out.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return out;
}

TEST(OptimalParseSearch, GivesTheStraightEncodersBytes) {
    const Bytes random = testing_support::RandomBytes(4600, 3);
    auto make = [&](int kind) {
        Bytes b(random.size());
        for (std::size_t i = 0; i < b.size(); ++i) {
            switch (kind) {
                case 0: b[i] = random[i / 9] % 3; break;                                          // runs
                case 1: b[i] = random[i] % 53 == 0 ? random[i] : random[i % 7] & 3; break;         // period 7
                case 2: b[i] = i > 4100 && random[i / 16] % 2 ? b[i - 4094 - i / 16 % 5] : random[i] & 7; break;  // window edge
                case 3: b[i] = "the then there a an and andy\r\n"[random[i / 4] % 30]; break;      // words
                case 4: b[i] = random[i] % 4 == 0 ? 'a' + random[i] % 26 : ' '; break;                // pairs
                case 6: b[i] = random[i / 32 * 2 + i % 8] % 3; break;                                // short repeats
                case 7: b[i] = i > 64 && random[i / 32] % 3 == 0 ? b[i - (i > 4096 ? 4094 + random[i / 32] % 3 : 1 + random[i / 32] % 61)] : random[i]; break;  // near random
                case 5: b[i] = i % 18 == 2 ? '!' + i / 54 % 94 : "qu#-the-same-rest-"[i % 18]; break;  // new third bytes, equal rests
                case 8: b[i] = i < 200 ? random[i] % 3 : i < 4400 ? 1 : random[i] % 3; break;  // a run longer than the window
            }
        }
        return b;
    };
    // Short repeats, long enough that a farther source kept for reuse leaves
    // the window before its string comes again.
    const Bytes longer = testing_support::RandomBytes(14000, 2);
    Bytes repeats(longer.size());
    for (std::size_t i = 0; i < repeats.size(); ++i) repeats[i] = longer[i / 32 * 2 + i % 8] % 3;
    for (int type : {1, 2}) EXPECT_EQ(codec::CompressOptimal(repeats, type), StraightEncode(repeats, type)) << "type " << type;
    for (int kind = 0; kind < 9; ++kind) {
        const Bytes whole = make(kind);
        for (const std::size_t cut : {whole.size(), whole.size() - 1, std::size_t{19}, std::size_t{2}}) {
            const Bytes in(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            for (int type : {1, 2})
                EXPECT_EQ(codec::CompressOptimal(in, type), StraightEncode(in, type)) << "kind " << kind << ", " << cut << ", type " << type;
        }
    }
}

}  // namespace
