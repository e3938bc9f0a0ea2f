#include "codec/lz_encode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "codec/neighbours.h"
#include "codec/pick.h"

namespace codec {

// The tree walks read a node's two child links as one word, first link in
// the low half.
static_assert(std::endian::native == std::endian::little);

namespace {

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// Type 1: ring window of 4096 bytes, tree of window positions. A node has a
// parent, a smaller and a larger child; the root uses only its larger
// child. The look-ahead (17 bytes) is part of the ring, so distances stay
// below 4080.

LzssEncoder::LzssEncoder(std::int64_t indexFrom, bool besideMatch)
    : indexFrom_(indexFrom), besideMatch_(besideMatch) {
    std::memset(ring_, 0, sizeof ring_);
    std::fill(std::begin(links_), std::end(links_), Links{{kNil, kNil}});
    std::fill_n(hook_, kWindowSize + 1, kNil);
    std::fill(std::begin(top_), std::end(top_), kNil);
}

// The steps of an insertion and a deletion below are forced inline into the
// encoding loop: left to the compiler, they stay calls, which cost about a
// sixth of the time.

// Hangs a new node below parent: it comes right after parent in the order of
// the strings (side 1) or right before it (side 0).
[[gnu::always_inline]] inline void LzssEncoder::Attach(int node, int parent, int side) {
    links_[parent].child[side] = static_cast<std::uint16_t>(node);
    hook_[node] = static_cast<std::uint16_t>(parent * 2 + side);
    if (parent == kRoot) {
        Link(node, kNil, kNil);
    } else {
        // Picked by conditional moves: the side goes either way at random.
        Link(node, PickIf<int>(side == 1, parent, before_[parent]), PickIf<int>(side == 1, after_[parent], parent));
    }
}

// Puts node between two neighbours in the order of the strings.
[[gnu::always_inline]] inline void LzssEncoder::Link(int node, int before, int after) {
    before_[node] = static_cast<std::uint16_t>(before);
    after_[node] = static_cast<std::uint16_t>(after);
    if (before != kNil) after_[before] = static_cast<std::uint16_t>(node);
    if (after != kNil) before_[after] = static_cast<std::uint16_t>(node);
}

// Points the link that led to node at replacement instead.
[[gnu::always_inline]] inline void LzssEncoder::SetChildOfParent(int node, int replacement) {
    const unsigned hook = hook_[node];
    links_[hook >> 1].child[hook & 1] = static_cast<std::uint16_t>(replacement);
}

[[gnu::always_inline]] inline void LzssEncoder::ReplaceNode(int oldNode, int newNode) {
    links_[newNode] = links_[oldNode];
    hook_[newNode] = hook_[oldNode];
    // Entry kNil absorbs the write for a missing child.
    for (int side = 0; side < 2; ++side)
        hook_[links_[newNode].child[side]] = static_cast<std::uint16_t>(newNode * 2 + side);
    SetChildOfParent(oldNode, newNode);
    hook_[oldNode] = kNil;
    Link(newNode, before_[oldNode], after_[oldNode]);
}

// Of two neighbours in the order, one lies above the other, and the deeper
// has no child towards the other: whether that is the one before (false
// when there is none).
[[gnu::always_inline]] inline bool LzssEncoder::BeforeIsDeeper(int before) const {
    return (before != kNil) & (links_[before & (kWindowSize - 1)].child[1] == kNil);
}

// Compares the strings at key and node: the sign of key - node (0: equal in
// all kLookAhead bytes) and the number of equal leading bytes.
[[gnu::always_inline]] inline LzssEncoder::Order LzssEncoder::Compare(int key, int node) const {
    const std::uint64_t a0 = __builtin_bswap64(Load64(ring_ + key)), b0 = __builtin_bswap64(Load64(ring_ + node));
    if (a0 != b0) return {EqualLeadingBytes(a0, b0), a0 > b0 ? 1 : -1};
    const std::uint64_t a1 = __builtin_bswap64(Load64(ring_ + key + 8)),
                        b1 = __builtin_bswap64(Load64(ring_ + node + 8));
    if (a1 != b1) return {8 + EqualLeadingBytes(a1, b1), a1 > b1 ? 1 : -1};
    const int c = ring_[key + 16] - ring_[node + 16];
    return {c != 0 ? 16 : kLookAhead, c};
}

// Inserts position without a walk when its string falls right next to
// guess in the order. The walk would end below the deeper of the two
// neighbours around it (the other lies above it), and the longest match it
// meets is with one of them: the one sharing more bytes, or the deeper on a
// tie, as the walk keeps the later node met. Returns false, with nothing
// changed, when the string does not fall next to guess.
[[gnu::always_inline]] inline bool LzssEncoder::InsertNextTo(int position, int guess) {
    constexpr int kSteps = 3;  // neighbours passed at most on the way from guess
    if (guess == position || hook_[guess] == kNil) return false;
    Neighbours<int, Order> around;
    if (!FindNeighbours<kSteps>(
            guess, static_cast<int>(kNil), [&](int node) { return Compare(position, node); },
            [&](int node) { return static_cast<int>(before_[node]); },
            [&](int node) { return static_cast<int>(after_[node]); }, around))
        return false;
    const auto [before, after, b, a, equal] = around;
    if (equal != kNil) {
        ReplaceNode(equal, position);
        matchLength_ = kLookAhead;
        matchPosition_ = equal;
        return true;
    }
    const auto at = PlaceBetween(before, after, BeforeIsDeeper(before), PickIf(before == kNil, -1, b.length),
                                 PickIf(after == kNil, -1, a.length));
    // The new node's place is free (it cannot be otherwise; checked so that
    // the tree stays whole whatever happens).
    if (links_[at.deeper].child[at.side] != kNil) return false;
    Attach(position, at.deeper, at.side);
    matchLength_ = at.length;
    matchPosition_ = at.nearest;
    return true;
}

[[gnu::always_inline]] inline void LzssEncoder::InsertNode(int position) {
    links_[position] = Links{{kNil, kNil}};
    std::uint16_t* const prefixTop = indexed_ ? &top_[PrefixOf(position)] : nullptr;
    // Within a match, the string one past the previous one's match is often
    // next to the new one.
    const bool inserted =
        besideMatch_ && matchLength_ >= 2 && InsertNextTo(position, (matchPosition_ + 1) & (kWindowSize - 1));
    if (!inserted) {
        matchLength_ = 0;
        const unsigned top = prefixTop && *prefixTop != kNil ? *prefixTop : links_[kRoot].child[1];
        if (top == kNil) {  // only when the tree was emptied; kept for safety
            Attach(position, kRoot, 1);
        } else if (prefixTop && *prefixTop == kNil && InsertFirstOfPrefix(position)) {
        } else if (guessSide_) {
            Walk<true>(position, top);
        } else {
            Walk<false>(position, top);
        }
    }
    // The first of its prefix, or in the place of an equal string that was.
    if (prefixTop && (*prefixTop == kNil || hook_[*prefixTop] == kNil)) {
        if (*prefixTop == kNil) present_.Mark(PrefixOf(position), true);
        *prefixTop = static_cast<std::uint16_t>(position);
    }
}

void PrefixBits::Clear() {
    std::fill(std::begin(bits_), std::end(bits_), 0);
    std::fill(std::begin(words_), std::end(words_), 0);
}

int PrefixBits::Next(unsigned prefix) const {
    unsigned w = prefix >> 6;
    const std::uint64_t rest = prefix % 64 == 63 ? 0 : bits_[w] & (~std::uint64_t{0} << (prefix % 64 + 1));
    if (rest != 0) return static_cast<int>(w * 64 + std::countr_zero(rest));
    // The words after w, by the summary of their group, then the later groups.
    unsigned g = w >> 6;
    std::uint64_t words = w % 64 == 63 ? 0 : words_[g] & (~std::uint64_t{0} << (w % 64 + 1));
    while (words == 0) {
        if (++g == kGroups) return -1;
        words = words_[g];
    }
    w = g * 64 + std::countr_zero(words);
    return static_cast<int>(w * 64 + std::countr_zero(bits_[w]));
}

int PrefixBits::Previous(unsigned prefix) const {
    unsigned w = prefix >> 6;
    const std::uint64_t rest = bits_[w] & ((std::uint64_t{1} << (prefix % 64)) - 1);
    if (rest != 0) return static_cast<int>(w * 64 + 63 - std::countl_zero(rest));
    unsigned g = w >> 6;
    std::uint64_t words = words_[g] & ((std::uint64_t{1} << (w % 64)) - 1);
    while (words == 0) {
        if (g-- == 0) return -1;
        words = words_[g];
    }
    w = g * 64 + 63 - std::countl_zero(words);
    return static_cast<int>(w * 64 + 63 - std::countl_zero(bits_[w]));
}

// The first (side 0) or last (side 1) node in the order of those with the
// given first two bytes, of which there must be one.
std::uint16_t LzssEncoder::EndOfPrefix(unsigned prefix, int side) const {
    return codec::EndOfPrefix(
        top_[prefix], kNil, prefix, side, [this](std::uint16_t x) { return PrefixOf(x); },
        [this](std::uint16_t x, int s) { return links_[x].child[s]; },
        [this](std::uint16_t x, int s) { return s == 0 ? before_[x] : after_[x]; });
}

// Inserts position, the only node of its first two bytes, without a walk:
// its neighbours in the order are the last node of the nearest prefix below
// and the first of the nearest above, which the index of prefixes finds. It
// hangs below the deeper of them, and its match (one byte at most) is the
// neighbour sharing more, or the deeper on a tie, as the walk would find.
// Returns false, with nothing changed, should the place not be free (it
// cannot be; checked so that the tree stays whole whatever happens).
bool LzssEncoder::InsertFirstOfPrefix(int position) {
    const unsigned prefix = PrefixOf(position);
    const int above = present_.Next(prefix), below = above >= 0 ? -1 : present_.Previous(prefix);
    unsigned before, after;
    if (above >= 0) {
        after = EndOfPrefix(static_cast<unsigned>(above), 0);
        before = before_[after];
    } else if (below >= 0) {
        before = EndOfPrefix(static_cast<unsigned>(below), 1);
        after = kNil;
    } else {
        return false;
    }
    const int beforeLength = before != kNil && ring_[before] == ring_[position] ? 1 : before != kNil ? 0 : -1;
    const int afterLength = after != kNil && ring_[after] == ring_[position] ? 1 : after != kNil ? 0 : -1;
    const auto at = PlaceBetween(static_cast<int>(before), static_cast<int>(after),
                                 BeforeIsDeeper(static_cast<int>(before)), beforeLength, afterLength);
    if (links_[at.deeper].child[at.side] != kNil) return false;
    Attach(position, at.deeper, at.side);
    matchLength_ = at.length;
    matchPosition_ = at.nearest;
    return true;
}

// The walk down from top, which inserts position and finds its longest match.
// Each level is a chain of dependent steps: load the node's string, compare,
// pick a child. Where the walk turns at random, as in text, the side is
// picked by data (a conditional move), since a branch would be mispredicted
// half of the time. Where it keeps going one way, as on long runs of similar
// strings that make the tree deep, a branch is better: the processor guesses
// the side and loads on down the path without waiting for the comparison.
// Consecutive positions walk alike, so each walk chooses for the next one by
// how often it turned.
template <bool kGuessSide>
void LzssEncoder::Walk(int position, std::size_t test) {
    const std::uint8_t* key = ring_ + position;
    // Strings are compared as big-endian words, so one unsigned comparison
    // gives the direction and the count of leading zero bits the length,
    // without a byte loop whose exit the processor cannot predict. The key's
    // words are loaded once per insertion.
    const std::uint64_t key0 = __builtin_bswap64(Load64(key));
    const std::uint64_t key1 = __builtin_bswap64(Load64(key + 8));
    const std::uint64_t key16 = static_cast<std::uint64_t>(key[16]) << 56;
    int bestLength = 0, bestPosition = matchPosition_;
    unsigned levels = 0, turns = 0;
    bool wentLarger = false;
    // The string of a node is read at ring_ + test, never through a pointer
    // to it: the compiler would compute that pointer first, one more step in
    // the chain of each level. For the same reason test is 64 bits wide (a
    // narrower index is widened first).
    const std::uint8_t* const ring8 = ring_ + 8;
    for (;;) {
        // Both children are loaded with the string, not after the comparison
        // that picks one.
        std::uint32_t children;
        std::memcpy(&children, links_[test].child, 4);
        // The first words that differ, and the length (the usual level, where
        // the first differ, in a copy of its own: see the type 2 walk).
        std::uint64_t a, b;
        int i;
        const std::uint64_t other0 = __builtin_bswap64(Load64(ring_ + test));
        if (key0 != other0) [[likely]] {
            a = key0;
            b = other0;
            i = EqualLeadingBytes(a, b);
        } else {
            const std::uint64_t other1 = __builtin_bswap64(Load64(ring8 + test));
            int from;
            if (key1 != other1) {
                a = key1;
                b = other1;
                from = 8;
            } else {
                a = key16;
                b = static_cast<std::uint64_t>(ring8[test + 8]) << 56;
                from = 16;
                if (a == b) {  // all 17 bytes: position takes the node's place
                    bestLength = kLookAhead;
                    bestPosition = static_cast<int>(test);
                    ReplaceNode(static_cast<int>(test), position);
                    break;
                }
            }
            i = from + EqualLeadingBytes(a, b);
        }
        // A tie goes to the node met later on the path.
        bestPosition = i >= bestLength ? static_cast<int>(test) : bestPosition;
        bestLength = i >= bestLength ? i : bestLength;
        const bool larger = a > b;
        turns += larger != wentLarger;
        wentLarger = larger;
        ++levels;
        unsigned next;
        if constexpr (kGuessSide) {
            // Written as two paths so that the compiler keeps the branch.
            if (larger) {
                next = children >> 16;
                if (next == kNil) {
                    Attach(position, static_cast<int>(test), 1);
                    break;
                }
            } else {
                next = children & 0xFFFF;
                if (next == kNil) {
                    Attach(position, static_cast<int>(test), 0);
                    break;
                }
            }
        } else {
            next = PickIfAbove(a, b, children >> 16, children & 0xFFFF);
            if (next == kNil) {
                Attach(position, static_cast<int>(test), larger);
                break;
            }
        }
        test = next;
    }
    // Levels and turns of the recent walks, each weighing 1/16 less per walk.
    recentLevels_ += (levels << 4) - (recentLevels_ >> 4);
    recentTurns_ += (turns << 4) - (recentTurns_ >> 4);
    guessSide_ = recentTurns_ * 4 < recentLevels_;
    matchLength_ = bestLength;
    matchPosition_ = bestPosition;
}

// The tree as the upkeep of the index of first two bytes sees it (see
// codec::UnindexNode).
struct LzssEncoder::TreeView {
    LzssEncoder& e;
    static constexpr std::uint16_t none = kNil;
    unsigned PrefixOf(std::uint16_t x) const { return e.PrefixOf(x); }
    std::uint16_t Child(std::uint16_t x, int side) const { return e.links_[x].child[side]; }
    std::uint16_t Neighbour(std::uint16_t x, int side) const { return side == 0 ? e.before_[x] : e.after_[x]; }
    std::uint16_t& Top(unsigned prefix) { return e.top_[prefix]; }
    void Unmark(unsigned prefix) { e.present_.Mark(prefix, false); }
};

// Keeps top_ right for the deletion of node, before the tree changes: with
// two children, the predecessor takes its place.
[[gnu::always_inline]] inline void LzssEncoder::UnindexNode(int node) {
    TreeView tree{*this};
    codec::UnindexNode(static_cast<std::uint16_t>(node), tree);
}

[[gnu::always_inline]] inline void LzssEncoder::DeleteNode(int node) {
    if (hook_[node] == kNil) return;
    if (indexed_) UnindexNode(node);
    const unsigned smaller = links_[node].child[0], larger = links_[node].child[1];
    unsigned replacement;
    if (smaller == kNil || larger == kNil) {
        replacement = smaller & larger;  // the one that is there: kNil has every bit set
    } else {
        // The predecessor, the last of the larger links below the smaller
        // child, takes node's place. It has no larger child: its smaller one
        // moves up into its place.
        replacement = before_[node];
        const unsigned inner = links_[replacement].child[0];
        SetChildOfParent(static_cast<int>(replacement), static_cast<int>(inner));
        hook_[inner] = hook_[replacement];  // entry kNil absorbs the writes for a missing child
        links_[replacement] = links_[node];
        hook_[links_[replacement].child[0]] = static_cast<std::uint16_t>(replacement * 2);
        hook_[larger] = static_cast<std::uint16_t>(replacement * 2 + 1);
    }
    hook_[replacement] = hook_[node];
    SetChildOfParent(node, static_cast<int>(replacement));
    hook_[node] = kNil;
    if (before_[node] != kNil) after_[before_[node]] = after_[node];
    if (after_[node] != kNil) before_[after_[node]] = before_[node];
}

std::int32_t LzssEncoder::Compress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    const std::int64_t inputLength = static_cast<std::int64_t>(input.size());
    // Cleared on every call: otherwise bytes of an earlier, longer input take
    // part in comparisons past the end of a short one and can change which of
    // two equally long candidates is reported.
    std::memset(ring_, 0, sizeof ring_);

    int position = 0;
    std::size_t next = 0;
    int lookAhead = 0;
    while (lookAhead < kLookAhead && next < input.size()) PutByte(lookAhead++, input[next++]);

    std::fill(std::begin(links_), std::end(links_), Links{{kNil, kNil}});
    std::fill_n(hook_, kWindowSize + 1, kNil);
    // The index pays for clearing it on longer inputs only.
    indexed_ = inputLength >= indexFrom_;
    if (indexed_) {
        std::fill(std::begin(top_), std::end(top_), kNil);
        present_.Clear();
        top_[PrefixOf(0)] = 0;
        present_.Mark(PrefixOf(0), true);
    }
    links_[kRoot].child[1] = 0;
    hook_[0] = kRoot * 2 + 1;
    before_[0] = after_[0] = kNil;

    matchLength_ = 0;
    matchPosition_ = 0;
    guessSide_ = false;
    recentLevels_ = recentTurns_ = 0;
    std::int64_t outCount = 1;
    if (outCount >= inputLength) return static_cast<std::int32_t>(inputLength);
    std::uint8_t* out = output.data();
    std::int64_t flagAt = 0;
    out[flagAt] = 0;
    unsigned flagMask = 1;
    int itemsInGroup = 0;

    while (lookAhead > 0) {
        if (matchLength_ > lookAhead) matchLength_ = lookAhead;
        int replaceCount;
        if (matchLength_ <= 1) {
            out[flagAt] |= static_cast<std::uint8_t>(flagMask);
            out[outCount] = ring_[position];
            outCount += 1;
            replaceCount = 1;
            if (outCount >= inputLength) return static_cast<std::int32_t>(inputLength);
        } else {
            outCount += 2;
            if (outCount >= inputLength) return static_cast<std::int32_t>(inputLength);
            const unsigned word =
                (((position - matchPosition_ - 1) & 0xFFF) << 4) | static_cast<unsigned>(matchLength_ - 2);
            out[outCount - 2] = static_cast<std::uint8_t>(word);
            out[outCount - 1] = static_cast<std::uint8_t>(word >> 8);
            replaceCount = matchLength_;
        }
        if (++itemsInGroup == 8) {
            outCount += 1;
            if (outCount >= inputLength) return static_cast<std::int32_t>(inputLength);
            flagAt = outCount - 1;
            out[flagAt] = 0;
            itemsInGroup = 0;
            flagMask = 1;
        } else {
            flagMask <<= 1;
        }
        for (int k = 0; k < replaceCount; ++k) {
            const int slot = (position + kLookAhead) & (kWindowSize - 1);
            DeleteNode(slot);
            if (next < input.size())
                PutByte(slot, input[next++]);
            else
                --lookAhead;
            position = (position + 1) & (kWindowSize - 1);
            if (lookAhead > 0) InsertNode(position);
        }
    }
    if (itemsInGroup == 0) outCount -= 1;  // the last reserved flag byte holds no item
    return static_cast<std::int32_t>(outCount);
}

// ---------------------------------------------------------------------------
// Type 2: the tree holds the last 4096 input positions. Position p is node
// p mod 8192 (of which at most 4097 are in use), and the encoder keeps the
// input bytes of the window at the same index of a ring of its own, so a
// node's string is read at ring + node and the links and neighbours are
// 16-bit: the nodes in use take about 45 KiB, near the size of the
// first-level cache. Node 8192 is the root; its left child is the top of the
// tree.

namespace {

constexpr std::uint32_t kEntries = 8192;
constexpr std::uint16_t kRootEntry = kEntries;
constexpr std::int64_t kWindow = 4097;  // position p takes the place of p - 4097
constexpr int kLongest = 18;
constexpr std::uint16_t kNone = 0xFFFF;
// A node's hook is the index of the link that holds it, parent * 2 + side,
// in the flat array of links; kDetached: not in the tree.
constexpr std::uint16_t kDetached = 0xFFFF;

inline std::uint16_t EntryOf(std::int64_t position) { return static_cast<std::uint16_t>(position & (kEntries - 1)); }

inline std::uint32_t HookAt(std::uint32_t parent, int side) { return parent * 2 + static_cast<std::uint32_t>(side); }

struct Match {
    int length;
    std::int32_t node;  // the match's node; -1 for none
};

class LzmitTree {
public:
    LzmitTree(const std::uint8_t* input, std::int64_t length, bool besideMatch)
        : in_(input), n_(length), guessFrom_(besideMatch ? 3 : kLongest + 1) {}

    // With index, the walks of most positions start at the highest node of
    // their first two bytes (see LzssEncoder::top_), which pays for clearing
    // its table on longer inputs.
    void Clear(bool index) {
        if (index) {
            std::fill_n(top_, 1 << 16, kNone);
            present_.Clear();
            indexed_ = true;
        }
        std::fill_n(hooks_, kEntries, kDetached);
        child_[kRootEntry * 2] = child_[kRootEntry * 2 + 1] = kNone;
        filled_ = 0;
    }

    // Makes sure the ring holds the bytes of the strings of positions up to
    // last (and of the window's): the input up to last + kLongest - 1. It
    // takes them some way ahead, a block at a time; the ring's entries they
    // replace belong to positions long out of the window.
    void FillFor(std::int64_t last) {
        if (last + kLongest <= filled_) [[likely]]
            return;
        const std::int64_t to = std::min(n_, last + kLongest + kFillAhead);
        while (filled_ < to) {
            const std::uint16_t e = EntryOf(filled_);
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(to - filled_, kEntries - e));
            std::memcpy(ring_ + e, in_ + filled_, count);
            // The copy of the first kLongest - 1 behind the end.
            if (e < kLongest - 1)
                std::memcpy(ring_ + kEntries + e, in_ + filled_, std::min<std::size_t>(count, kLongest - 1 - e));
            filled_ += static_cast<std::int64_t>(count);
        }
    }

    // Inserts position p and returns its match when kNeedMatch (the last
    // position of an item; the others only take their places). Each of the
    // two has its own copy of the code, so the processor predicts their
    // branches, which go differently, each from its own history.
    template <bool kNeedMatch, int kIndex>
    Match Insert(std::int64_t p) {
        const std::uint16_t s = EntryOf(p);
        if constexpr (kIndex == kIndexOn) {
            // The index entry of the string that leaves the window a few
            // positions on: it is looked up when that leaves, and missing
            // the first-level cache (the index is 128 KiB) it would hold up
            // the removal. Fetched ahead for the new strings' entries as
            // well, it costs more than it saves.
            constexpr std::int64_t kAhead = 12;
            if (p + kAhead >= kWindow) __builtin_prefetch(&top_[FirstTwoBytes(in_ + p + kAhead - kWindow)]);
        }
        // Before position kWindow, the node is one not used yet.
        const std::uint16_t leaving = EntryOf(p - kWindow);
        if (hooks_[leaving] != kDetached) Remove<kIndex>(leaving);
        // Only the first position finds the tree empty.
        const bool empty = kIndex == kIndexKept && child_[kRootEntry * 2] == kNone;
        const int maxK = kIndex != kIndexKept ? kLongest : static_cast<int>(std::min<std::int64_t>(kLongest, n_ - p));
        // The index holds strings of the longest copy only; the last
        // positions walk from the top.
        if (maxK < kLongest) indexed_ = false;
        Match found{0, -1};
        if (!empty) {
            if (maxK < kLongest) return InsertNearEnd(s, child_[kRootEntry * 2], maxK);
            // A key beside its guess shares two bytes with it, so it is not
            // the first of its two bytes (and one that takes the place of the
            // highest of them becomes it in TakePlace): top_ stays as it is.
            if (guessLength_ >= guessFrom_ && InsertNextTo<kNeedMatch, kIndex>(s, EntryOf(guess_ + 1), found))
                return found;
        }
        std::uint16_t* const prefixTop = Indexed<kIndex>() ? &top_[PrefixOf(s)] : nullptr;
        const bool firstOfPrefix = prefixTop && *prefixTop == kNone;
        if (empty)
            Hang(s, kNone, 0);
        else if (firstOfPrefix && InsertFirstOfPrefix(s))
            found = {2, -1};  // no string shares two bytes with it
        else
            found = Walk<kIndex>(s, prefixTop && !firstOfPrefix ? *prefixTop : child_[kRootEntry * 2]);
        if (firstOfPrefix) {
            present_.Mark(PrefixOf(s), true);
            *prefixTop = s;
        }
        return found;
    }

    // Whether runs go through InsertRun; turned off with the insertions
    // beside the match, runs take the way of other strings, one by one.
    bool Runs() const { return guessFrom_ <= kLongest; }

    // Inserts positions p .. p + count - 1 (not among the first or the last
    // kLongest - 1) of a run: the input from p - 1 to the end of the last
    // one's string is one byte repeated, so the string of each equals the
    // one before, whose place it would take and which is its match. The
    // nodes in between would leave the tree as soon as they enter it: the
    // last takes the place of p - 1 at once. Returns the last one's match.
    template <int kIndex>
    Match InsertRun(std::int64_t p, std::int64_t count) {
        for (std::int64_t k = 0; k < count; ++k) {
            const std::uint16_t leaving = EntryOf(p + k - kWindow);
            if (hooks_[leaving] != kDetached) Remove<kIndex>(leaving);
        }
        TakePlace<kIndex>(EntryOf(p + count - 1), EntryOf(p - 1));
        guess_ = EntryOf(p + count - 2);
        guessLength_ = kLongest;
        return {kLongest, guess_};
    }

    // How Insert and the steps below learn whether top_ is kept: from
    // indexed_ (kIndexKept), or known to be off or on, for all positions but
    // the first and the last kLongest - 1 (those see whether the tree is
    // empty and where the input ends; indexed_ stays as it is).
    static constexpr int kIndexKept = -1, kIndexOff = 0, kIndexOn = 1;

private:
    template <int kIndex>
    bool Indexed() const {
        return kIndex == kIndexKept ? indexed_ : kIndex == kIndexOn;
    }

    // The walk down from node, as the type 1 walk, the side picked by
    // conditional move. (The type 1 walk turns to branches where the recent
    // walks turned seldom; here that costs more than it saves.)
    template <int kIndex>
    Match Walk(std::uint16_t s, std::size_t node) {
        const std::uint8_t* const key = ring_ + s;
        // Read as big-endian words, one unsigned comparison gives the order;
        // as they are (the first byte lowest), the trailing zero bits of the
        // difference give the length.
        const std::uint64_t rawKey0 = Load64(key), rawKey1 = Load64(key + 8);
        const std::uint64_t key0 = __builtin_bswap64(rawKey0);
        const std::uint64_t key1 = __builtin_bswap64(rawKey1);
        const std::uint64_t key16 = static_cast<std::uint64_t>(key[16]) << 56 | static_cast<std::uint64_t>(key[17]) << 48;
        // The longest length met, and the first and the last node met that
        // share it: the first is the match (a tie keeps the node met first),
        // the last the neighbour the next position's insertion starts beside.
        int best = 0;
        std::uint32_t first = kNone, last = kNone;
        bool right = false;
        const std::uint8_t* const ring8 = ring_ + 8;
        for (;;) {
            // Both children are loaded with the string (see the type 1 walk),
            // each by a load of its own: one word split in two takes two
            // steps more at every level.
            const std::uint32_t smaller = child_[node * 2], larger = child_[node * 2 + 1];
            std::uint64_t a, b;
            const std::uint64_t raw0 = Load64(ring_ + node);
            // The usual level, where the first eight bytes differ, has its
            // own copy of the length's steps: a shared copy merges in the
            // values of the rarer ones, a move or two more at every level.
            if (rawKey0 != raw0) [[likely]] {
                a = key0;
                b = __builtin_bswap64(raw0);
                KeepLongest(__builtin_ctzll(rawKey0 ^ raw0) >> 3, static_cast<std::uint32_t>(node), best, first, last);
            } else {
                const std::uint64_t raw1 = Load64(ring8 + node);
                std::uint64_t difference;
                int from;
                if (rawKey1 != raw1) {
                    a = key1;
                    b = __builtin_bswap64(raw1);
                    difference = rawKey1 ^ raw1;
                    from = 8;
                } else {
                    a = key16;
                    b = static_cast<std::uint64_t>(ring8[node + 8]) << 56 |
                        static_cast<std::uint64_t>(ring8[node + 9]) << 48;
                    difference = __builtin_bswap64(a ^ b);
                    from = 16;
                    if (a == b) {
                        TakePlace<kIndex>(s, static_cast<std::uint16_t>(node));
                        guess_ = static_cast<std::uint16_t>(node);
                        guessLength_ = kLongest;
                        return {kLongest, static_cast<std::int32_t>(node)};
                    }
                }
                KeepLongest(from + (__builtin_ctzll(difference) >> 3), static_cast<std::uint32_t>(node), best, first,
                            last);
            }
            const std::uint32_t child = PickIfAbove(a, b, larger, smaller);
            if (child == kNone) {
                right = a > b;  // side 1 (right) for larger strings
                Hang(s, static_cast<std::uint16_t>(node), right);
                break;
            }
            node = child;
        }
        guess_ = static_cast<std::uint16_t>(last);
        guessLength_ = best;
        // The last met is the node the key hangs from, on the side the walk
        // took there, or the neighbour on the other side, which lies above.
        guessAfter_ = (last == node) == right;
        return best > 2 ? Match{best, static_cast<std::int32_t>(first)} : Match{2, -1};
    }

    // How a key compares with a node's string: the number of equal leading
    // bytes and the side of the node the key belongs on in the tree's order
    // (1: after it, -1: before it, 0: equal in all kLongest bytes).
    struct Order {
        int length;
        int sign;
    };
    Order Compare(const std::uint8_t* key, std::uint16_t node) const {
        const std::uint8_t* other = ring_ + node;
        std::uint64_t a = __builtin_bswap64(Load64(key)), b = __builtin_bswap64(Load64(other));
        int from = 0;
        if (a == b) {
            a = __builtin_bswap64(Load64(key + 8));
            b = __builtin_bswap64(Load64(other + 8));
            from = 8;
            if (a == b) {
                a = static_cast<std::uint64_t>(key[16]) << 56 | static_cast<std::uint64_t>(key[17]) << 48;
                b = static_cast<std::uint64_t>(other[16]) << 56 | static_cast<std::uint64_t>(other[17]) << 48;
                from = 16;
                if (a == b) return {kLongest, 0};
            }
        }
        return {from + EqualLeadingBytes(a, b), a > b ? 1 : -1};
    }

    // Inserts node s without a walk when its string falls right next to
    // guess in the tree's order (see LzssEncoder::InsertNextTo). The walk
    // would end below the deeper of the two neighbours around it (the other
    // lies above it); its longest match is as long as the longer of theirs,
    // and it keeps the first node met of that length: the highest, climbed
    // to when kNeedMatch. Returns false, with nothing changed, when the
    // string does not fall next to guess.
    template <bool kNeedMatch, int kIndex>
    bool InsertNextTo(std::uint16_t s, std::uint16_t guess, Match& found) {
        // Neighbours passed at most on the way from guess. One for the last
        // position of an item, where the previous key's match has just ended:
        // a key that lies farther from guess there is placed sooner by the
        // walk (measured on the corpus).
        constexpr int kSteps = kNeedMatch ? 1 : 3;
        if (guess == s || hooks_[guess] == kDetached) return false;
        const std::uint8_t* key = ring_ + s;
        const auto g = OrderFromPrevious<Order>(guessLength_, guessAfter_, kLongest, key, ring_ + guess);
        Neighbours<std::uint16_t, Order> around;
        if (!FindNeighbours<kSteps, true>(
                guess, g, kNone, [&](std::uint16_t node) { return Compare(key, node); },
                [&](std::uint16_t node) { return neighbour_[node][0]; },
                [&](std::uint16_t node) { return neighbour_[node][1]; }, around))
            return false;
        const auto [before, after, b, a, equal] = around;
        if (equal != kNone) {
            TakePlace<kIndex>(s, equal);
            found = {kLongest, equal};
            guess_ = equal;
            guessLength_ = kLongest;
            return true;
        }
        const int beforeLength = b.length, afterLength = a.length;
        const auto at = PlaceBetween(before, after, BeforeIsDeeper(before), beforeLength, afterLength);
        const std::uint16_t deeper = at.deeper;
        const int side = at.side;
        // The new node's place is free (it cannot be otherwise; checked so that
        // the tree stays whole whatever happens).
        if (child_[HookAt(deeper, side)] != kNone) return false;
        const int longest = at.length;
        guessLength_ = longest;
        guess_ = at.nearest;
        guessAfter_ = at.nearest == before;
        found = {2, -1};
        if (kNeedMatch && longest > 2) {
            // Above the first node of the key's first two bytes none shares
            // more than one: the climb stops there.
            const std::uint16_t top = Indexed<kIndex>() ? top_[PrefixOf(s)] : kNone;
            const std::uint16_t match = HighestOfLongest(
                deeper, side == 1 ? b : a, beforeLength, afterLength, longest, kNone,
                [&](std::uint16_t x) {
                    const auto up = static_cast<std::uint16_t>(hooks_[x] >> 1);
                    return x == top || up == kRootEntry ? kNone : up;
                },
                [&](std::uint16_t x) { return Compare(key, x); });
            found = {longest, match};
        }
        HangBetween(s, deeper, side, before, after);
        return true;
    }

    // The first (side 0) or last (side 1) node in the tree's order of those
    // with the given first two bytes, of which there must be one (see
    // LzssEncoder::EndOfPrefix).
    std::uint16_t EndOfPrefix(unsigned prefix, int side) const {
        return codec::EndOfPrefix(
            top_[prefix], kNone, prefix, side, [this](std::uint16_t x) { return PrefixOf(x); },
            [this](std::uint16_t x, int sd) { return child_[HookAt(x, sd)]; },
            [this](std::uint16_t x, int sd) { return neighbour_[x][sd]; });
    }

    // Inserts node s, the only node of its first two bytes, without a walk
    // (see LzssEncoder::InsertFirstOfPrefix); no node shares more than one
    // byte with it. Returns false, with nothing changed, should the place not
    // be free (it cannot be; checked so that the tree stays whole).
    bool InsertFirstOfPrefix(std::uint16_t s) {
        const unsigned prefix = PrefixOf(s);
        const int above = present_.Next(prefix);
        std::uint16_t before, after;  // the key's neighbours in the tree's order
        if (above >= 0) {
            after = EndOfPrefix(static_cast<unsigned>(above), 0);
            before = neighbour_[after][0];
        } else {
            const int below = present_.Previous(prefix);
            if (below < 0) return false;
            before = EndOfPrefix(static_cast<unsigned>(below), 1);
            after = kNone;
        }
        const auto at = PlaceBetween(before, after, BeforeIsDeeper(before), -1, -1);
        if (child_[HookAt(at.deeper, at.side)] != kNone) return false;
        HangBetween(s, at.deeper, at.side, before, after);
        guessLength_ = 0;
        return true;
    }

    // The last 17 positions: the comparison stops at the end of the input,
    // and a string cut there sorts as the smaller one.
    Match InsertNearEnd(std::uint16_t s, std::uint16_t node, int maxK) {
        const std::uint8_t* key = ring_ + s;
        int best = 2;
        std::int32_t bestNode = -1;
        for (;;) {
            const std::uint8_t* other = ring_ + node;
            int k = 0;
            while (k < maxK && key[k] == other[k]) ++k;
            if (k > best) {
                best = k;
                bestNode = node;
            }
            const bool smaller = k == maxK || key[k] < other[k];
            const int sideToGo = smaller ? 0 : 1;
            const std::uint16_t child = child_[HookAt(node, sideToGo)];
            if (child == kNone) {
                Hang(s, node, sideToGo);
                return {best, bestNode};
            }
            node = child;
        }
    }

    unsigned PrefixOf(std::uint16_t node) const { return FirstTwoBytes(ring_ + node); }

    // Of two neighbours in the tree's order, one lies above the other, and
    // the deeper has no child towards the other: whether that is the one
    // before (false when there is none).
    bool BeforeIsDeeper(std::uint16_t before) const {
        return (before != kNone) & (child_[HookAt(before & (kEntries - 1), 1)] == kNone);
    }

    // The tree as the upkeep of the index of first two bytes sees it (see
    // codec::UnindexNode).
    struct TreeView {
        LzmitTree& t;
        static constexpr std::uint16_t none = kNone;
        unsigned PrefixOf(std::uint16_t x) const { return t.PrefixOf(x); }
        std::uint16_t Child(std::uint16_t x, int side) const { return t.child_[HookAt(x, side)]; }
        std::uint16_t Neighbour(std::uint16_t x, int side) const { return t.neighbour_[x][side]; }
        std::uint16_t& Top(unsigned prefix) { return t.top_[prefix]; }
        void Unmark(unsigned prefix) { t.present_.Mark(prefix, false); }
    };

    // Hangs node s from the link hook.
    void Attach(std::uint16_t s, std::uint32_t hook) {
        child_[hook] = s;
        hooks_[s] = static_cast<std::uint16_t>(hook);
    }

    // Hangs a new node below parent, on the given side, between its
    // neighbours in the tree's order, found before.
    void HangBetween(std::uint16_t s, std::uint16_t parent, int side, std::uint16_t before, std::uint16_t after) {
        child_[s * 2] = child_[s * 2 + 1] = kNone;
        Attach(s, HookAt(parent, side));
        SetNeighbours(s, before, after);
    }

    // Hangs a new node below parent (kNone for the root), on the given side:
    // right after parent in the tree's order (side 1) or right before it
    // (side 0).
    void Hang(std::uint16_t s, std::uint16_t parent, int side) {
        if (parent == kNone) {
            HangBetween(s, kRootEntry, side, kNone, kNone);
            return;
        }
        // Picked by conditional moves: the side goes either way at random.
        HangBetween(s, parent, side,
                    static_cast<std::uint16_t>(PickIf<std::uint32_t>(side == 1, parent, neighbour_[parent][0])),
                    static_cast<std::uint16_t>(PickIf<std::uint32_t>(side == 1, neighbour_[parent][1], parent)));
    }

    // Puts node s between two neighbours in the tree's order.
    void SetNeighbours(std::uint16_t s, std::uint16_t previous, std::uint16_t next) {
        neighbour_[s][0] = previous;
        neighbour_[s][1] = next;
        if (previous != kNone) neighbour_[previous][1] = s;
        if (next != kNone) neighbour_[next][0] = s;
    }

    // Node to takes the children of node from, which hang from it then.
    void TakeChildren(std::uint16_t to, std::uint16_t from) {
        for (int side = 0; side < 2; ++side) {
            const std::uint32_t c = child_[HookAt(from, side)];
            child_[HookAt(to, side)] = static_cast<std::uint16_t>(c);
            hooks_[c] = static_cast<std::uint16_t>(HookAt(to, side));
        }
    }

    // s takes node's place (same parent, side, children and neighbours);
    // node leaves.
    template <int kIndex>
    void TakePlace(std::uint16_t s, std::uint16_t node) {
        if (Indexed<kIndex>()) {
            std::uint16_t& top = top_[PrefixOf(node)];
            if (top == node) top = s;
        }
        TakeChildren(s, node);
        Attach(s, hooks_[node]);
        hooks_[node] = kDetached;
        SetNeighbours(s, neighbour_[node][0], neighbour_[node][1]);
    }

    // Takes node s out of the tree, keeping top_ right when it is kept. The
    // links are held in 32-bit values: 16-bit ones are widened again at each
    // use as an index.
    template <int kIndex>
    void Remove(std::uint16_t s) {
        const std::uint32_t hook = hooks_[s];
        const std::uint32_t l = child_[s * 2], r = child_[s * 2 + 1];
        if (Indexed<kIndex>()) {
            TreeView tree{*this};
            codec::UnindexNode<std::uint16_t>(s, static_cast<std::uint16_t>(l), static_cast<std::uint16_t>(r), tree);
        }
        if (l == kNone || r == kNone) {
            const std::uint32_t c = l & r;  // the one that is there: kNone has every bit set
            child_[hook] = static_cast<std::uint16_t>(c);
            hooks_[c] = static_cast<std::uint16_t>(hook);
        } else {
            // The predecessor (rightmost of the left subtree) moves up: the
            // neighbour on that side, which has no child towards s.
            const std::uint32_t m = neighbour_[s][0];
            const std::uint32_t mHook = hooks_[m];
            const std::uint32_t inner = child_[HookAt(m, 0)];
            child_[mHook] = static_cast<std::uint16_t>(inner);
            hooks_[inner] = static_cast<std::uint16_t>(mHook);
            TakeChildren(static_cast<std::uint16_t>(m), s);
            Attach(static_cast<std::uint16_t>(m), hook);
        }
        hooks_[s] = kDetached;
        const std::uint16_t previous = neighbour_[s][0], next = neighbour_[s][1];
        if (previous != kNone) neighbour_[previous][1] = next;
        if (next != kNone) neighbour_[next][0] = previous;
    }

    const std::uint8_t* in_;
    std::int64_t n_;
    // The shortest previous match beside whose successor a string is placed
    // without a walk; longer than any when that is turned off.
    int guessFrom_;
    static constexpr std::int64_t kFillAhead = 256;  // input bytes taken into the ring beyond those needed
    std::int64_t filled_ = 0;                        // the input bytes before it are in the ring
    // The arrays are the object's own, not pointers to arrays: the compiler
    // would load each pointer again after every store it cannot tell apart
    // from it.
    // The links: node e's left and right child at 2e and 2e + 1, kNone for
    // none.
    alignas(64) std::uint16_t child_[(kEntries + 1) * 2];
    // Per node, its hook. Entry kNone absorbs the writes for a missing child,
    // so that those need no branch (a child is there about as often as not);
    // the entries between the nodes' and it are never touched, nor given
    // memory by the system.
    std::uint16_t hooks_[1 << 16];
    // The input bytes of the window at the index of their node, and a copy of
    // the first kLongest - 1 behind the end, so a string never wraps.
    std::uint8_t ring_[kEntries + kLongest - 1];
    // Per node: the nodes before and after it in the tree's order (left to
    // right).
    std::uint16_t neighbour_[kEntries][2];
    // The previous position's longest match, whose successor the next
    // position's string often falls next to; used when guessLength_ >= 3.
    std::uint16_t guess_ = 0;
    int guessLength_ = 0;
    // Whether the previous key lies after guess_ in the tree's order (when it
    // did not equal it: guessLength_ < kLongest).
    bool guessAfter_ = false;
    std::uint16_t top_[1 << 16];  // per first two bytes: the highest node, or kNone
    PrefixBits present_;          // the first two bytes some node has, with top_
    bool indexed_ = false;        // top_ is kept
};

// Whether the length bytes from `from` on are one byte repeated.
inline bool InRun(const std::uint8_t* input, std::int64_t from, std::int64_t length) {
    const std::uint8_t c = input[from];
    if (input[from + 1] != c || input[from + length - 1] != c) return false;
    for (std::int64_t k = 2; k + 1 < length; ++k)
        if (input[from + k] != c) return false;
    return true;
}

// The items of the type 2 stream as they are written: literals and copies in
// groups of eight behind a flag byte.
struct ItemWriter {
    std::int64_t i = 0;  // the next input byte to encode
    std::int64_t insertCount = 1;
    unsigned flag = 0;
    int itemsInGroup = 0;
    std::int64_t flagAt = 0;
    std::int64_t outCount = 1;

    // Writes the items whose positions all lie before end. False when the
    // stream grows too long. The state is worked on in locals: the bytes
    // written (and those the tree's ring takes) could be any object's, so
    // the members would be read again after each.
    template <int kIndex>
    bool Run(LzmitTree& tree, const std::uint8_t* input, std::uint8_t* out, std::int64_t n, std::int64_t end) {
        std::int64_t i = this->i, insertCount = this->insertCount, flagAt = this->flagAt, outCount = this->outCount;
        unsigned flag = this->flag;
        int itemsInGroup = this->itemsInGroup;
        bool fits = true;
        while (i + insertCount - 1 < end) {
            tree.FillFor(i + insertCount - 1);
            Match m;
            if (kIndex != LzmitTree::kIndexKept && InRun(input, i - 1, insertCount + kLongest) && tree.Runs())
                [[unlikely]] {
                m = tree.InsertRun<kIndex>(i, insertCount);
            } else {
                for (std::int64_t k = 0; k + 1 < insertCount; ++k) tree.Insert<false, kIndex>(i + k);
                m = tree.Insert<true, kIndex>(i + insertCount - 1);
            }
            i += insertCount - 1;
            if (outCount >= n - 17) {
                fits = false;
                break;
            }
            flag = (flag >> 1) & 0x7F;
            if (m.length <= 2 || i + m.length > n) {
                out[outCount++] = input[i];
                flag |= 0x80;
                insertCount = 1;
            } else {
                // The match's node is its position mod 8192, and it lies 1 to
                // 4096 bytes back.
                const auto distance = static_cast<unsigned>((i - m.node) & (kEntries - 1));
                const unsigned word = ((distance - 1) << 4) | static_cast<unsigned>(m.length - 3);
                out[outCount] = static_cast<std::uint8_t>(word);
                out[outCount + 1] = static_cast<std::uint8_t>(word >> 8);
                outCount += 2;
                insertCount = m.length;
            }
            if (++itemsInGroup == 8) {
                out[flagAt] = static_cast<std::uint8_t>(flag);
                flagAt = outCount++;
                itemsInGroup = 0;
            }
            ++i;
        }
        this->i = i;
        this->insertCount = insertCount;
        this->flag = flag;
        this->itemsInGroup = itemsInGroup;
        this->flagAt = flagAt;
        this->outCount = outCount;
        return fits;
    }
};

}  // namespace

std::int32_t CompressLzmit(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                           std::int64_t indexFrom, bool besideMatch) {
    const std::int64_t n = static_cast<std::int64_t>(input.size());
    // About 340 KiB, of which at most about 230 KiB is touched, so on the heap.
    const std::unique_ptr<LzmitTree> owned(new (std::nothrow) LzmitTree(input.data(), n, besideMatch));
    if (owned == nullptr) return -1;
    LzmitTree& tree = *owned;
    tree.Clear(n >= indexFrom);
    ItemWriter w;
    const std::uint8_t* in = input.data();
    std::uint8_t* out = output.data();
    // All but the first and the last kLongest - 1 positions are inserted
    // with the index known to be kept or not; those as indexed_ says.
    const std::int64_t bulkEnd = n - (kLongest - 1);
    const bool encoded = w.Run<LzmitTree::kIndexKept>(tree, in, out, n, std::min<std::int64_t>(n, 1)) &&
                         (n >= indexFrom ? w.Run<LzmitTree::kIndexOn>(tree, in, out, n, bulkEnd)
                                         : w.Run<LzmitTree::kIndexOff>(tree, in, out, n, bulkEnd)) &&
                         w.Run<LzmitTree::kIndexKept>(tree, in, out, n, n);
    if (!encoded) return -1;
    const int itemsInGroup = w.itemsInGroup;
    std::int64_t outCount = w.outCount;
    if (itemsInGroup == 0)
        outCount -= 1;
    else
        out[w.flagAt] = static_cast<std::uint8_t>(w.flag >> (8 - itemsInGroup));
    return static_cast<std::int32_t>(outCount);
}

}  // namespace codec
