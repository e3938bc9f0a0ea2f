// The search encoders of TarvoCompC: `Compress` (with its building blocks
// `CompressBytes` and `GetMaxSize`, and the file wrapper `CompressDravik`)
// and `CompressHesk`. Both parse greedily and take at each position the match
// a scan of the 4096 bytes before it finds; their results, tie rules
// included, are fixed by the streams already written with them, and the two
// write the same streams. The whole-buffer encoders find the matches with
// the chains of codec::CompressWindowSearch, which make the scan's choices.
// The scan itself remains behind `CompressBytes`, and behind both encoders
// for short inputs and when the chains' memory cannot be had. It jumps
// between candidates with memchr on the first byte, which skips exactly the
// candidates that cannot match and so changes no choice.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "codec/export.h"
#include "codec/lz.h"
#include "codec/lz_encode.h"
#include "tarvocompc/file_pair.h"

namespace tarvocompc {

namespace {

// The longest copy of type t.
constexpr int MaxCopy(int type) { return type + 16; }

int CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, int limit) {
    int i = 0;
    while (i < limit && a[i] == b[i]) ++i;
    return i;
}

// The scan of `CompressBytes`, with the match length limited to `limit`
// bytes (the type's longest copy, or fewer at the end of the input).
// Candidates are taken oldest first. Type 1 takes every candidate at least as
// long as the best so far, so the nearest of the longest wins, except that
// the first candidate of the longest copy ends the scan; type 2 takes only a
// strictly longer one, so the farthest wins.
bool FindDravikMatch(const std::uint8_t* current, int count, int limit, int type, std::uint16_t& word) {
    if (type != 1 && type != 2) return false;
    count = std::clamp(count, 0, codec::kWindowSize);
    if (limit <= 0) return false;
    int best = 2;
    bool found = false;
    const std::uint8_t* candidate = current - count;
    while (candidate < current) {
        candidate = static_cast<const std::uint8_t*>(
            std::memchr(candidate, current[0], static_cast<std::size_t>(current - candidate)));
        if (!candidate) break;
        const int e = CommonPrefix(candidate, current, limit);
        if (type == 1 ? e >= best : e > best) {
            best = e;
            word = static_cast<std::uint16_t>(((current - candidate - 1) << 4) | (e - codec::LengthBias(type)));
            found = true;
        }
        if (e >= MaxCopy(type)) break;
        ++candidate;
    }
    return found;
}

// The encoders' loop over CompressBytes' scan.
std::int32_t CompressByScan(std::int32_t inputLength, std::uint8_t* output, const std::uint8_t* input, int type) {
    const int bias = codec::LengthBias(type);
    int remaining = inputLength;
    int out = 0;
    int flagAt = 0;
    int items = 8;
    const std::uint8_t* current = input;
    while (remaining != 0) {
        if (items == 8) {
            flagAt = out;
            output[out++] = 0;
            items = 0;
        }
        std::uint16_t word = 0;
        const int limit = std::min(MaxCopy(type), remaining);
        if (FindDravikMatch(current, inputLength - remaining, limit, type, word)) {
            output[out++] = static_cast<std::uint8_t>(word & 0xFF);
            output[out++] = static_cast<std::uint8_t>(word >> 8);
            const int length = (word & 15) + bias;
            current += length;
            remaining -= length;
        } else {
            output[flagAt] = static_cast<std::uint8_t>(output[flagAt] | (1u << items));
            output[out++] = *current++;
            remaining -= 1;
        }
        ++items;
    }
    return out;
}

// The chains' tables cost more to clear than the scan of a short input.
constexpr std::int32_t kChainsFrom = 128;

std::int32_t CompressBuffer(std::int32_t inputLength, std::uint8_t* output, const std::uint8_t* input, int type) {
    if (inputLength < kChainsFrom) return CompressByScan(inputLength, output, input, type);
    const auto n = static_cast<std::size_t>(inputLength);
    const std::int32_t length = codec::CompressWindowSearch(
        {input, n}, {output, static_cast<std::size_t>(codec::MaxCompressedSize(n))}, type);
    return length >= 0 ? length : CompressByScan(inputLength, output, input, type);
}

}  // namespace

}  // namespace tarvocompc

// Caller guarantees both strings hold type + 16 readable bytes.
ORVANE_EXPORT std::int32_t GetMaxSize(const std::uint8_t* candidate, const std::uint8_t* current, std::int32_t type) {
    if (!candidate || !current) return 0;
    return tarvocompc::CommonPrefix(candidate, current, std::clamp(type, -16, 1 << 30) + 16);
}

// Caller guarantees `count` readable bytes before current and type + 16 from it.
ORVANE_EXPORT std::uint8_t CompressBytes(const std::uint8_t* current, std::int16_t* word, std::int32_t count,
                                         std::int32_t type) {
    if (!current || !word || (type != 1 && type != 2)) return 0;
    std::uint16_t found = 0;
    if (!tarvocompc::FindDravikMatch(current, count, tarvocompc::MaxCopy(type), type, found)) return 0;
    *word = static_cast<std::int16_t>(found);
    return 1;
}

// The output buffer must hold inputLength + (inputLength + 7) / 8 bytes.
// An empty input, or a type other than 1 or 2, writes nothing and sets the
// length to 0. Each search compares no further than the end of the input, so
// no match runs past it and no byte beyond the input is read.
ORVANE_EXPORT void Compress(std::int32_t inputLength, std::int32_t* outputLength, std::uint8_t* output,
                            const std::uint8_t* input, std::int32_t type) {
    if (!outputLength) return;
    *outputLength = 0;
    if (inputLength <= 0 || !output || !input || (type != 1 && type != 2)) return;
    *outputLength = tarvocompc::CompressBuffer(inputLength, output, input, type);
}

ORVANE_EXPORT std::int32_t CompressDravik(const char* inputPath, const char* outputPath, std::int32_t type) {
    if (!tarvocompc::OpenFilePair(inputPath, outputPath)) return 0;
    const tarvocompc::FilePair pair = tarvocompc::CurrentFilePair();
    try {
        std::vector<std::uint8_t> input;
        tarvocompc::ReadRest(pair.input, input);
        std::vector<std::uint8_t> output(static_cast<std::size_t>(codec::MaxCompressedSize(input.size())));
        std::int32_t length = 0;
        Compress(static_cast<std::int32_t>(input.size()), &length, output.data(), input.data(), type);
        std::fwrite(output.data(), 1, static_cast<std::size_t>(length), pair.output);
    } catch (...) {
        // Out of memory: the output file stays empty.
    }
    tarvocompc::CloseFilePair();
    return 1;
}

// The output buffer must hold inputLength + (inputLength + 7) / 8 bytes.
ORVANE_EXPORT std::int32_t CompressHesk(std::uint8_t* output, const std::uint8_t* input, std::int32_t inputLength,
                                        std::int32_t type) {
    if (type < 1 || type > 2) return inputLength;
    if (inputLength <= 0 || !output || !input) return 0;
    return tarvocompc::CompressBuffer(inputLength, output, input, type);
}
