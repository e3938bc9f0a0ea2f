// The hex editor model on arbitrary data: searches (hex and character,
// folded or not) until they wrap, go-to with arbitrary text, and a random
// walk of navigation and edit keys. Every hit must lie inside the data and
// match the pattern; the page and edit position must keep their invariants.
#include <cstdint>
#include <string>
#include <vector>

#include "hexedit/byte_search.h"
#include "hexedit/hex_model.h"

namespace {

void CheckPage(const hexedit::HexModel& m) {
    const std::int64_t start = m.PageStart(), end = m.PageEnd();
    if (start < 1 || start % 16 != 1 || end != std::min<std::int64_t>(start + 511, m.FileSize())) __builtin_trap();
    if (m.EditMode() && (m.EditPosition() < start || m.EditPosition() > end)) __builtin_trap();
    if (m.Page().count != std::max<std::int64_t>(end - start + 1, 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint8_t flags = data[0];
    const std::size_t textLength = std::min<std::size_t>(data[1] % 16, size - 3);
    const std::uint8_t* moves = data + 2;
    const std::size_t moveCount = std::min<std::size_t>(data[2] % 32, size - 3 - textLength);
    const std::string text(reinterpret_cast<const char*>(data + 3), textLength);
    std::vector<std::uint8_t> bytes(data + 3 + textLength, data + size);

    hexedit::HexModel m;
    m.Load(bytes, "fuzz");
    m.SetSearchMode(flags & 1 ? hexedit::SearchMode::Chr : hexedit::SearchMode::Hex);
    m.SetCaseSensitive(flags & 2);
    m.SetSearchText(text);
    const bool folded = (flags & 1) && !(flags & 2);
    for (int round = 0; round < 64; ++round) {
        const auto result = m.SearchOrFindNext();
        CheckPage(m);
        if (!result.ok()) break;
        const std::int64_t hit = m.HitStart(), length = m.HitLength();
        if (hit < 1 || length < 1 || hit + length - 1 > m.FileSize()) __builtin_trap();
        const auto pattern = flags & 1 ? std::vector<std::uint8_t>(m.SearchText().begin(), m.SearchText().end())
                                       : *hexedit::ParseHexPattern(m.SearchText());
        for (std::int64_t k = 0; k < length; ++k) {
            const std::uint8_t a = m.ByteAt(hit + k), b = pattern[static_cast<std::size_t>(k)];
            if (folded ? hexedit::FoldByte(a) != hexedit::FoldByte(b) : a != b) __builtin_trap();
        }
    }
    m.GoTo(text);
    CheckPage(m);
    if (flags & 4) m.EnterEditMode();
    for (std::size_t k = 0; k < moveCount; ++k) {
        const std::uint8_t move = moves[k % (size - 2)];
        if (move < 0xC0) {
            m.Navigate(static_cast<hexedit::Nav>(move % 10));
        } else if (move < 0xE0) {
            m.TypeEditKey(move & 0x7F);
        } else {
            m.ClickCell(move * 16 % 512);
        }
        CheckPage(m);
    }
    return 0;
}
