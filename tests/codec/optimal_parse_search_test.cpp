// The optimal parse against an encoder written straight from its rules, on
// inputs made to hit the tie rules: runs, repeats at equal distances, copies
// at the edge of the window, matches cut by the end of the input. The
// match finder's trees, the pair bits, the reused step choice and the
// farther sources all have to give these bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codec/lz.h"
#include "codec/optimal_parse.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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
                default: b[i] = random[i] % 4 == 0 ? 'a' + random[i] % 26 : ' '; break;               // pairs
            }
        }
        return b;
    };
    for (int kind = 0; kind < 5; ++kind) {
        const Bytes whole = make(kind);
        for (const std::size_t cut : {whole.size(), whole.size() - 1, std::size_t{19}, std::size_t{2}}) {
            const Bytes in(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            for (int type : {1, 2})
                EXPECT_EQ(codec::CompressOptimal(in, type), StraightEncode(in, type)) << "kind " << kind << ", " << cut << ", type " << type;
        }
    }
}

}  // namespace
