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

std::int32_t Unpack(const Bytes& stream, Bytes& out, int type, std::int32_t size) {
    return Pack().Get<encoder_libraries::UnpackFunction>("Unpack")(
        stream.data(), static_cast<std::int32_t>(stream.size()), out.data(), static_cast<std::int32_t>(out.size()),
        type, size);
}

TEST(Pack, RefusesBadArguments) {
    const Bytes in = testing_support::RandomBytes(100, 2);
    Bytes out(200, kGuard);
    const std::tuple<const std::uint8_t*, int, std::uint8_t*, int, bool, int, int> cases[] = {
        {in.data(), 6, out.data(), 16, true, 0, PACK_BAD_TYPE},
        {in.data(), 6, out.data(), 16, true, 3, PACK_BAD_TYPE},
        {in.data(), -1, out.data(), 16, true, 1, PACK_BAD_ARGUMENT},
        {nullptr, 6, out.data(), 16, true, 1, PACK_BAD_ARGUMENT},
        {in.data(), 6, nullptr, 16, true, 1, PACK_BAD_ARGUMENT},
        {in.data(), 6, out.data(), 16, false, 1, PACK_BAD_ARGUMENT},
        {in.data(), 100, out.data(), 50, true, 2, PACK_OUTPUT_TOO_SMALL},
    };
    for (const auto& [input, n, output, capacity, withLength, type, result] : cases) {
        std::int32_t length = 99;
        EXPECT_EQ(compressNewEx()(input, n, output, capacity, withLength ? &length : nullptr, type), result);
        EXPECT_EQ(length, withLength ? 0 : 99);
    }
    EXPECT_EQ(Bytes(out.begin() + 50, out.end()), Bytes(150, kGuard));
    // The bound always suffices, also for incompressible data.
    std::int32_t length = 0;
    EXPECT_EQ(compressNewEx()(in.data(), 100, out.data(), PACK_COMPRESS_BOUND(100), &length, 2), PACK_OK);
    EXPECT_EQ(length, PACK_COMPRESS_BOUND(100));
}

TEST(Pack, UnpackRefusesDamagedStreamsAndSmallBuffers) {
    const Bytes in = testing_support::RandomBytes(1000, 3);
    Bytes stream(PACK_COMPRESS_BOUND(1000));
    std::int32_t length = 0;
    ASSERT_EQ(compressNewEx()(in.data(), 1000, stream.data(), static_cast<std::int32_t>(stream.size()), &length, 1), 0);
    stream.resize(static_cast<std::size_t>(length));
    Bytes out(1000);
    for (std::size_t cut = 0; cut < stream.size(); cut += 37)
        EXPECT_EQ(Unpack(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)), out, 1, 1000),
                  PACK_DAMAGED_STREAM);
    EXPECT_EQ(Unpack(Bytes{0x00, 0x10, 0x00}, out, 1, 4), PACK_DAMAGED_STREAM);  // before the start
    Bytes small(999, kGuard);
    EXPECT_EQ(Unpack(stream, small, 1, 1000), PACK_OUTPUT_TOO_SMALL);
    EXPECT_EQ(small, Bytes(999, kGuard));
    EXPECT_EQ(Unpack(stream, out, 3, 1000), PACK_BAD_TYPE);
    EXPECT_EQ(Unpack(stream, out, 1, -1), PACK_BAD_ARGUMENT);
    EXPECT_EQ(Pack().Get<encoder_libraries::UnpackFunction>("Unpack")(nullptr, 0, nullptr, 0, 2, 0), 0);
    stream.push_back(0xFF);  // bytes after the stream are ignored
    EXPECT_EQ(Unpack(stream, out, 1, 1000), 1000);
    EXPECT_TRUE(out == in);
}

}  // namespace
