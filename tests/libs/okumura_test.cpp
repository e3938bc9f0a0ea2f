// The tree encoder of TarvoCompC (CompressHOLZSS over Encode / Encode2 and
// the tree building blocks): exact streams, the space-filled ring, the tie
// rules of each type, the window limits, and the results for odd arguments.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "codec/lz.h"
#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::TarvoCompC;
using testing_support::ToBytes;

Bytes RunHOLZSS(const Bytes& in, int type) {
    auto* compress = TarvoCompC().Get<encoder_libraries::FileFunction>("CompressHOLZSS");
    return encoder_libraries::ThroughFiles(in, [&](const char* a, const char* b) { compress(a, b, type); });
}

TEST(CompressHOLZSS, ExactStreams) {
    // At the third "abc" the strings 4 and 8 back both match three bytes: the
    // later node wins a tie for type 1, the earlier for type 2.
    const std::tuple<std::string, int, Bytes> cases[] = {
        {"abcXabcYabcZ", 1, {0xAF, 'a', 'b', 'c', 'X', 0x31, 0x00, 'Y', 0x31, 0x00, 'Z'}},
        {"abcXabcYabcZ", 2, {0xAF, 'a', 'b', 'c', 'X', 0x30, 0x00, 'Y', 0x70, 0x00, 'Z'}},
        {"abab", 1, {0x03, 'a', 'b', 0x10, 0x00}},
        {"abab", 2, {0x0F, 'a', 'b', 'a', 'b'}},
        {"Q", 1, {0x01, 'Q'}},
    };
    for (const auto& [in, type, want] : cases) EXPECT_EQ(RunHOLZSS(ToBytes(in), type), want) << in << " " << type;
}

// Pins both types on inputs made to stress their tie rules, past the first
// window where the insertions beside the last match take over from the
// walk: the hashes are those of the walk alone.
TEST(CompressHOLZSS, InsertionsBesideTheMatchKeepTheWalksBytes) {
    const std::tuple<std::uint32_t, std::uint64_t, std::uint64_t> pins[] = {
        {5, 0x305250ea438d84a2ull, 0xa6f3b785c6da90d5ull},
        {6, 0x3c7c2cd1f41583f8ull, 0x012afa176565eaadull},
        {7, 0xbe756638e85b0e02ull, 0x684feaba65307373ull},
        {8, 0x053c1b3885f9ac4bull, 0xa77c4b0771ab45e3ull},
        {9, 0x8c330fa04c1637b4ull, 0x10b45aa7f3ce1382ull},
        {10, 0x142056bc09a248a0ull, 0x6d445aa7d7f73435ull},
        {11, 0x44cd4c44b9db11efull, 0x63b153a18c0eaec6ull},
        {12, 0x072e59fe8d9102d2ull, 0x3ab1a98b6c1dc98aull},
        {13, 0x2a7f1a77513afb98ull, 0x7fdb1883a284b4c2ull},
        {14, 0xa39f5bbfc2a6f6c2ull, 0xedbe9638f0e3218eull},
    };
    for (const auto& [seed, hash1, hash2] : pins) {
        const Bytes in = testing_support::TieStress(seed);
        EXPECT_EQ(testing_support::Fnv1a(RunHOLZSS(in, 1)), hash1) << "seed " << seed;
        EXPECT_EQ(testing_support::Fnv1a(RunHOLZSS(in, 2)), hash2) << "seed " << seed;
    }
}

// Strings that share their first two bytes in long runs, as samples of 16
// bits do, make the encoder index its trees by those bytes; text between
// them makes it drop the index, and the samples after make it build it again
// over the tree as it stands. Some samples hold for a while, so that equal
// strings take each other's places. Random bytes at the end give runs of
// literals, whose positions go into the trees two at a time, and repeated
// where each string equals the one that leaves the window as it comes in
// (4080 bytes back for type 1, 4079 for type 2). The hashes are those of the
// walk alone, one position at a time.
TEST(CompressHOLZSS, IndexAndPairedInsertionsKeepTheWalksBytes) {
    Bytes in;
    const auto samples = [&in](std::uint32_t seed) {
        unsigned v = 0;
        for (const std::uint8_t x : testing_support::RandomBytes(40000, seed)) {
            v = (v + x % 9 - 4) & 0x3FF;
            for (int i = x < 8 ? 12 : 1; i > 0; --i)
                in.insert(in.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
        }
    };
    samples(1);
    for (const std::uint8_t x : testing_support::RandomBytes(60000, 2))
        in.push_back(static_cast<std::uint8_t>('a' + x % 7));
    samples(3);
    const Bytes noise = testing_support::RandomBytes(30000, 4);
    in.insert(in.end(), noise.begin(), noise.end());
    for (const std::size_t period : {4080u, 4079u})
        for (int k = 0; k < 3; ++k) in.insert(in.end(), noise.begin(), noise.begin() + period);
    EXPECT_EQ(testing_support::Fnv1a(RunHOLZSS(in, 1)), 0x4609651f790a603dull);
    EXPECT_EQ(testing_support::Fnv1a(RunHOLZSS(in, 2)), 0xf06c91539843925dull);
}

}  // namespace
