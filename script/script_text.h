// The text layer of the script language: lines, fields, mnemonics, quoted
// file names and numbers, as RunScript reads them. Script files are 8-bit
// Latin-1 text; nothing here decodes or re-encodes bytes.
#pragma once

#include <cstdint>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

namespace script {

// The physical lines of a script file, in order. A line ends at CR LF or at
// a CR alone; an LF that does not follow a CR stays part of the line. The
// last line needs no line end, and a final line end starts no further line
// (so an empty text has no lines).
std::vector<std::string> SplitLines(std::string_view text);

// The line cut at every single space: field 0 holds the mnemonic, the rest
// the parameters; two adjacent spaces give an empty field, and a trailing
// space a final empty field. Never empty (an empty line gives one empty
// field).
std::vector<std::string> SplitFields(std::string_view line);

// ASCII and Latin-1 letters in upper case (0xE0..0xFE except 0xF7 map to
// 0xC0..0xDE); every other byte unchanged.
std::string UpperCase(std::string_view text);

// The line's first three characters (fewer on a shorter line), upper case.
std::string Mnemonic(std::string_view line);

// The file name of a line: the text between its first and its last double
// quote, quotes in between included.
struct QuotedName {
    bool Found = false;       // the line holds a double quote
    bool Terminated = false;  // ... and a second one; otherwise Name runs to the line end
    std::string Name;
};
QuotedName FileNameOf(std::string_view line);

// The leading number of a field: optional sign, decimal digits with optional
// fraction and exponent, or "&H" and hexadecimal digits. Reading stops at the
// first character that does not fit; a field without a leading number reads
// as 0. Very large values come back as infinities.
double LeadingNumber(std::string_view field);

// x rounded to the nearest integer, halves to even.
double RoundHalfEven(double x);

// The leading number of field, rounded, as a signed 32-bit (item numbers,
// targets, counts) or signed 16-bit value (compression types). A value that
// does not fit raises archive::Error kNumberOutOfRange (source "RunScript")
// naming the field.
std::int32_t ReadInt32(std::string_view field);
std::int16_t ReadInt16(std::string_view field);
// ReadInt32 for an answer typed into an input box: nullopt instead of the
// error when the number does not fit.
std::optional<std::int32_t> TryReadInt32(std::string_view field);

constexpr int kNumberOutOfRange = 6;

}  // namespace script
