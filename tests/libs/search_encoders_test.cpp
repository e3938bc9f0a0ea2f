// The search encoders of TarvoCompC (Compress with CompressBytes and
// GetMaxSize, CompressDravik, CompressHesk): exact streams, tie rules, the
// end of the input, and the results for odd arguments.
#include <gtest/gtest.h>

#include <string>

#include "codec/lz.h"
#include "codec/stream_check.h"
#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::TarvoCompC;
using streamcheck::Item;
using streamcheck::Lit;
using streamcheck::Ref;
using testing_support::ToBytes;

constexpr std::uint8_t kGuard = 0xA5;

// Runs Compress and CompressHesk with a buffer of exactly the promised size
// plus guard bytes; both must write the same stream: their tie rules agree.
Bytes RunBoth(const Bytes& in, int type) {
    const std::size_t room = in.size() + (in.size() + 7) / 8;
    Bytes a(room + 8, kGuard), b(room + 8, kGuard);
    std::int32_t length = -1;
    TarvoCompC().Get<encoder_libraries::CompressFunction>("Compress")(static_cast<std::int32_t>(in.size()), &length,
                                                                      a.data(), in.data(), type);
    const std::int32_t hesk = TarvoCompC().Get<encoder_libraries::CompressHeskFunction>("CompressHesk")(
        b.data(), in.data(), static_cast<std::int32_t>(in.size()), type);
    EXPECT_TRUE(std::all_of(a.begin() + static_cast<std::ptrdiff_t>(room), a.end(), [](auto x) { return x == kGuard; }));
    a.resize(static_cast<std::size_t>(length));
    b.resize(static_cast<std::size_t>(hesk));
    EXPECT_EQ(a, b) << "Compress and CompressHesk differ, type " << type;
    return a;
}

std::vector<Item> Items(const Bytes& in, int type) { return streamcheck::Parse(RunBoth(in, type), in.size(), type + 1).items; }

TEST(SearchEncoders, ExactStreams) {
    // Ties go to the nearer copy for type 1 and to the farther for type 2.
    const Bytes abc = ToBytes("abcXabcYabcZ");
    EXPECT_EQ(RunBoth(abc, 1), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x31, 0x00, 'Y', 0x31, 0x00, 'Z'}));
    EXPECT_EQ(RunBoth(abc, 2), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x30, 0x00, 'Y', 0x70, 0x00, 'Z'}));
    // The oldest candidate of the longest copy ends each search; at the end
    // of a type 1 run every candidate matches equally and the nearest wins.
    EXPECT_EQ(Items(Bytes(100, 'A'), 1),
              (std::vector<Item>{Lit('A'), Ref(17, 1), Ref(17, 18), Ref(17, 35), Ref(17, 52), Ref(17, 69), Ref(14, 1)}));
    EXPECT_EQ(Items(Bytes(100, 'A'), 2),
              (std::vector<Item>{Lit('A'), Ref(18, 1), Ref(18, 19), Ref(18, 37), Ref(18, 55), Ref(18, 73), Ref(9, 91)}));
    // Never a match past the end of the input.
    EXPECT_EQ(RunBoth(ToBytes("abcab"), 2), (Bytes{0x1F, 'a', 'b', 'c', 'a', 'b'}));
    EXPECT_EQ(RunBoth(ToBytes("abcab"), 1), (Bytes{0x07, 'a', 'b', 'c', 0x20, 0x00}));
    EXPECT_EQ(Items(Bytes(20, 0), 2), (std::vector<Item>{Lit(0), Ref(18, 1), Lit(0)}));
    for (int type = 1; type <= 2; ++type) EXPECT_TRUE(RunBoth({}, type).empty());
}

}  // namespace
