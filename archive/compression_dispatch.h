// The one road between item bytes and stored entry data: CompressFile turns
// bytes into a type 1 or 2 stream (or leaves them stored), and
// ExpandCompressedFile gives the bytes of an entry back. Each has four
// interchangeable methods, chosen by MethodSettings; all of them read and
// write the same stream format, so any encoder pairs with any decoder.
//
// The methods live in libTarvoComp.so, libTarvoCompC.so and libPack.so, which
// are loaded from ProgramDirectory() on first use, and (one decoder) here.
// A library or export that cannot be found raises an Error (number 48 for a
// library, 453 for an export) naming what is missing.
#pragma once

#include <cstdint>
#include <string>

#include "archive/item_table.h"

namespace archive {

// Method numbers as the settings file stores them. The two encoder settings
// number the same methods differently.
//
//   value  CType1Algorithm   CType2Algorithm   DecAlgorithm
//   0      Okumura           Hesk              Tarvo
//   1      Hesk              Dravik            Okumura
//   2      Dravik            Tarvo             Hesk
//   3      Tarvo             Okumura           Dravik
//
// A value outside 0..3 (only a hand-edited settings file holds one) selects
// the Tarvo method, the default.
struct MethodSettings {
    std::uint8_t CType1Algorithm = 3;
    std::uint8_t CType2Algorithm = 2;
    std::uint8_t DecAlgorithm = 0;
};

enum class Method { Tarvo, Okumura, Hesk, Dravik };

// The method a setting value selects for the type 1 encoder, the type 2
// encoder and the decoder.
Method Type1Encoder(const MethodSettings& settings);
Method Type2Encoder(const MethodSettings& settings);
Method Decoder(const MethodSettings& settings);

// The setting value that selects method (the inverse of the three above).
std::uint8_t Type1EncoderValue(Method method);
std::uint8_t Type2EncoderValue(Method method);
std::uint8_t DecoderValue(Method method);

// "tarvo", "okumura", "hesk", "dravik"; and back (false for another name).
const char* MethodName(Method method);
bool MethodFromName(const std::string& name, Method& method);

// Compresses input to `type`. type 0 copies. For 1 and 2 the encoder the
// settings select runs; when its stream is not shorter than the input, output
// becomes the input and type becomes 0. Any other type raises 9216 + type
// ("Invalid compression type", source "CompressFile") and changes nothing.
// Every stream is decoded again before it is accepted: a library that fails
// (cannot open its files, writes no stream, or a stream that does not give
// the input back) raises an Error (51); output and type are then unchanged.
void CompressFile(const Bytes& input, Bytes& output, std::int16_t& type, const MethodSettings& settings);

// Restores decompressedSize bytes from an entry's stored bytes. type 0 gives
// the first decompressedSize bytes of input. Any type other than 0..2 raises
// 8192 + type ("Invalid compression type", source "ExpandCompressedFile").
//
// Stored bytes are never trusted: a negative size, a size the input cannot
// describe (more than the stream format's largest expansion, or more than the
// stored bytes of type 0), and a stream that is truncated or refers before
// its start raise 8448 + type ("Damaged compressed data ...") before any
// allocation of that size and before any library decoder sees the bytes.
// On an error output is unchanged.
void ExpandCompressedFile(const Bytes& input, Bytes& output, std::int32_t decompressedSize, std::int16_t type,
                          const MethodSettings& settings);

// The program's own decoder (the Dravik method): decodes the whole input as a
// stream of `type` (1 or 2) and appends it to output. Stops with false at a
// reference before the start of the output or at a stream that ends inside a
// reference word; output then holds what was decoded so far. Never produces
// more than maxOutput bytes (false when the stream describes more).
bool DravikDecode(const Bytes& input, int type, Bytes& output, std::size_t maxOutput);

// Error numbers of the checks above.
constexpr int kInvalidCompressTypeBase = 9216;
constexpr int kInvalidExpandTypeBase = 8192;
constexpr int kDamagedDataBase = 8448;
constexpr int kLibraryNotFound = 48;
constexpr int kExportNotFound = 453;
constexpr int kMethodFailed = 51;

}  // namespace archive
