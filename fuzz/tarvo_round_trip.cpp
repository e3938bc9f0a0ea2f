// Encode -> decode round trip of both TarvoComp encoders: every stream must
// decode to the input with the bounded and the ring decoder, consume exactly
// its bytes, and stay within the promised output size.
#include <cstdint>
#include <vector>

#include "codec/lz.h"
#include "codec/lz_encode.h"

namespace {

void Check(const std::vector<std::uint8_t>& in, const std::vector<std::uint8_t>& stream, int type) {
    std::vector<std::uint8_t> out(in.size());
    const codec::DecodeResult r = codec::DecodeLZType(stream, out, type);
    if (!r.ok() || r.consumed != stream.size() || out != in) __builtin_trap();
    std::vector<std::uint8_t> ring;
    codec::RingDecode(stream, type, ring);
    if (ring != in) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static codec::LzssEncoder lzss;
    const std::vector<std::uint8_t> in(data, data + size);
    std::vector<std::uint8_t> out(size);  // exactly the size the encoders may use

    const std::int32_t r1 = lzss.Compress(in, out);
    if (r1 < 0 || r1 > static_cast<std::int32_t>(size)) __builtin_trap();
    if (r1 < static_cast<std::int32_t>(size) || size == 0) Check(in, {out.begin(), out.begin() + r1}, 1);

    const std::int32_t r2 = codec::CompressLzmit(in, out);
    if (r2 < -1 || (size <= 18 && size > 0 && r2 != -1)) __builtin_trap();
    if (r2 >= 0) Check(in, {out.begin(), out.begin() + r2}, 2);
    return 0;
}
