// The decoders of TarvoCompC: the buffer decoders (ExpandLZ and the two
// TarvoRessExpandLZEntry builds), the file decoder ExpandQuenda, and the
// ring-buffer decoders Decode, Decode1 and Decode2 that work on the current
// file pair (ExpandHOLZSS). The stream format lives in codec/; these are
// shells that check their arguments and never let an exception out.
#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

#include "codec/export.h"
#include "codec/lz.h"
#include "tarvocompc/file_pair.h"

namespace {

// A bias from a type argument; 0 (rejected by the decoders) when out of the
// range a stream can use.
int BiasOf(std::int64_t type) { return type >= 0 && type < 0x10000 ? static_cast<int>(type + 1) : 0; }

void ExpandChecked(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize, int bias) {
    if (!output || !input || decompressedSize <= 0) return;
    codec::ExpandBuffer(output, input, decompressedSize, bias);
}

void RingDecodeCurrentPair(int type) {
    const tarvocompc::FilePair pair = tarvocompc::CurrentFilePair();
    if (!pair.input || !pair.output) return;
    try {
        std::vector<std::uint8_t> input, output;
        tarvocompc::ReadRest(pair.input, input);
        codec::RingDecode(input, type, output);
        if (!output.empty()) std::fwrite(output.data(), 1, output.size(), pair.output);
    } catch (...) {
    }
}

}  // namespace

ORVANE_EXPORT void ExpandLZ(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize,
                            std::int32_t minLength) {
    ExpandChecked(output, input, decompressedSize, minLength);
}

// Takes the low 16 bits of the type as a signed 16-bit value.
ORVANE_EXPORT void TarvoRessExpandLZEntryFixed(std::uint8_t* output, const std::uint8_t* input,
                                               std::int32_t decompressedSize, std::int32_t type) {
    ExpandChecked(output, input, decompressedSize, BiasOf(static_cast<std::int16_t>(type & 0xFFFF)));
}

ORVANE_EXPORT void TarvoRessExpandLZEntry(std::uint8_t* output, const std::uint8_t* input,
                                          std::int32_t decompressedSize, std::int32_t type) {
    ExpandChecked(output, input, decompressedSize, BiasOf(type));
}

// The input file's length is known here, so it is decoded with the bounded
// decoder: a short or damaged file never makes it read past its data (the
// bytes it cannot fill are written as zeros).
ORVANE_EXPORT std::int32_t ExpandQuenda(const char* inputPath, const char* outputPath,
                                        std::int32_t decompressedSize, std::int32_t type) {
    if (!inputPath || !outputPath) return 0;
    std::FILE* in = std::fopen(inputPath, "rb");
    if (!in) return 0;
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    try {
        tarvocompc::ReadRest(in, input);
        std::fclose(in);
        in = nullptr;
        output.resize(decompressedSize > 0 ? static_cast<std::size_t>(decompressedSize) : 0);
    } catch (...) {
        if (in) std::fclose(in);
        return 0;
    }
    const int bias = BiasOf(static_cast<std::int16_t>(type & 0xFFFF));
    if (!output.empty()) codec::DecodeLZ(input, output, bias);
    std::FILE* out = std::fopen(outputPath, "wb");
    if (!out) return 0;
    if (!output.empty()) std::fwrite(output.data(), 1, output.size(), out);
    std::fclose(out);
    return 1;
}

ORVANE_EXPORT void Decode1() { RingDecodeCurrentPair(1); }

ORVANE_EXPORT void Decode2() { RingDecodeCurrentPair(2); }

ORVANE_EXPORT void Decode(std::int32_t type) {
    if (type == 1)
        Decode1();
    else if (type == 2)
        Decode2();
}

ORVANE_EXPORT std::int32_t ExpandHOLZSS(const char* inputPath, const char* outputPath, std::int32_t type) {
    if (!tarvocompc::OpenFilePair(inputPath, outputPath)) return 0;
    Decode(type);
    tarvocompc::CloseFilePair();
    return 1;
}
