// The encoders of TarvoCompC and Pack on arbitrary input. The first byte
// picks the type (bit 0) and the encoders (bits 1-2); the rest is the input.
//  0: CompressHOLZSS: the output file decodes to the input, and the same input
//     encodes to the same stream whatever was encoded before.
//  1: CompressNewEx: Unpack and the codec decoder turn its stream back into
//     the input, and it is never longer than the greedy stream of Compress;
//     the input taken as a stream goes through Unpack with a declared size and
//     must fail cleanly or fill exactly that many bytes.
//  2, 3: Compress and CompressHesk write the same stream within the promised
//     buffer (exactly sized, so ASan sees any write past it), and it decodes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/encoder_library.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using FileFunction = std::int32_t(const char*, const char*, std::int32_t);
using CompressFunction = void(std::int32_t, std::int32_t*, std::uint8_t*, const std::uint8_t*, std::int32_t);
using CompressHeskFunction = std::int32_t(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t);
using CompressNewExFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t,
                                           std::int32_t*, std::int32_t);
using UnpackFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, std::int32_t,
                                    std::int32_t);

Bytes Okumura(const Bytes& input, int type) {
    static auto* compress = fuzz_encoders::Export<FileFunction>("TarvoCompC", "CompressHOLZSS");
    static const std::string in = "/tmp/orvane-fuzz-okumura-in-" + std::to_string(::getpid());
    static const std::string out = "/tmp/orvane-fuzz-okumura-out-" + std::to_string(::getpid());
    if (FILE* f = std::fopen(in.c_str(), "wb")) {
        if (!input.empty()) std::fwrite(input.data(), 1, input.size(), f);
        std::fclose(f);
    }
    if (compress(in.c_str(), out.c_str(), type) != 1) std::abort();
    Bytes stream;
    if (FILE* f = std::fopen(out.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) stream.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
    }
    return stream;
}

Bytes Greedy(const Bytes& input, int type) {
    static auto* compress = fuzz_encoders::Export<CompressFunction>("TarvoCompC", "Compress");
    Bytes stream(input.size() + (input.size() + 7) / 8);
    std::int32_t length = -1;
    compress(static_cast<std::int32_t>(input.size()), &length, stream.data(), input.data(), type);
    stream.resize(static_cast<std::size_t>(length));
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* hesk = fuzz_encoders::Export<CompressHeskFunction>("TarvoCompC", "CompressHesk");
    static auto* compressNewEx = fuzz_encoders::Export<CompressNewExFunction>("Pack", "CompressNewEx");
    static auto* unpack = fuzz_encoders::Export<UnpackFunction>("Pack", "Unpack");
    if (size < 1 || size > 65536) return 0;
    const int type = 1 + (data[0] & 1);
    const Bytes input(data + 1, data + size);
    const auto n = static_cast<std::int32_t>(input.size());
    if ((data[0] >> 1 & 3) == 0) {
        const Bytes stream = Okumura(input, type);
        fuzz_encoders::CheckDecodes(stream, input, type);
        Bytes other(input.rbegin(), input.rend());  // nothing of an earlier call stays in the rings
        other.insert(other.end(), input.begin(), input.end());
        Okumura(other, 3 - type);
        if (Okumura(input, type) != stream) std::abort();
    } else if ((data[0] >> 1 & 3) == 1) {
        Bytes stream(input.size() + (input.size() + 7) / 8), back(input.size());
        std::int32_t length = -1;
        if (compressNewEx(input.data(), n, stream.data(), static_cast<std::int32_t>(stream.size()), &length, type) != 0)
            std::abort();
        stream.resize(static_cast<std::size_t>(length));
        fuzz_encoders::CheckDecodes(stream, input, type);
        if (unpack(stream.data(), length, back.data(), n, type, n) != n || back != input) std::abort();
        if (stream.size() > Greedy(input, type).size()) std::abort();
        const std::int32_t declared = size > 1 ? static_cast<std::int32_t>(data[1]) * n / 14 : 0;  // up to 18 a byte
        Bytes out(static_cast<std::size_t>(declared));
        const std::int32_t got = unpack(input.data(), n, out.data(), declared, type, declared);
        if (got != declared && got >= 0) std::abort();
    } else {
        const Bytes a = Greedy(input, type);
        Bytes b(input.size() + (input.size() + 7) / 8);
        b.resize(static_cast<std::size_t>(hesk(b.data(), input.data(), n, type)));
        if (a != b) std::abort();
        fuzz_encoders::CheckDecodes(a, input, type);
    }
    return 0;
}
