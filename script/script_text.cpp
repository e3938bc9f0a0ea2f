#include "script/script_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "archive/error.h"

namespace script {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t space = line.find(' ', start);
        if (space == std::string_view::npos) break;
        fields.emplace_back(line.substr(start, space - start));
        start = space + 1;
    }
    fields.emplace_back(line.substr(start));
    return fields;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) c = static_cast<char>(b - 0x20);
    }
    return out;
}

std::string Mnemonic(std::string_view line) { return UpperCase(line.substr(0, 3)); }

QuotedName FileNameOf(std::string_view line) {
    QuotedName result;
    std::size_t first = line.find('"');
    if (first == std::string_view::npos) return result;
    result.Found = true;
    std::size_t last = line.rfind('"');
    if (last == first) {
        result.Name = line.substr(first + 1);
    } else {
        result.Terminated = true;
        result.Name = line.substr(first + 1, last - first - 1);
    }
    return result;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

double LeadingNumber(std::string_view field) {
    if (field.size() >= 2 && field[0] == '&' && (field[1] == 'H' || field[1] == 'h')) {
        // Hexadecimal digits give their plain (unsigned) value; anything past
        // 32 bits is out of every range the caller checks, so a double
        // carries enough of it.
        double value = 0;
        for (std::size_t i = 2; i < field.size() && HexValue(field[i]) >= 0; ++i) value = value * 16 + HexValue(field[i]);
        return value;
    }

    std::size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    std::size_t start = i;
    std::size_t digits = 0;
    while (i < field.size() && IsDigit(field[i])) ++i, ++digits;
    if (i < field.size() && field[i] == '.') {
        ++i;
        while (i < field.size() && IsDigit(field[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    std::size_t mantissaEnd = i;
    bool negativeExponent = false;
    if (i < field.size() && (field[i] == 'E' || field[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < field.size() && (field[j] == '+' || field[j] == '-')) negativeExponent = field[j++] == '-';
        std::size_t expDigits = j;
        while (j < field.size() && IsDigit(field[j])) ++j;
        if (j > expDigits) i = j;  // "1e" and "1e+" end before the "e"
    }

    double value = 0;
    auto parsed = std::from_chars(field.data() + start, field.data() + i, value, std::chars_format::general);
    if (parsed.ec == std::errc::result_out_of_range) {
        // from_chars leaves value alone then; tell overflow from underflow by
        // the exponent's sign (a mantissa of zeroes never gets here).
        bool tiny = i > mantissaEnd && negativeExponent;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

double RoundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    double lower = std::floor(x);
    double fraction = x - lower;
    if (fraction > 0.5) return lower + 1;
    if (fraction < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

namespace {

double ReadInRange(std::string_view field, double low, double high, const char* what) {
    double value = RoundHalfEven(LeadingNumber(field));
    if (!(value >= low && value <= high))
        throw archive::Error(kNumberOutOfRange, "RunScript",
                             std::string("Number out of range for a signed ") + what + " value: " + std::string(field));
    return value;
}

}  // namespace

std::optional<std::int32_t> TryReadInt32(std::string_view field) {
    const double value = RoundHalfEven(LeadingNumber(field));
    if (!(value >= -2147483648.0 && value <= 2147483647.0)) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t ReadInt32(std::string_view field) {
    return static_cast<std::int32_t>(ReadInRange(field, -2147483648.0, 2147483647.0, "32-bit"));
}

std::int16_t ReadInt16(std::string_view field) {
    return static_cast<std::int16_t>(ReadInRange(field, -32768.0, 32767.0, "16-bit"));
}

}  // namespace script
