// Compress and CompressHesk of TarvoCompC on arbitrary input: the first byte
// picks the type, both write the same stream, within the promised buffer,
// and it decodes to the input.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/encoder_library.h"

using CompressFunction = void(std::int32_t, std::int32_t*, std::uint8_t*, const std::uint8_t*, std::int32_t);
using CompressHeskFunction = std::int32_t(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* compress = fuzz_encoders::Export<CompressFunction>("TarvoCompC", "Compress");
    static auto* hesk = fuzz_encoders::Export<CompressHeskFunction>("TarvoCompC", "CompressHesk");
    if (size < 1 || size > 65536) return 0;
    const int type = 1 + (data[0] & 1);
    const std::vector<std::uint8_t> input(data + 1, data + size);
    const auto n = static_cast<std::int32_t>(input.size());
    // Exactly the promised room, so ASan sees any write past it.
    std::vector<std::uint8_t> a(input.size() + (input.size() + 7) / 8), b(a.size());
    std::int32_t lengthA = -1;
    compress(n, &lengthA, a.data(), input.data(), type);
    const std::int32_t lengthB = hesk(b.data(), input.data(), n, type);
    if (lengthA != lengthB || !std::equal(a.begin(), a.begin() + lengthA, b.begin())) std::abort();
    fuzz_encoders::CheckDecodes({a.data(), static_cast<std::size_t>(lengthA)}, input, type);
    return 0;
}
