// The two encoders: exact streams on small and edge inputs, the limits of
// lengths and distances, and round trips through every codec decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "codec/lz.h"
#include "codec/lz_encode.h"
#include "codec/stream_check.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using streamcheck::Item;
using streamcheck::Lit;
using streamcheck::Ref;
using testing_support::RandomBytes;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Encodes with a buffer of exactly the promised size, plus guard bytes that
// must stay untouched.
Bytes Encode1(codec::LzssEncoder& enc, const Bytes& in, std::int32_t* result = nullptr) {
    Bytes out(in.size() + 16, 0xA5);
    std::int32_t r = enc.Compress(in, std::span<std::uint8_t>(out.data(), in.size()));
    for (std::size_t i = in.size(); i < out.size(); ++i) EXPECT_EQ(out[i], 0xA5) << "wrote past the input length";
    if (result) *result = r;
    out.resize(r >= 0 ? static_cast<std::size_t>(r) : 0);
    return out;
}

Bytes Encode2(const Bytes& in, codec::TreeOrder order = codec::TreeOrder::Standard, std::int32_t* result = nullptr) {
    Bytes out(in.size() + 16, 0xA5);
    std::int32_t r = codec::CompressLzmit(in, std::span<std::uint8_t>(out.data(), in.size()), order);
    const std::size_t limit = in.size() > 15 ? in.size() - 15 : 0;
    for (std::size_t i = limit; i < out.size(); ++i) EXPECT_EQ(out[i], 0xA5) << "wrote past input length - 15";
    if (result) *result = r;
    out.resize(r >= 0 ? static_cast<std::size_t>(r) : 0);
    return out;
}

// Decodes with the bounded and the ring decoder and checks the stream's shape.
void ExpectDecodesTo(const Bytes& stream, const Bytes& original, int type) {
    Bytes out(original.size());
    auto r = codec::DecodeLZType(stream, out, type);
    ASSERT_TRUE(r.ok()) << codec::DecodeStatusText(r.status);
    EXPECT_EQ(r.consumed, stream.size());
    ASSERT_EQ(out, original);
    Bytes ring;
    codec::RingDecode(stream, type, ring);
    ASSERT_EQ(ring, original);
    auto parsed = streamcheck::Parse(stream, original.size(), codec::LengthBias(type));
    EXPECT_TRUE(parsed.exact);
    EXPECT_TRUE(parsed.unusedBitsZero);
    for (const Item& it : parsed.items) {
        if (it.literal) continue;
        if (type == 1) {
            EXPECT_LE(it.distance, 4079);
            EXPECT_GE(it.length, 2);
            EXPECT_LE(it.length, 17);
        } else {
            EXPECT_GE(it.length, 3);
        }
    }
}

std::vector<Item> Items(const Bytes& stream, std::size_t size, int type) {
    return streamcheck::Parse(stream, size, codec::LengthBias(type)).items;
}

std::vector<int> Lengths(const Bytes& stream, std::size_t size, int type) {
    std::vector<int> out;
    for (const Item& it : Items(stream, size, type)) out.push_back(it.length);
    return out;
}

// Inputs of many kinds: random, text-like, runs, a small alphabet.
Bytes Structured(std::size_t size, std::uint32_t seed) {
    Bytes b = RandomBytes(size, seed);
    switch (seed % 4) {
        case 0: break;
        case 1:
            for (std::size_t i = 0; i < size; ++i) b[i] = "the quick brown fox "[(i * 7 + b[i] % 3) % 20];
            break;
        case 2:  // runs of 37 equal bytes of random values
            for (std::size_t i = 0; i < size; ++i) b[i] = b[i / 37];
            break;
        case 3:
            for (auto& x : b) x &= 3;
            break;
    }
    return b;
}

TEST(LzssEncoderWrites, EmptyAndTinyInputs) {
    codec::LzssEncoder enc;
    std::int32_t r = -2;
    EXPECT_TRUE(Encode1(enc, {}, &r).empty());
    EXPECT_EQ(r, 0);
    for (int n = 1; n <= 10; ++n) {  // nothing this short shrinks unless it repeats
        Bytes in(n);
        for (int i = 0; i < n; ++i) in[i] = static_cast<std::uint8_t>('a' + i);
        Encode1(enc, in, &r);
        EXPECT_EQ(r, n);
    }
    EXPECT_EQ(Encode1(enc, Text("AAAAA")), (Bytes{0x01, 'A', 0x02, 0x00}));
    EXPECT_EQ(Encode1(enc, Bytes(18, 'A')), (Bytes{0x01, 'A', 0x0F, 0x00}));
}

TEST(LzssEncoderWrites, EqualBytesAsLongestReferencesAtDistanceOne) {
    codec::LzssEncoder enc;
    Bytes in(4096, 'A');
    Bytes stream = Encode1(enc, in);
    std::vector<Item> want{Lit('A')};
    for (int k = 0; k < 240; ++k) want.push_back(Ref(17, 1));
    want.push_back(Ref(15, 1));  // the last 15 bytes
    EXPECT_EQ(Items(stream, in.size(), 1), want);
    EXPECT_EQ(stream.size(), 31u + 1 + 241 * 2);  // 31 flag bytes
    EXPECT_EQ(stream[0], 0x01);
    ExpectDecodesTo(stream, in, 1);
}

TEST(LzssEncoderWrites, MatchAtTheEndIsCutToTheInput) {
    codec::LzssEncoder enc;
    Bytes in(40, 'A');
    EXPECT_EQ(Encode1(enc, in), (Bytes{0x01, 'A', 0x0F, 0x00, 0x0F, 0x00, 0x03, 0x00}));
}

TEST(LzssEncoderWrites, SameStreamWhateverRanBefore) {
    // Near its end this input is compared past its last byte; with the bytes
    // of an earlier 'x' run left in the window, the last reference would
    // report another of two equally long candidates (distance 4, 0x31 0x00).
    codec::LzssEncoder fresh, used;
    Encode1(used, Bytes(5000, 'x'));
    const Bytes in = Text("xabxbaaaxbaaxba");
    const Bytes want{0x3F, 'x', 'a', 'b', 'x', 'b', 'a', 0x00, 0x00, 0x42, 0x00, 0x00, 0x81, 0x00};
    EXPECT_EQ(Encode1(fresh, in), want);
    EXPECT_EQ(Encode1(used, in), want);
    Encode1(used, Structured(20000, 5));
    for (const char* s : {"abcabcabcab", "xyzzyxyzzyxyzzy", "ABABABABABABABABAB"}) {
        EXPECT_EQ(Encode1(used, Text(s)), Encode1(fresh, Text(s))) << s;
    }
}

TEST(LzssEncoderWrites, ReturnsInputLengthWhenNotShorter) {
    codec::LzssEncoder enc;
    Bytes in = RandomBytes(5000, 1);
    std::int32_t r = 0;
    Encode1(enc, in, &r);
    EXPECT_EQ(r, 5000);
    // 16 distinct bytes: 2 full groups of literals (18 bytes), 16-byte input.
    Bytes distinct(16);
    for (int i = 0; i < 16; ++i) distinct[i] = static_cast<std::uint8_t>(i);
    Encode1(enc, distinct, &r);
    EXPECT_EQ(r, 16);
}

TEST(LzssEncoderWrites, FarthestDistanceIs4079) {
    codec::LzssEncoder enc;
    Bytes head = RandomBytes(17, 9);
    Bytes in = head;
    in.resize(4079, 0);
    in.insert(in.end(), head.begin(), head.end());
    Bytes stream = Encode1(enc, in);
    auto items = Items(stream, in.size(), 1);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), Ref(17, 4079));
    ExpectDecodesTo(stream, in, 1);
    // One byte further and the head has left the window.
    Bytes far = head;
    far.resize(4080, 0);
    far.insert(far.end(), head.begin(), head.end());
    for (const Item& it : Items(Encode1(enc, far), far.size(), 1)) EXPECT_LE(it.distance, 4079);
}

TEST(LzssEncoderWrites, LastGroupFlagBitsAboveItemsAreZero) {
    codec::LzssEncoder enc;
    for (int n = 8; n < 40; ++n) {
        Bytes in(n);
        for (int i = 0; i < n; ++i) in[i] = static_cast<std::uint8_t>(i % 3 == 0 ? 'a' : 'b');
        std::int32_t r;
        Bytes s = Encode1(enc, in, &r);
        if (r < n) ExpectDecodesTo(s, in, 1);
    }
}

TEST(LzmitEncoderWrites, EmptyAndUpTo18BytesGiveMinusOne) {
    std::int32_t r = -2;
    EXPECT_TRUE(Encode2({}, codec::TreeOrder::Standard, &r).empty());
    EXPECT_EQ(r, 0);
    for (int n = 1; n <= 18; ++n) {
        Encode2(Bytes(n, 'A'), codec::TreeOrder::Standard, &r);
        EXPECT_EQ(r, -1) << n;
        Encode2(Bytes(n, 'A'), codec::TreeOrder::Mirrored, &r);
        EXPECT_EQ(r, -1) << n;
    }
    // The check comes before each item, counting the reserved flag byte.
    Encode2(Bytes(20, 'A'), codec::TreeOrder::Standard, &r);
    EXPECT_EQ(r, -1);
}

TEST(LzmitEncoderWrites, EqualBytesAsLongestReferencesAtDistanceOne) {
    Bytes in(4096, 'A');
    Bytes stream = Encode2(in);
    std::vector<Item> want{Lit('A')};
    for (int k = 0; k < 227; ++k) want.push_back(Ref(18, 1));
    // The last 9 bytes: the first node on the path with 9 equal bytes is the
    // last position that still had 18 bytes ahead of it (4078).
    want.push_back(Ref(9, 9));
    EXPECT_EQ(Items(stream, in.size(), 2), want);
    EXPECT_EQ(stream.size(), 29u + 1 + 228 * 2);
    ExpectDecodesTo(stream, in, 2);
}

TEST(LzmitEncoderWrites, MatchAtTheEndNeverPassesIt) {
    EXPECT_EQ(Encode2(Bytes(40, 'A')), (Bytes{0x01, 'A', 0x0F, 0x00, 0x0F, 0x00, 0xE0, 0x00}));
}

TEST(LzmitEncoderWrites, FarthestDistanceIs4096) {
    Bytes head = RandomBytes(18, 3);
    Bytes in = head;
    in.resize(4096, 0);
    in.insert(in.end(), head.begin(), head.end());
    for (auto order : {codec::TreeOrder::Standard, codec::TreeOrder::Mirrored}) {
        Bytes stream = Encode2(in, order);
        auto items = Items(stream, in.size(), 2);
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back(), Ref(18, 4096));
        ExpectDecodesTo(stream, in, 2);
    }
}

TEST(LzmitMirroredBuild, FindsTheSameLengths) {
    for (std::uint32_t seed = 0; seed < 12; ++seed) {
        Bytes in = Structured(3000 + seed * 997, seed);
        std::int32_t a, b;
        Bytes s1 = Encode2(in, codec::TreeOrder::Standard, &a);
        Bytes s2 = Encode2(in, codec::TreeOrder::Mirrored, &b);
        ASSERT_EQ(a < 0, b < 0);
        if (a < 0) continue;
        EXPECT_EQ(Lengths(s1, in.size(), 2), Lengths(s2, in.size(), 2));
        ExpectDecodesTo(s2, in, 2);
    }
}

TEST(EncoderRoundTrip, SizesAroundTheWindowEdges) {
    codec::LzssEncoder enc;
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 40; ++n) sizes.push_back(n);
    for (std::size_t n : {4078, 4079, 4080, 4095, 4096, 4097, 4113, 4114, 8191, 8192, 8193, 12289, 70000})
        sizes.push_back(n);
    std::uint32_t seed = 0;
    for (std::size_t n : sizes) {
        for (int kind = 0; kind < 4; ++kind, ++seed) {
            Bytes in = Structured(n, static_cast<std::uint32_t>(kind + 4 * n));
            std::int32_t r1;
            Bytes s1 = Encode1(enc, in, &r1);
            if (r1 < static_cast<std::int32_t>(n) || n == 0) ExpectDecodesTo(s1, in, 1);
            for (auto order : {codec::TreeOrder::Standard, codec::TreeOrder::Mirrored}) {
                std::int32_t r2;
                Bytes s2 = Encode2(in, order, &r2);
                if (r2 >= 0) ExpectDecodesTo(s2, in, 2);
            }
            if (HasFatalFailure()) return;
        }
    }
}

// Checks the length and an FNV-1a hash of both encoders' streams of `in`
// (type 2 in both tree orders).
void ExpectStreams(const Bytes& in, std::size_t size1, std::uint64_t hash1, std::size_t size2,
                   std::uint64_t hash2) {
    auto fnv = [](const Bytes& b) {
        std::uint64_t h = 1469598103934665603ull;
        for (std::uint8_t x : b) h = (h ^ x) * 1099511628211ull;
        return h;
    };
    codec::LzssEncoder enc;
    const Bytes s1 = Encode1(enc, in);
    EXPECT_EQ(s1.size(), size1);
    EXPECT_EQ(fnv(s1), hash1);
    for (auto order : {codec::TreeOrder::Standard, codec::TreeOrder::Mirrored}) {
        const Bytes s2 = Encode2(in, order);
        EXPECT_EQ(s2.size(), size2);
        EXPECT_EQ(fnv(s2), hash2);
    }
}

// Pins the exact streams of a whole text: any change of tree layout, tie rule
// or flag handling shows here even when every stream still decodes.
TEST(EncoderStreams, ExactOnACorpusText) {
    const Bytes in = testing_support::ReadBytes(std::string(ORVANE_CORPUS_DIR) + "/alice29.txt");
    ExpectStreams(in, 74979u, 0xc2d838311201acd1ull, 73053u, 0xad40e80c4d641f47ull);
}

// Pins the exact streams where the walks switch between branching on the
// side (the deep, one-sided trees of a slowly rising count) and picking it
// by data (random bytes, scattered values): text reaches the first kind too
// seldom to show a fault there.
TEST(EncoderStreams, ExactOnOneSidedAndScatteredTrees) {
    Bytes in;
    auto risingCount = [&in] {
        for (unsigned i = 0; i < 6000; ++i) {
            const unsigned v = i / 3 + i % 3;
            in.insert(in.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
        }
    };
    risingCount();
    const Bytes noise = RandomBytes(3000, 7);
    in.insert(in.end(), noise.begin(), noise.end());
    for (unsigned i = 0; i < 4000; ++i) {
        const unsigned v = i * 37 % 1009;
        in.insert(in.end(), {0, 0, 0, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    }
    risingCount();
    ExpectStreams(in, 29680u, 0xc5b780b159a645a1ull, 29377u, 0xe1aedded349293e9ull);
}

class CorpusRoundTrip : public ::testing::TestWithParam<std::string> {};

std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    for (const auto& path : testing_support::CorpusFiles()) names.push_back(path.filename().string());
    return names;
}

TEST_P(CorpusRoundTrip, BothEncoders) {
    Bytes in = testing_support::ReadBytes(std::string(ORVANE_CORPUS_DIR) + "/" + GetParam());
    if (kSanitized && in.size() > 96 * 1024) in.resize(96 * 1024);
    codec::LzssEncoder enc;
    std::int32_t r1, r2;
    Bytes s1 = Encode1(enc, in, &r1);
    if (r1 < static_cast<std::int32_t>(in.size())) ExpectDecodesTo(s1, in, 1);
    Bytes s2 = Encode2(in, codec::TreeOrder::Standard, &r2);
    if (r2 >= 0) ExpectDecodesTo(s2, in, 2);
}

INSTANTIATE_TEST_SUITE_P(EncoderRoundTrip, CorpusRoundTrip, ::testing::ValuesIn(CorpusNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
