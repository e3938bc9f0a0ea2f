// The tree encoder of TarvoCompC (CompressHOLZSS over Encode / Encode2 and
// the tree building blocks): exact streams, the space-filled ring, the tie
// rules of each type, the window limits, and the results for odd arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codec/lz.h"
#include "codec/stream_check.h"
#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::TarvoCompC;
using streamcheck::Lit;
using streamcheck::Ref;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes RunHOLZSS(const Bytes& in, int type, std::int32_t* result = nullptr) {
    auto* compress = TarvoCompC().Get<encoder_libraries::FileFunction>("CompressHOLZSS");
    return encoder_libraries::ThroughFiles(in, [&](const char* a, const char* b) {
        const std::int32_t r = compress(a, b, type);
        if (result) *result = r;
    });
}

Bytes Decoded(const Bytes& stream, std::size_t size, int type) {
    Bytes out(size);
    EXPECT_TRUE(codec::DecodeLZType(stream, out, type).ok());
    return out;
}

TEST(CompressHOLZSS, TiesGoToTheLaterNodeForType1AndTheEarlierForType2) {
    // At the third "abc" the strings 4 and 8 back both match three bytes;
    // the one 8 back was inserted first and is met first on the path.
    const Bytes in = Text("abcXabcYabcZ");
    EXPECT_EQ(RunHOLZSS(in, 1), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x31, 0x00, 'Y', 0x31, 0x00, 'Z'}));
    EXPECT_EQ(RunHOLZSS(in, 2), (Bytes{0xAF, 'a', 'b', 'c', 'X', 0x30, 0x00, 'Y', 0x70, 0x00, 'Z'}));
}

TEST(CompressHOLZSS, InputShorterThanTheLookAhead) {
    EXPECT_EQ(RunHOLZSS(Text("abab"), 1), (Bytes{0x03, 'a', 'b', 0x10, 0x00}));
    EXPECT_EQ(RunHOLZSS(Text("abab"), 2), (Bytes{0x0F, 'a', 'b', 'a', 'b'}));
    EXPECT_EQ(RunHOLZSS(Text("Q"), 1), (Bytes{0x01, 'Q'}));
}

TEST(CompressHOLZSS, LeadingSpacesStillBeginWithALiteral) {
    // The ring before the first byte holds spaces, which the buffer decoders
    // do not have: they are refused as sources.
    for (int type = 1; type <= 2; ++type) {
        const Bytes in(40, ' ');
        const Bytes stream = RunHOLZSS(in, type);
        const auto items = streamcheck::Parse(stream, in.size(), type + 1).items;
        ASSERT_GE(items.size(), 2u);
        EXPECT_EQ(items[0], Lit(' '));
        EXPECT_EQ(items[1], Ref(type + 16, 1));
        EXPECT_EQ(Decoded(stream, in.size(), type), in);
    }
    const Bytes text = Text("   indented line\r\n   indented again\r\n");
    for (int type = 1; type <= 2; ++type) {
        const Bytes stream = RunHOLZSS(text, type);
        EXPECT_EQ(streamcheck::Parse(stream, text.size(), type + 1).items.front(), Lit(' '));
        EXPECT_EQ(Decoded(stream, text.size(), type), text);
    }
}

int LongestDistance(const Bytes& stream, std::size_t size, int type) {
    int longest = 0;
    for (const auto& item : streamcheck::Parse(stream, size, type + 1).items) longest = std::max(longest, item.distance);
    return longest;
}

TEST(CompressHOLZSS, DistancesStayWithinTheRingLessTheLookAhead) {
    // A random block repeated right after itself: its copy lies one block
    // length back, which the encoder reaches up to 4096 - F (4079 / 4078).
    for (int type = 1; type <= 2; ++type) {
        const int reach = codec::kWindowSize - (type + 16);
        for (int blockSize : {reach, reach + 1}) {
            Bytes in = testing_support::RandomBytes(static_cast<std::size_t>(blockSize), 21);
            in.insert(in.end(), in.begin(), in.begin() + 600);
            const Bytes stream = RunHOLZSS(in, type);
            EXPECT_EQ(Decoded(stream, in.size(), type), in);
            if (blockSize == reach) {
                EXPECT_EQ(LongestDistance(stream, in.size(), type), reach) << "type " << type;
            } else {
                EXPECT_LE(LongestDistance(stream, in.size(), type), reach) << "type " << type;
                EXPECT_GT(stream.size(), in.size()) << "type " << type;
            }
        }
    }
}

TEST(CompressHOLZSS, SameInputSameStreamWhateverCameBefore) {
    // The bytes behind a short input are compared too; without clearing the
    // ring they would be those of the previous, longer input.
    const Bytes longInput = [] {
        Bytes b;
        for (int i = 0; i < 3000; ++i) b.push_back(static_cast<std::uint8_t>("abc"[i % 3]));
        return b;
    }();
    const Bytes shortInput = Text("abcabcab");
    for (int type = 1; type <= 2; ++type) {
        const Bytes first = RunHOLZSS(shortInput, type);
        RunHOLZSS(longInput, type);
        RunHOLZSS(longInput, 3 - type);
        EXPECT_EQ(RunHOLZSS(shortInput, type), first) << "type " << type;
        EXPECT_EQ(Decoded(first, shortInput.size(), type), shortInput);
    }
}

TEST(CompressHOLZSS, Type0CopiesAndOtherTypesWriteNothing) {
    const Bytes in = testing_support::RandomBytes(70000, 5);
    std::int32_t result = -1;
    EXPECT_EQ(RunHOLZSS(in, 0, &result), in);
    EXPECT_EQ(result, 1);
    for (int type : {3, -1, 255}) {
        EXPECT_TRUE(RunHOLZSS(in, type, &result).empty());
        EXPECT_EQ(result, 1);
    }
}

TEST(CompressHOLZSS, EmptyInputGivesAnEmptyOutput) {
    for (int type = 1; type <= 2; ++type) {
        std::int32_t result = -1;
        EXPECT_TRUE(RunHOLZSS({}, type, &result).empty());
        EXPECT_EQ(result, 1);
    }
}

TEST(CompressHOLZSS, FailsWhenAFileCannotBeOpened) {
    auto* compress = TarvoCompC().Get<encoder_libraries::FileFunction>("CompressHOLZSS");
    testing_support::TempDir dir;
    const std::string in = dir.file("in.bin"), out = dir.file("out.bin");
    EXPECT_EQ(compress(in.c_str(), out.c_str(), 1), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
    testing_support::WriteBytes(in, Text("abc"));
    EXPECT_EQ(compress(in.c_str(), dir.file("no/such/folder").c_str(), 1), 0);
    EXPECT_EQ(compress(in.c_str(), nullptr, 1), 0);
}

TEST(CompressHOLZSS, RoundTripsThroughExpandHOLZSS) {
    auto* expand = TarvoCompC().Get<encoder_libraries::FileFunction>("ExpandHOLZSS");
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix()));
        for (int type = 1; type <= 2; ++type) {
            const Bytes stream = RunHOLZSS(data, type);
            EXPECT_EQ(Decoded(stream, data.size(), type), data) << path << " type " << type;
            const Bytes back =
                encoder_libraries::ThroughFiles(stream, [&](const char* a, const char* b) { expand(a, b, type); });
            EXPECT_TRUE(back == data) << path << " type " << type;
        }
    }
}

TEST(OkumuraBuildingBlocks, SurviveCallsOutsideAnEncoding) {
    auto* initTree = TarvoCompC().Get<void()>("InitTree");
    auto* insertNode = TarvoCompC().Get<void(std::int32_t)>("InsertNode");
    auto* insertNode2 = TarvoCompC().Get<void(std::int32_t)>("InsertNode2");
    auto* deleteNode = TarvoCompC().Get<void(std::int32_t)>("DeleteNode");
    const Bytes in = Text("abcXabcYabcZ");
    const Bytes before = RunHOLZSS(in, 1);
    // Out-of-range positions, positions inserted twice, deleted twice.
    for (std::int32_t p : {-1, 4096, 5000, 7, 7, 4095, 0}) {
        insertNode(p);
        insertNode2(p);
    }
    deleteNode(7);
    deleteNode(7);
    deleteNode(-3);
    deleteNode(1 << 20);
    initTree();
    insertNode(100);
    // Each encoding starts from a fresh tree and ring.
    EXPECT_EQ(RunHOLZSS(in, 1), before);
}

}  // namespace
