// The LZ stream of compression types 1 ("LZSS") and 2 ("LZMIT") and its
// decoders. Pure C++: spans in, spans out, no I/O, no allocation.
//
// Stream layout (both types): groups of one flag byte and up to eight items.
// Bit k of the flag byte (least significant first) describes item k:
// 1 = literal (one byte), 0 = back-reference (one little-endian 16-bit word:
// bits 0-3 length field L, bits 4-15 offset field D). A reference copies
// L + bias bytes forward from D + 1 bytes before the end of the output, so a
// length above the distance repeats the last `distance` bytes. bias is
// type + 1 (2 for type 1, 3 for type 2). The stream carries no length and no
// end marker: the decompressed size is stored beside it, and decoding stops
// as soon as that many bytes are out (unused flag bits of the last group are
// never looked at).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace codec {

// The distance field reaches 4096 bytes back.
inline constexpr int kWindowSize = 4096;

// The length bias of compression type 1 or 2 (type + 1). Decoders that are
// handed a "minimum length" are handed this value by their callers.
constexpr int LengthBias(int type) { return type + 1; }

// True for the compression types that use the LZ stream.
constexpr bool IsLZType(int type) { return type == 1 || type == 2; }

enum class DecodeStatus {
    Ok,                   // exactly output.size() bytes decoded
    TruncatedInput,       // the input ended before the output was full
    DistanceBeforeStart,  // a reference reaches before the first output byte
    ReferencePastEnd,     // the last reference runs past the declared size;
                          // the output is full (cut, as the exported decoders
                          // cut it), but no encoder writes such a stream
    BadBias,              // bias < 1: not a stream this format can describe
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Ok;
    // Input bytes read. With Ok, consumed < input.size() means the entry has
    // trailing bytes after its stream (callers decide whether that matters).
    std::size_t consumed = 0;
    // Output bytes known to be right. Equals output.size() for Ok and
    // ReferencePastEnd; on other failures the bytes after it are unspecified.
    std::size_t produced = 0;

    bool ok() const { return status == DecodeStatus::Ok; }
};

// Short English text for a status ("truncated input", ...).
const char* DecodeStatusText(DecodeStatus status);

// Bounded decode: fills output (its size is the declared decompressed size)
// from input with the given length bias (LengthBias(type)). Never reads
// outside input and never writes outside output, whatever the bytes are.
// An empty output reads nothing and is Ok.
DecodeResult DecodeLZ(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, int bias);

// The same with the compression type (1 or 2) instead of the bias.
inline DecodeResult DecodeLZType(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                 int type) {
    return DecodeLZ(input, output, LengthBias(type));
}

// The plain buffer decoder behind the library exports, which are not given
// the input length: writes at most decompressedSize bytes (nothing when it is
// <= 0 or bias < 1), cuts a reference that runs past the declared size and
// stops at a distance that reaches before the output. The caller vouches
// that input holds a complete stream; a shorter input is read past its end.
// Returns Ok, DistanceBeforeStart, ReferencePastEnd or BadBias.
DecodeStatus ExpandBuffer(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize,
                          int bias);

// The largest output that a stream of storedSize bytes can describe with
// the bias of `type` (every group a flag byte and eight longest references).
// For a type that is not 1 or 2 (stored data) it is storedSize. Lets a
// caller reject an absurd declared size before allocating for it.
std::uint64_t MaxDecompressedSize(std::uint64_t storedSize, int type);

// The same for an explicit bias (>= 1).
std::uint64_t MaxDecompressedSizeForBias(std::uint64_t storedSize, int bias);

// The longest stream that describes `size` bytes: every item a literal, one
// flag byte per eight (size + ceil(size / 8)).
constexpr std::uint64_t MaxCompressedSize(std::uint64_t size) { return size + (size + 7) / 8; }

// Ring-buffer decoding of the file-to-file decoders (type 1 or 2): a
// 4096-byte ring preset with spaces, run until the input ends; appends the
// bytes to `output`. A reference reaching before the data yields spaces; a
// stream's unused trailing flag bits end at the end of the input. Any other
// type decodes nothing.
void RingDecode(std::span<const std::uint8_t> input, int type, std::vector<std::uint8_t>& output);

}  // namespace codec
