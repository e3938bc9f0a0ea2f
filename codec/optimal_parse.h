// The smallest LZ stream of compression type 1 or 2 for a given input: an
// optimal parse over the longest match at every position. Pure C++: a span
// in, a byte vector out, no I/O. The encoder behind library Pack.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace codec {

// Encodes input as a type 1 or type 2 stream (the layout of codec/lz.h) that
// no other stream of that type describing the same bytes undercuts: a
// literal costs 9 bits (byte and flag bit), a reference 17, and the parse
// minimising the bits also minimises the bytes, flag bytes of the last group
// included (a stream of b item bytes and i items takes b + ceil(i / 8)
// bytes, and 8 times that lies within 7 bits of 8b + i).
// Among the parses of equal size it takes longer references first, and of
// equally long matches found it takes the farther, since very short
// distances cost decoding speed for nothing: a reference less than 16 bytes
// back moves to the farthest copy of its bytes at least 16 back that the
// search meets in the window (which leaves the size as it is).
// Empty input gives an empty stream; the result never exceeds
// MaxCompressedSize(input.size()). type must be 1 or 2 (checked: anything
// else throws std::invalid_argument); input above 2^31 - 1 bytes throws
// std::length_error. Uses about 3 bytes per input byte of working memory
// besides the stream (7 where many references lie close behind their
// bytes), and 1 MiB of tables (std::bad_alloc when it cannot have them);
// each thread keeps them for its next call while the input is at most
// 4 MiB.
std::vector<std::uint8_t> CompressOptimal(std::span<const std::uint8_t> input, int type);

// The same stream written into output: returns its length, or -1 (output
// untouched) when it does not fit.
std::int64_t CompressOptimal(std::span<const std::uint8_t> input, int type, std::span<std::uint8_t> output);

// For each input position, the longest match (capped at the type's longest
// copy, type + 16, and at the end of the input) that starts 1..4096 bytes
// before it, with the distance of the farthest such match the search met
// (0 and 0 where there is none of at least the type's minimum copy).
// Exposed for tests: the optimal parse is as good as these lengths.
struct LongestMatches {
    std::vector<std::uint8_t> length;
    std::vector<std::uint16_t> distance;
};
LongestMatches FindLongestMatches(std::span<const std::uint8_t> input, int type);

}  // namespace codec
