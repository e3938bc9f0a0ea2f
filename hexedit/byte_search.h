// Finding a byte sequence in a large buffer, exactly or with the letters of
// the single-byte code page (Latin-1) folded to upper case. Both scans cost
// about as much as the C library's memmem over the same bytes: neither
// allocates nor depends on anything but the searched range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace hexedit {

// The upper-case form of a byte: a-z and the Latin-1 small letters
// 0xE0-0xFE (except 0xF7, the division sign) map to their capitals; every
// other byte maps to itself.
std::uint8_t FoldByte(std::uint8_t b);

// The offset (0-based) of the first occurrence of pattern in data that
// starts at or after from and lies wholly inside data; nullopt when there is
// none, when pattern is empty or when from >= data.size(). With foldCase,
// bytes are compared after FoldByte. Never reads outside either span.
std::optional<std::size_t> FindBytes(std::span<const std::uint8_t> data, std::size_t from,
                                     std::span<const std::uint8_t> pattern, bool foldCase);

// The bytes a hex search text stands for, one per pair of digits ("0A1b" ->
// 0A 1B; either case). nullopt for an odd number of digits or any character
// that is not a hex digit; an empty text gives no bytes.
std::optional<std::vector<std::uint8_t>> ParseHexPattern(std::string_view text);

}  // namespace hexedit
