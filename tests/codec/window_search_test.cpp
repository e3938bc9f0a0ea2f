// The search encoders' hash chains against a scan of the whole window, on
// inputs made to hit the tie rules: runs, repeats at equal distances, copies
// at the edge of the window, matches cut by the end of the input. (The
// library's small-input scan keeps short inputs off the chains, so only
// these reach them.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "codec/lz.h"
#include "codec/lz_encode.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The search encoders as first written: every window position scanned
// oldest first; type 1 keeps an equally long later candidate, type 2 only a
// longer one, and the first candidate of the longest copy ends the scan.
Bytes ScanEncode(const Bytes& in, int type) {
    const int n = static_cast<int>(in.size());
    Bytes out;
    std::size_t flagAt = 0;
    int items = 8;
    for (int a = 0; a < n;) {
        if (items == 8) {
            flagAt = out.size();
            out.push_back(0);
            items = 0;
        }
        const int limit = std::min(type + 16, n - a);
        int best = 2, from = -1;
        for (int q = std::max(0, a - codec::kWindowSize); q < a; ++q) {
            int e = 0;
            while (e < limit && in[q + e] == in[a + e]) ++e;
            if (type == 1 ? e >= best : e > best) {
                best = e;
                from = q;
            }
            if (e >= type + 16) break;
        }
        if (from < 0) {
            out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | 1u << items);
            out.push_back(in[a++]);
        } else {
            const unsigned word = static_cast<unsigned>(a - from - 1) << 4 | static_cast<unsigned>(best - type - 1);
            out.push_back(static_cast<std::uint8_t>(word));
            out.push_back(static_cast<std::uint8_t>(word >> 8));
            a += best;
        }
        ++items;
    }
    out.push_back(0);  // as Searched marks a stream
    return out;
}

struct StressInput {
    const char* name;
    std::function<Bytes()> make;
};

// Bytes from a few values, so that many candidates tie.
Bytes Runs(std::size_t size, std::uint32_t seed) {
    const Bytes r = testing_support::RandomBytes(size + 1, seed);
    Bytes b;
    for (std::size_t i = 0; b.size() < size; ++i) b.insert(b.end(), 1 + r[i] % 40, static_cast<std::uint8_t>(r[i + 1] % 3));
    b.resize(size);
    return b;
}

// A short block repeated at one distance, now and then changed in one byte:
// equally long matches at every multiple of the period.
Bytes Periodic(std::size_t size, std::size_t period, std::uint32_t seed) {
    const Bytes r = testing_support::RandomBytes(size, seed);
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = r[i] % 61 == 0 ? r[i] : static_cast<std::uint8_t>(r[i % period] & 3);
    return b;
}

// Random bytes with copies from 4094 to 4098 bytes back: matches that start
// at, just inside and just outside the window's far end.
Bytes WindowEdge(std::size_t size, std::uint32_t seed) {
    Bytes b = testing_support::RandomBytes(size, seed);
    for (auto& x : b) x &= 7;
    for (std::size_t i = 4100; i + 24 < size; i += 29) {
        const std::size_t d = 4094 + i % 5;
        for (std::size_t k = 0; k < 1 + i % 23; ++k) b[i + k] = b[i + k - d];
    }
    return b;
}

const StressInput kInputs[] = {
    {"runs", [] { return Runs(9000, 1); }},
    {"one byte", [] { return Bytes(5000, 0x20); }},
    {"period 1 to 3", [] { return Periodic(6000, 3, 2); }},
    {"period 7", [] { return Periodic(7000, 7, 3); }},
    {"period 17", [] { return Periodic(7000, 17, 4); }},
    {"period 19", [] { return Periodic(7000, 19, 5); }},
    {"window edge", [] { return WindowEdge(12000, 6); }},
    {"random", [] { return testing_support::RandomBytes(6000, 7); }},
    {"random, 4 values", [] {
         Bytes b = testing_support::RandomBytes(6000, 8);
         for (auto& x : b) x &= 3;
         return b;
     }},
};

// Every input is also cut at the lengths that end it inside a match.
std::vector<std::size_t> Cuts(std::size_t size) { return {size, size - 1, size - 18, 19, 2}; }

// The chains' stream, and a last byte that tells a failed encode.
Bytes Searched(const Bytes& in, int type) {
    Bytes out(codec::MaxCompressedSize(in.size()));
    const std::int32_t length = codec::CompressWindowSearch(in, out, type);
    out.resize(static_cast<std::size_t>(std::max(length, 0)));
    out.push_back(length < 0 ? 0xFF : 0);
    return out;
}

TEST(WindowSearch, ChainsMatchAScanOfTheWholeWindow) {
    for (const auto& input : kInputs) {
        const Bytes whole = input.make();
        for (const std::size_t cut : Cuts(whole.size())) {
            const Bytes in(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            for (int type : {1, 2})
                EXPECT_EQ(Searched(in, type), ScanEncode(in, type)) << "type " << type << ", " << input.name << ", " << cut;
        }
    }
}

}  // namespace
