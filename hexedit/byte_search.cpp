#include "hexedit/byte_search.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hexedit {

namespace {

constexpr std::array<std::uint8_t, 256> MakeFoldTable() {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        const bool asciiSmall = b >= 'a' && b <= 'z';
        const bool latinSmall = b >= 0xE0 && b <= 0xFE && b != 0xF7;
        t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(asciiSmall || latinSmall ? b - 0x20 : b);
    }
    return t;
}

constexpr std::array<std::uint8_t, 256> kFold = MakeFoldTable();

// The byte other than folded itself that folds to folded (its small
// letter), or folded when there is none.
std::uint8_t OtherCase(std::uint8_t folded) {
    const auto small = static_cast<std::uint8_t>(folded + 0x20);
    return folded < 0xE0 && kFold[small] == folded && small != folded ? small : folded;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool FoldedEqual(const std::uint8_t* at, const std::uint8_t* folded, std::size_t length) {
    for (std::size_t k = 0; k < length; ++k)
        if (kFold[at[k]] != folded[k]) return false;
    return true;
}

// Case-folded scan. Candidates are the positions whose first and last bytes
// both fold to the pattern's first and last bytes, tested 16 positions at a
// time; only those are compared in full, so text rarely gets past the filter.
std::optional<std::size_t> FindFolded(const std::uint8_t* data, std::size_t size, std::size_t from,
                                      const std::uint8_t* folded, std::size_t length) {
    const std::size_t lastStart = size - length;  // caller: length <= size
    const std::uint8_t firstA = folded[0], firstB = OtherCase(firstA);
    const std::uint8_t lastA = folded[length - 1], lastB = OtherCase(lastA);
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i fa = _mm_set1_epi8(static_cast<char>(firstA)), fb = _mm_set1_epi8(static_cast<char>(firstB));
    const __m128i la = _mm_set1_epi8(static_cast<char>(lastA)), lb = _mm_set1_epi8(static_cast<char>(lastB));
    // A block of 16 starting positions needs its last byte at i + 15 + length - 1 <= size - 1.
    for (; lastStart >= 15 && i <= lastStart - 15; i += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + length - 1));
        const __m128i hitFirst = _mm_or_si128(_mm_cmpeq_epi8(first, fa), _mm_cmpeq_epi8(first, fb));
        const __m128i hitLast = _mm_or_si128(_mm_cmpeq_epi8(last, la), _mm_cmpeq_epi8(last, lb));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(hitFirst, hitLast)));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (FoldedEqual(data + at + 1, folded + 1, length > 2 ? length - 2 : 0)) return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= lastStart; ++i)
        if (kFold[data[i]] == firstA && FoldedEqual(data + i + 1, folded + 1, length - 1)) return i;
    return std::nullopt;
}

}  // namespace

std::uint8_t FoldByte(std::uint8_t b) { return kFold[b]; }

std::optional<std::size_t> FindBytes(std::span<const std::uint8_t> data, std::size_t from,
                                     std::span<const std::uint8_t> pattern, bool foldCase) {
    if (pattern.empty() || from >= data.size() || pattern.size() > data.size() - from) return std::nullopt;
    if (foldCase) {
        std::vector<std::uint8_t> folded(pattern.begin(), pattern.end());
        bool anyLetter = false;
        for (auto& b : folded) {
            b = kFold[b];
            anyLetter = anyLetter || OtherCase(b) != b;
        }
        if (anyLetter) return FindFolded(data.data(), data.size(), from, folded.data(), folded.size());
    }
    const void* hit = memmem(data.data() + from, data.size() - from, pattern.data(), pattern.size());
    if (hit == nullptr) return std::nullopt;
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data.data());
}

std::optional<std::vector<std::uint8_t>> ParseHexPattern(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t k = 0; k < text.size(); k += 2) {
        const int high = HexDigit(text[k]), low = HexDigit(text[k + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

}  // namespace hexedit
