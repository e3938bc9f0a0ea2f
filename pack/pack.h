// Library Pack (libPack.so): the encoder behind the setting "Hesk's
// algorithm" and a bounded decoder, for the LZ streams of compression types
// 1 and 2. The program loads the library by name and binds both functions by
// their plain names (dlsym "CompressNewEx", "Unpack"); the typedefs below are
// the types to cast the symbols to.
//
// Both functions are re-entrant, keep no state between calls, never read or
// write outside the buffers and lengths they are given, and never throw.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results.
#define PACK_OK 0
#define PACK_BAD_ARGUMENT (-1)      // a null pointer or a negative length
#define PACK_BAD_TYPE (-2)          // type is not 1 or 2
#define PACK_OUTPUT_TOO_SMALL (-3)  // the result does not fit the output buffer
#define PACK_DAMAGED_STREAM (-4)    // Unpack: the stream is truncated or damaged
#define PACK_OUT_OF_MEMORY (-5)     // CompressNewEx: working memory unavailable

// An output capacity that always suffices for CompressNewEx: every item a
// literal, one flag byte per eight.
#define PACK_COMPRESS_BOUND(inputLength) ((inputLength) + ((inputLength) + 7) / 8)

// Encodes input[0 .. inputLength) as a type 1 or type 2 stream with the fewest
// bytes that format allows for these bytes (an optimal parse), into
// output[0 .. outputCapacity). On PACK_OK *outputLength is the stream length
// (0 for empty input); on any failure it is 0 and the output is not valid.
// The stream is never longer than PACK_COMPRESS_BOUND(inputLength), and may
// be longer than the input: the caller compares the lengths.
int32_t CompressNewEx(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t outputCapacity,
                      int32_t* outputLength, int32_t type);

// Decodes the type 1 or type 2 stream input[0 .. inputLength) into the first
// decompressedSize bytes of output (outputCapacity must be at least
// decompressedSize). Returns the number of bytes decoded, which is
// decompressedSize, or a negative result: PACK_DAMAGED_STREAM when the input
// ends early or a reference reaches before the start of the data (the output
// is then not valid). decompressedSize 0 decodes nothing and returns 0. A last
// reference that runs past decompressedSize is cut there, as every decoder of
// the format cuts it; bytes after the end of the stream are ignored.
int32_t Unpack(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t outputCapacity,
               int32_t type, int32_t decompressedSize);

typedef int32_t (*CompressNewExFunction)(const uint8_t*, int32_t, uint8_t*, int32_t, int32_t*, int32_t);
typedef int32_t (*UnpackFunction)(const uint8_t*, int32_t, uint8_t*, int32_t, int32_t, int32_t);

#ifdef __cplusplus
}
#endif
