// Library Pack on arbitrary input (first byte: the type). CompressNewEx
// writes a stream that Unpack and the codec decoder both turn back into the
// input, and that is never longer than the greedy stream of Compress (an
// optimal parse cannot lose to a greedy one). The same bytes, taken as a
// stream, go through Unpack with a declared size: it must fail cleanly or
// fill exactly that many bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/encoder_library.h"

using CompressNewExFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t,
                                           std::int32_t*, std::int32_t);
using UnpackFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, std::int32_t,
                                    std::int32_t);
using CompressFunction = void(std::int32_t, std::int32_t*, std::uint8_t*, const std::uint8_t*, std::int32_t);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* compressNewEx = fuzz_encoders::Export<CompressNewExFunction>("Pack", "CompressNewEx");
    static auto* unpack = fuzz_encoders::Export<UnpackFunction>("Pack", "Unpack");
    static auto* greedy = fuzz_encoders::Export<CompressFunction>("TarvoCompC", "Compress");
    if (size < 1 || size > 65536) return 0;
    const int type = 1 + (data[0] & 1);
    const std::vector<std::uint8_t> input(data + 1, data + size);
    const auto n = static_cast<std::int32_t>(input.size());

    std::vector<std::uint8_t> stream(input.size() + (input.size() + 7) / 8);
    std::int32_t length = -1;
    if (compressNewEx(input.data(), n, stream.data(), static_cast<std::int32_t>(stream.size()), &length, type) != 0) {
        std::abort();
    }
    stream.resize(static_cast<std::size_t>(length));
    fuzz_encoders::CheckDecodes(stream, input, type);
    std::vector<std::uint8_t> back(input.size());
    if (unpack(stream.data(), length, back.data(), n, type, n) != n || back != input) std::abort();

    std::vector<std::uint8_t> greedyStream(stream.capacity());
    std::int32_t greedyLength = -1;
    greedy(n, &greedyLength, greedyStream.data(), input.data(), type);
    if (length > greedyLength) std::abort();

    // Hostile stream: declared size from the second byte, up to 18 per byte.
    const std::int32_t declared = size > 1 ? static_cast<std::int32_t>(data[1]) * n / 14 : 0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(declared));
    const std::int32_t got = unpack(input.data(), n, out.data(), declared, type, declared);
    if (got != declared && got >= 0) std::abort();
    return 0;
}
