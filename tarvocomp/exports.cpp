// The exports of TarvoComp: the buffer decoders ExpandLZ, Expand_LZMIT and
// Mit_UnCompress_Lzss, the file decoder ExpandTarvo, the encoders
// Compress_LZSS / Compress_LZMIT with their second builds, and the file
// encoder CompressTarvo. The stream format and the encoders live in codec/;
// these shells check their arguments (release builds too) and never let an
// exception out.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "codec/export.h"
#include "codec/lz.h"
#include "codec/lz_encode.h"

namespace {

// The type 1 encoder's window and tree are library-wide, as the encoder is
// built around one reused table: Compress_LZSS, Compress_LZSS_C and
// CompressTarvo must not run concurrently.
codec::LzssEncoder& SharedLzssEncoder() {
    static codec::LzssEncoder encoder;
    return encoder;
}

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>& data) {
    if (!path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::uint8_t chunk[65536];
    std::size_t got;
    bool ok = true;
    try {
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
    } catch (...) {
        ok = false;
    }
    std::fclose(file);
    return ok;
}

void WriteWholeFile(const char* path, const std::uint8_t* data, std::size_t size) {
    if (!path) return;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void ExpandChecked(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize, int bias) {
    if (!output || !input || decompressedSize <= 0) return;
    codec::ExpandBuffer(output, input, decompressedSize, bias);
}

std::int32_t CompressLzss(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength) {
    if (inputLength < 0 || (inputLength > 0 && (!input || !output))) return -1;
    if (inputLength == 0) return 0;
    const auto n = static_cast<std::size_t>(inputLength);
    return SharedLzssEncoder().Compress({input, n}, {output, n});
}

std::int32_t CompressLzmit(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength) {
    if (inputLength < 0 || (inputLength > 0 && (!input || !output))) return -1;
    if (inputLength == 0) return 0;
    const auto n = static_cast<std::size_t>(inputLength);
    return codec::CompressLzmit({input, n}, {output, n});
}

}  // namespace

ORVANE_EXPORT void ExpandLZ(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize,
                            std::int32_t minLength) {
    ExpandChecked(output, input, decompressedSize, minLength);
}

// Type 2 only; note the input comes first.
ORVANE_EXPORT void Expand_LZMIT(const std::uint8_t* input, std::uint8_t* output, std::int32_t decompressedSize) {
    ExpandChecked(output, input, decompressedSize, codec::LengthBias(2));
}

ORVANE_EXPORT void Mit_UnCompress_Lzss(const std::uint8_t* input, std::uint8_t* output,
                                       std::int32_t decompressedSize) {
    ExpandChecked(output, input, decompressedSize, codec::LengthBias(2));
}

// The input file's length is known here, so types 1 and 2 are decoded with
// the bounded decoder: a short or damaged file never makes it read past its
// data. Always writes exactly decompressedSize bytes (zeros where the input
// gives none); writes nothing when the input cannot be read.
ORVANE_EXPORT std::int32_t ExpandTarvo(const char* inputPath, const char* outputPath, std::int32_t decompressedSize,
                                       std::int32_t type) {
    if (!outputPath) return 0;
    try {
        std::vector<std::uint8_t> input;
        if (!ReadWholeFile(inputPath, input)) return 0;
        std::vector<std::uint8_t> output(decompressedSize > 0 ? static_cast<std::size_t>(decompressedSize) : 0);
        if (codec::IsLZType(type)) {
            if (!output.empty()) codec::DecodeLZType(input, output, type);
        } else {
            std::copy_n(input.begin(), std::min(input.size(), output.size()), output.begin());
        }
        WriteWholeFile(outputPath, output.data(), output.size());
    } catch (...) {
    }
    return 0;
}

ORVANE_EXPORT std::int32_t Compress_LZSS(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength) {
    return CompressLzss(input, output, inputLength);
}

// The second build of the type 1 encoder: the same steps on the same tree.
ORVANE_EXPORT std::int32_t Compress_LZSS_C(const std::uint8_t* input, std::uint8_t* output,
                                          std::int32_t inputLength) {
    return CompressLzss(input, output, inputLength);
}

ORVANE_EXPORT std::int32_t Compress_LZMIT(const std::uint8_t* input, std::uint8_t* output, std::int32_t inputLength) {
    return CompressLzmit(input, output, inputLength);
}

// The second build of the type 2 encoder: its tree is the mirror image of
// the first's (see codec::CompressLzmit), and its stream the same.
ORVANE_EXPORT std::int32_t Compress_LZMIT_C(const std::uint8_t* input, std::uint8_t* output,
                                           std::int32_t inputLength) {
    return CompressLzmit(input, output, inputLength);
}

// Writes the stream of type 1 or 2, or the input unchanged for any other
// type. When the data does not shrink the output file is left empty: the
// encoder's buffer then holds a partial stream that must not be used.
ORVANE_EXPORT std::int32_t CompressTarvo(const char* inputPath, const char* outputPath, std::int32_t type) {
    if (!outputPath) return 0;
    try {
        std::vector<std::uint8_t> input;
        if (!ReadWholeFile(inputPath, input)) return 0;
        if (!codec::IsLZType(type)) {
            WriteWholeFile(outputPath, input.data(), input.size());
            return 0;
        }
        if (input.size() > 0x7FFFFFFF) {  // beyond the encoders' 32-bit lengths: no stream
            WriteWholeFile(outputPath, nullptr, 0);
            return 0;
        }
        const auto n = static_cast<std::int32_t>(input.size());
        std::vector<std::uint8_t> output(input.size() * 2);
        const std::int32_t result = type == 1 ? CompressLzss(input.data(), output.data(), n)
                                              : CompressLzmit(input.data(), output.data(), n);
        const bool shrank = result >= 0 && (result < n || n == 0);
        WriteWholeFile(outputPath, output.data(), shrank ? static_cast<std::size_t>(result) : 0);
    } catch (...) {
    }
    return 0;
}
