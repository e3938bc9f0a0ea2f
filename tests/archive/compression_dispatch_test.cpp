#include "archive/compression_dispatch.h"

#include <gtest/gtest.h>

#include "archive/error.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using archive::Bytes;
using archive::CompressFile;
using archive::ExpandCompressedFile;
using archive::Method;
using archive::MethodSettings;
using testing_support::ErrorOf;
using testing_support::RandomBytes;
using testing_support::ToBytes;

constexpr Method kMethods[] = {Method::Tarvo, Method::Okumura, Method::Hesk, Method::Dravik};

MethodSettings With(Method encoder, Method decoder) {
    return {archive::Type1EncoderValue(encoder), archive::Type2EncoderValue(encoder), archive::DecoderValue(decoder)};
}

// Every encoder with every decoder on text, runs, corpus samples; data that
// does not shrink (noise, tiny and empty items) is stored as type 0.
TEST(CompressFileRoundTrip, EveryEncoderWithEveryDecoder) {
    std::vector<Bytes> samples = {ToBytes("abcabcabcabcabcabcabcabcabcX the quick brown fox jumps over the lazy dog dog"),
                                  ToBytes(std::string(3000, 'x') + "tail"), RandomBytes(3000, 7), Bytes(18, 'a'), {}};
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes file = testing_support::ReadBytes(path);
        file.resize(std::min<std::size_t>(file.size(), 12000));
        samples.push_back(file);
        if (samples.size() == 8) break;
    }
    for (std::int16_t type : {1, 2}) {
        for (Method encoder : kMethods) {
            for (std::size_t k = 0; k < samples.size(); ++k) {
                const Bytes& input = samples[k];
                Bytes stored = ToBytes("stale");
                std::int16_t storedType = type;
                CompressFile(input, stored, storedType, With(encoder, Method::Tarvo));
                SCOPED_TRACE(std::string(archive::MethodName(encoder)) + " type " + std::to_string(type) + " sample " +
                             std::to_string(k));
                EXPECT_TRUE(k != 1 || stored.size() < input.size() / 4);
                EXPECT_TRUE(storedType == (k == 2 || k == 4 ? 0 : storedType));  // noise and empty items are stored
                EXPECT_TRUE(storedType == 0 ? stored == input : storedType == type);
                for (Method decoder : kMethods) {
                    Bytes back;
                    ExpandCompressedFile(stored, back, static_cast<std::int32_t>(input.size()), storedType,
                                         With(encoder, decoder));
                    EXPECT_EQ(back, input) << archive::MethodName(decoder);
                }
            }
        }
    }
}

TEST(CompressFile, RejectsTypesOutsideZeroToTwo) {
    Bytes out = ToBytes("kept");
    std::int16_t t = 3;
    testing_support::ExpectError([&] { CompressFile(ToBytes("data"), out, t, MethodSettings{}); }, 9219,
                                 "CompressFile", "Invalid compression type");
    EXPECT_EQ(t, 3);
    EXPECT_EQ(out, ToBytes("kept"));
    testing_support::ExpectError([&] { ExpandCompressedFile(ToBytes("data"), out, 4, 3, MethodSettings{}); }, 8195,
                                 "ExpandCompressedFile", "Invalid compression type");
    ExpandCompressedFile(ToBytes("abcdef"), out, 4, 0, MethodSettings{});
    EXPECT_EQ(out, ToBytes("abcd"));  // stored data is cut to the declared size
}

TEST(ExpandCompressedFile, RefusesDamageBeforeAnyDecoderRuns) {
    Bytes full(17, 0x00);  // 17 stored bytes describe at most 144 type 2 bytes
    full[1] = 0x01;
    const std::tuple<Bytes, std::int32_t, std::int16_t> cases[] = {
        {{0x01, 'A', 0x01}, 5, 2},         // truncated inside a reference word
        {{0xFF, 'a', 'b'}, 10, 1},         // the stream ends before the declared size
        {{0x00, 0x10, 0x00}, 4, 2},        // a reference before the first byte
        {{0x01, 'A'}, -1, 1},              // a negative size
        {ToBytes("abc"), 4, 0},            // stored data shorter than declared
        {full, INT32_MAX, 2}, {full, 145, 2}, {full, 137, 1},  // refused at once, not allocated
    };
    for (const auto& [stream, size, type] : cases) {
        for (Method decoder : kMethods) {
            Bytes out = ToBytes("kept");
            const archive::Error e =
                ErrorOf([&] { ExpandCompressedFile(stream, out, size, type, With(Method::Tarvo, decoder)); });
            EXPECT_EQ(e.Number, archive::kDamagedDataBase + type);
            EXPECT_EQ(e.Source, "ExpandCompressedFile");
            EXPECT_EQ(e.Description.rfind("Damaged compressed data: ", 0), 0u) << e.Description;
            EXPECT_EQ(out, ToBytes("kept"));
        }
    }
    Bytes out;
    EXPECT_TRUE(archive::DravikDecode({0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}, 2, out, 1000));
    EXPECT_EQ(out, ToBytes("abcabcabcX"));
    for (const Bytes& bad : {Bytes{0x00, 0x00, 0x00}, Bytes{0x01, 'a', 0x0F}}) EXPECT_FALSE(archive::DravikDecode(bad, 2, out, 1000));
    out.clear();
    EXPECT_FALSE(archive::DravikDecode({0x01, 'a', 0x0F, 0x00}, 2, out, 10));
    EXPECT_LE(out.size(), 10u);
}

}  // namespace
