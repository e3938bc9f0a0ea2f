// The two encoders of the "Original Tarvo algorithm" method: a ring-window
// LZSS with a search tree of window positions for type 1, and an in-place
// search over the last 4096 input positions for type 2. Both write the stream
// of codec/lz.h byte for byte as their algorithms lay it out, so their output
// is fixed by the input alone. And the greedy encoder of the search methods
// (`Compress` and `CompressHesk` of TarvoCompC), whose tie rules are those of
// a scan of the whole window.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "codec/lz.h"

namespace codec {

// The first two bytes at p as one number, the first the high byte: the
// prefix by which the tree encoders index their strings. One load.
inline unsigned FirstTwoBytes(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return __builtin_bswap16(v);
}

// How many leading bytes two big-endian words share, a and b unequal. The
// count of trailing zero bits of the swapped difference rather than the
// leading ones of the difference: baseline x86-64 has only bsr for the
// latter, which some processors run four times slower than the tzcnt the
// former compiles to (bsf, the same for a word not zero, on those without).
inline int EqualLeadingBytes(std::uint64_t a, std::uint64_t b) {
    return __builtin_ctzll(__builtin_bswap64(a ^ b)) >> 3;
}

// The tree encoders walk their trees from the highest node of the key's
// first two bytes instead of the top, for inputs of at least this many
// bytes (below, clearing the index costs more than it saves). The walk finds
// the same match and place either way; tests set the bound to compare.
inline constexpr std::int64_t kTreeIndexFrom = 16384;

// Which of the 65536 values of two first bytes some node of a tree has, a
// bit each, with a bit per word of them that is not zero: the values
// present nearest above and below a given one are found a word at a time.
// The tree encoders hang the only string of its first two bytes between
// the strings of those, without a walk.
class PrefixBits {
public:
    void Clear();
    void Mark(unsigned prefix, bool present);
    int Next(unsigned prefix) const;      // the nearest present above, or -1
    int Previous(unsigned prefix) const;  // the nearest present below, or -1

private:
    static constexpr unsigned kGroups = (1 << 16) / 64 / 64;
    std::uint64_t bits_[(1 << 16) / 64];
    std::uint64_t words_[kGroups];
};

[[gnu::always_inline]] inline void PrefixBits::Mark(unsigned prefix, bool present) {
    const std::uint64_t bit = std::uint64_t{1} << (prefix & 63);
    std::uint64_t& word = bits_[prefix >> 6];
    const std::uint64_t wordBit = std::uint64_t{1} << (prefix >> 6 & 63);
    // Callers pass a constant: each way folds to its few steps.
    if (present) {
        word |= bit;
        words_[prefix >> 12] |= wordBit;
    } else {
        word &= ~bit;
        words_[prefix >> 12] &= word != 0 ? ~std::uint64_t{0} : ~wordBit;
    }
}

// Type 1 encoder. Holds its 4096-byte window, the tree of its positions, the
// order of their strings and an index into the tree (about 300 KiB, of which
// the 120 KiB of hooks between the nodes' and kNil's are never touched); the
// library keeps one and reuses it, so one object must not encode on two
// threads at once. Within a match most new strings fall next to the string
// one past the previous one's match, and are inserted there without a walk
// (see InsertNextTo); tests turn that off (besideMatch false) to compare.
class LzssEncoder {
public:
    explicit LzssEncoder(std::int64_t indexFrom = kTreeIndexFrom, bool besideMatch = true);

    // Encodes input as a type 1 stream into output, which must hold at least
    // input.size() bytes (it never writes more) and input.size() must fit in
    // 32 bits. Returns the stream length, 0 for empty input, or input.size()
    // as soon as the stream would not be shorter than the input (output then
    // holds a partial stream that must not be used). The window is cleared at
    // the start of every call, so the result depends on the input alone.
    std::int32_t Compress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

    static constexpr int kLookAhead = 17;  // the longest type 1 copy

private:
    static constexpr int kRoot = kWindowSize;
    static constexpr std::uint16_t kNil = 0xFFFF;
    void InsertNode(int position);
    template <bool kGuessSide>
    void Walk(int position, std::size_t top);
    void DeleteNode(int node);
    void ReplaceNode(int oldNode, int newNode);
    void Attach(int node, int parent, int side);
    void SetChildOfParent(int node, int replacement);
    unsigned PrefixOf(int node) const { return FirstTwoBytes(ring_ + node); }
    std::uint16_t EndOfPrefix(unsigned prefix, int side) const;
    bool InsertFirstOfPrefix(int position);
    void UnindexNode(int node);
    struct TreeView;
    void Link(int node, int before, int after);
    // How a key compares with a node's string.
    struct Order {
        int length;
        int sign;
    };
    Order Compare(int key, int node) const;
    bool BeforeIsDeeper(int before) const;
    bool InsertNextTo(int position, int guess);
    void PutByte(int index, std::uint8_t b) {
        ring_[index] = b;
        if (index < kLookAhead) ring_[index + kWindowSize] = b;
    }

    // The walk reads only the children, so they are kept apart from the
    // parents: a node's two links are one 4-byte word, and the links of the
    // whole tree fit the first-level cache.
    struct Links {
        std::uint16_t child[2];  // smaller, larger; kNil for none
    };

    // The window and a copy of its first kLookAhead bytes behind it, so a
    // comparison never wraps.
    std::uint8_t ring_[kWindowSize + kLookAhead];
    Links links_[kWindowSize + 1];
    // Where each node hangs: the link that holds it, parent * 2 + side
    // (smaller 0, larger 1); kNil: not in the tree. Entry kNil absorbs the
    // writes for a missing child, so that those need no branch; the entries
    // between the nodes' and it are never touched.
    std::uint16_t hook_[kNil + 1];
    // The nodes before and after each one in the order of the strings (kNil:
    // none), so a deletion finds the predecessor that moves up without
    // walking down to it.
    std::uint16_t before_[kWindowSize + 1];
    std::uint16_t after_[kWindowSize + 1];
    // For each first two bytes, the highest node whose string starts with
    // them (kNil: none). All such nodes lie below it, and so does the place of
    // any new string that starts with them, so the walk for such a string
    // starts there: the nodes above share less than two bytes with it and
    // cannot be its match, nor change where it goes.
    std::uint16_t top_[1 << 16];
    PrefixBits present_;  // the first two bytes that some node has
    std::int64_t indexFrom_;
    bool besideMatch_;
    bool indexed_ = false;  // top_ is kept (inputs of indexFrom_ bytes or more)
    bool guessSide_ = false;  // how the next walk takes a side; see Walk
    std::uint32_t recentLevels_ = 0, recentTurns_ = 0;
    int matchLength_ = 0;
    int matchPosition_ = 0;
};

// Type 2 encoder. Writes the stream into output, which must hold at least
// input.size() bytes (it never writes more than input.size() - 15), and
// input.size() must fit in 32 bits. Returns the stream length, 0 for empty
// input, or -1 when the stream reaches input.size() - 17 bytes before the
// input is consumed (every input of 1 to 18 bytes) or its working memory
// cannot be had. Allocates its tree per call; safe on several threads. As
// the type 1 encoder, it inserts most strings within a match beside the
// string one past the previous one's match, and runs of one byte without a
// walk; tests turn both off (besideMatch false) to compare. Both builds of
// the type 2 encoder write these streams: the tree of the second, which puts
// the smaller strings on the right and moves a removed node's successor up,
// is the mirror image of this one after every step, so its walks meet the
// same nodes.
std::int32_t CompressLzmit(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                           std::int64_t indexFrom = kTreeIndexFrom, bool besideMatch = true);

// The stream of the search encoders, type 1 or 2: greedy parsing, at each
// position the longest match (capped at type + 16 bytes and at the end of the
// input, at least type + 1) that starts 1..4096 bytes before it. Of equally
// long matches: for type 1 the nearest, except that the farthest of the
// longest copy (17 bytes) is taken; for type 2 the farthest. These are the
// choices of a scan of the window oldest first that keeps a candidate at
// least as long (type 1) or longer (type 2) than the best so far and stops
// at the first of the longest copy. output must hold
// MaxCompressedSize(input.size()) bytes; input.size() must fit in 32 bits.
// Returns the stream length (0 for empty input), or -1 for another type or
// when its working memory (about 300 KiB) cannot be had.
std::int32_t CompressWindowSearch(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, int type);

}  // namespace codec
