// Reads an LZ stream item by item, independently of the decoders, so tests can
// state what an encoder wrote: item kinds, lengths, distances, flag bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace streamcheck {

struct Item {
    bool literal;
    int length;    // 1 for a literal
    int distance;  // 0 for a literal
    std::uint8_t byte;
    bool operator==(const Item&) const = default;
};

struct Parsed {
    std::vector<Item> items;
    bool exact = false;         // the stream ends exactly after the item that fills `size`
    bool unusedBitsZero = false;  // the flag bits after the last item are 0
};

inline Parsed Parse(const std::vector<std::uint8_t>& s, std::size_t size, int bias) {
    Parsed p;
    std::size_t pos = 0, produced = 0;
    unsigned flags = 0;
    int bit = 8;
    while (produced < size) {
        if (bit == 8) {
            if (pos >= s.size()) return p;
            flags = s[pos++];
            bit = 0;
        }
        if (flags >> bit & 1) {
            if (pos >= s.size()) return p;
            p.items.push_back({true, 1, 0, s[pos++]});
            produced += 1;
        } else {
            if (pos + 2 > s.size()) return p;
            unsigned w = s[pos] | s[pos + 1] << 8;
            pos += 2;
            p.items.push_back({false, static_cast<int>(w & 15) + bias, static_cast<int>(w >> 4) + 1, 0});
            produced += (w & 15) + bias;
        }
        ++bit;
    }
    p.exact = produced == size && pos == s.size();
    p.unusedBitsZero = bit == 8 || (flags >> bit) == 0;
    return p;
}

inline Item Lit(char c) { return {true, 1, 0, static_cast<std::uint8_t>(c)}; }
inline Item Ref(int length, int distance) { return {false, length, distance, 0}; }

}  // namespace streamcheck
