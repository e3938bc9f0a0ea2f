// Library Pack: the C interface of CompressNewEx and Unpack (results,
// capacities, damaged streams), and CompressNewEx as the smallest encoder.
#include <gtest/gtest.h>

#include "pack/pack.h"

#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::Pack;

constexpr std::uint8_t kGuard = 0xA5;

auto* compressNewEx() { return Pack().Get<encoder_libraries::CompressNewExFunction>("CompressNewEx"); }
auto* unpack() { return Pack().Get<encoder_libraries::UnpackFunction>("Unpack"); }

Bytes Compress(const Bytes& in, int type) {
    Bytes out(PACK_COMPRESS_BOUND(in.size()));
    std::int32_t length = -1;
    EXPECT_EQ(compressNewEx()(in.data(), static_cast<std::int32_t>(in.size()), out.data(),
                              static_cast<std::int32_t>(out.size()), &length, type),
              PACK_OK);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::int32_t Unpack(const Bytes& stream, Bytes& out, int type, std::int32_t size) {
    return unpack()(stream.data(), static_cast<std::int32_t>(stream.size()), out.data(),
                    static_cast<std::int32_t>(out.size()), type, size);
}

TEST(PackRoundTrip, RandomAndRepetitiveInputsOfBothTypes) {
    std::vector<Bytes> inputs = {testing_support::RandomBytes(20000, 1), Bytes(20000, 7), {}};
    Bytes text;
    for (int i = 0; i < 3000; ++i) text.push_back(static_cast<std::uint8_t>("the cat sat on a mat "[i % 21]));
    inputs.push_back(text);
    for (int type = 1; type <= 2; ++type) {
        for (const Bytes& in : inputs) {
            const Bytes stream = Compress(in, type);
            EXPECT_LE(stream.size(), PACK_COMPRESS_BOUND(in.size()));
            Bytes out(in.size() + 4, kGuard);
            EXPECT_EQ(Unpack(stream, out, type, static_cast<std::int32_t>(in.size())),
                      static_cast<std::int32_t>(in.size()));
            EXPECT_TRUE(std::equal(in.begin(), in.end(), out.begin()));
            EXPECT_EQ(out[in.size()], kGuard) << "written past decompressedSize";
        }
    }
}

TEST(CompressNewExRejects, BadArgumentsAndTypes) {
    const Bytes in{1, 2, 3, 1, 2, 3};
    Bytes out(16);
    std::int32_t length = 99;
    EXPECT_EQ(compressNewEx()(in.data(), 6, out.data(), 16, &length, 0), PACK_BAD_TYPE);
    EXPECT_EQ(length, 0);
    length = 99;
    EXPECT_EQ(compressNewEx()(in.data(), 6, out.data(), 16, &length, 3), PACK_BAD_TYPE);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(compressNewEx()(in.data(), -1, out.data(), 16, &length, 1), PACK_BAD_ARGUMENT);
    EXPECT_EQ(compressNewEx()(nullptr, 6, out.data(), 16, &length, 1), PACK_BAD_ARGUMENT);
    EXPECT_EQ(compressNewEx()(in.data(), 6, nullptr, 16, &length, 1), PACK_BAD_ARGUMENT);
    EXPECT_EQ(compressNewEx()(in.data(), 6, out.data(), 16, nullptr, 1), PACK_BAD_ARGUMENT);
}

TEST(CompressNewExRejects, AnOutputBufferTooSmallWithoutWritingPastIt) {
    const Bytes in = testing_support::RandomBytes(100, 2);
    Bytes out(200, kGuard);
    std::int32_t length = 99;
    EXPECT_EQ(compressNewEx()(in.data(), 100, out.data(), 50, &length, 2), PACK_OUTPUT_TOO_SMALL);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(Bytes(out.begin() + 50, out.end()), Bytes(150, kGuard));
    // The bound always suffices, also for incompressible data.
    EXPECT_EQ(compressNewEx()(in.data(), 100, out.data(), PACK_COMPRESS_BOUND(100), &length, 2), PACK_OK);
    EXPECT_EQ(length, PACK_COMPRESS_BOUND(100));
}

TEST(UnpackRejects, DamagedStreamsAndSmallBuffers) {
    const Bytes in = testing_support::RandomBytes(1000, 3);
    const Bytes stream = Compress(in, 1);
    Bytes out(1000);
    // Truncated input: every prefix fails cleanly.
    for (std::size_t cut = 0; cut < stream.size(); cut += 37) {
        const Bytes prefix(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(Unpack(prefix, out, 1, 1000), PACK_DAMAGED_STREAM) << cut;
    }
    // A reference before the start of the data.
    EXPECT_EQ(Unpack(Bytes{0x00, 0x10, 0x00}, out, 1, 4), PACK_DAMAGED_STREAM);
    Bytes small(999, kGuard);
    EXPECT_EQ(Unpack(stream, small, 1, 1000), PACK_OUTPUT_TOO_SMALL);
    EXPECT_EQ(small, Bytes(999, kGuard));
    EXPECT_EQ(Unpack(stream, out, 3, 1000), PACK_BAD_TYPE);
    EXPECT_EQ(Unpack(stream, out, 1, -1), PACK_BAD_ARGUMENT);
    EXPECT_EQ(unpack()(nullptr, 10, out.data(), 1000, 1, 10), PACK_BAD_ARGUMENT);
    // Nothing to decode; bytes after the stream are ignored.
    EXPECT_EQ(unpack()(nullptr, 0, nullptr, 0, 2, 0), 0);
    Bytes longer = stream;
    longer.push_back(0xFF);
    EXPECT_EQ(Unpack(longer, out, 1, 1000), 1000);
    EXPECT_TRUE(out == in);
}

// On every corpus file (a prefix) CompressNewEx is no larger than any other
// encoder of its type; the benchmark compares whole files.
TEST(CompressNewEx, IsNeverLargerThanAnyOtherEncoder) {
    auto encoders = encoder_libraries::OwnEncoders();
    for (auto& e : encoder_libraries::TarvoCompEncoders()) encoders.push_back(std::move(e));
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix()));
        for (int type = 1; type <= 2; ++type) {
            const std::size_t best = Compress(data, type).size();
            for (const auto& encoder : encoders) {
                if (std::find(encoder.types.begin(), encoder.types.end(), type) == encoder.types.end()) continue;
                const auto stream = encoder.encode(data, type);
                if (!stream) continue;
                EXPECT_LE(best, stream->size()) << encoder.name << " type " << type << " on " << path;
            }
        }
    }
}

}  // namespace
