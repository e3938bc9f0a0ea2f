// The tree encoder of TarvoCompC (CompressHOLZSS over Encode / Encode2 and
// the tree building blocks): exact streams, the space-filled ring, the tie
// rules of each type, the window limits, and the results for odd arguments.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
