// Small helper operations used by loading, the item operations and the item
// list (kept in the core rather than in a library of their own).
#pragma once

#include <cstdint>
#include <string>

#include "archive/item_table.h"

namespace archive {

// The lowest index 0..last whose element equals value; -1 when there is none.
std::int32_t FindInArray(const std::int32_t* values, std::int32_t value, std::int32_t last);

// The offset at which the next indexed entry at or after start begins: the
// first slot start..last holding a positive value not held by any earlier slot
// (blank and repeated slots start no entry; the end slot gives the file
// length). 0 when there is none.
std::int32_t FindNextValidOffset(const std::int32_t* offsets, std::int32_t start, std::int32_t last);

// The compression ratio as shown in the item list: the stored size as a
// percentage of the decompressed size, one decimal ("42.5%").
std::string CRatioStr(std::int32_t decompressedSize, std::int32_t storedSize);

// Voice-archive markers in the first stored byte of an entry. FChar with
// flag 1 marks that a hidden entry follows, with 0 that this hidden entry
// ends its run. FCharEx writes the character extraction would restore ('R'
// or 'C') as the first byte. Empty data is left alone.
void FChar(Bytes& data, std::uint8_t flag);
void FCharEx(Bytes& data, char restored);

// The marker values FChar writes.
constexpr std::uint8_t kMarkerHiddenFollows = 0x01;
constexpr std::uint8_t kMarkerRunEnds = 0x00;

std::string IntToStr(std::int32_t value);
// Upper-case hexadecimal without leading zeros; negative values as their
// 32-bit two's complement ("FFFFFFFF" for -1).
std::string IntToHex(std::int32_t value);

}  // namespace archive
