#include "codec/lz_encode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

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
// Type 1: ring window of 4096 bytes, tree of window positions. A node's
// fields: parent, smaller child, larger child; the root uses only its larger
// child. The look-ahead (17 bytes) is part of the ring, so distances stay
// below 4080.

LzssEncoder::LzssEncoder() {
    std::memset(ring_, 0, sizeof ring_);
    std::fill(std::begin(tree_), std::end(tree_), Node{-1, {-1, -1}});
}

void LzssEncoder::ReplaceNode(int oldNode, int newNode) {
    const int p = tree_[oldNode].parent;
    tree_[newNode].parent = p;
    tree_[newNode].child[0] = tree_[oldNode].child[0];
    tree_[newNode].child[1] = tree_[oldNode].child[1];
    if (tree_[newNode].child[0] != -1) tree_[tree_[newNode].child[0]].parent = newNode;
    if (tree_[newNode].child[1] != -1) tree_[tree_[newNode].child[1]].parent = newNode;
    if (tree_[p].child[1] == oldNode)
        tree_[p].child[1] = newNode;
    else
        tree_[p].child[0] = newNode;
    tree_[oldNode].parent = -1;
}

void LzssEncoder::InsertNode(int position) {
    tree_[position].child[0] = tree_[position].child[1] = -1;
    matchLength_ = 0;
    int test = tree_[kRoot].child[1];
    if (test == -1) {  // only when the tree was emptied; kept for safety
        tree_[kRoot].child[1] = position;
        tree_[position].parent = kRoot;
        return;
    }
    const std::uint8_t* key = ring_ + position;
    // Strings are compared as big-endian words, so one unsigned comparison
    // gives the direction and the count of leading zero bits the length,
    // without a byte loop whose exit the processor cannot predict. The key's
    // words are loaded once per insertion.
    const std::uint64_t key0 = __builtin_bswap64(Load64(key));
    const std::uint64_t key1 = __builtin_bswap64(Load64(key + 8));
    const std::uint8_t key16 = key[16];
    int bestLength = 0, bestPosition = matchPosition_;
    for (;;) {
        const std::uint8_t* other = ring_ + test;
        // Both children are loaded with the string, not after the comparison
        // that picks one: the walk is a chain of dependent loads.
        std::uint64_t children;
        std::memcpy(&children, tree_[test].child, 8);
        const std::uint64_t other0 = __builtin_bswap64(Load64(other));
        int i;
        bool larger;
        if (key0 != other0) [[likely]] {
            i = __builtin_clzll(key0 ^ other0) >> 3;
            larger = key0 > other0;
        } else {
            const std::uint64_t other1 = __builtin_bswap64(Load64(other + 8));
            if (key1 != other1) {
                i = 8 + (__builtin_clzll(key1 ^ other1) >> 3);
                larger = key1 > other1;
            } else {
                i = key16 == other[16] ? 17 : 16;
                larger = key16 >= other[16];
            }
        }
        // A tie goes to the node met later on the path.
        if (i >= bestLength) {
            bestLength = i;
            bestPosition = test;
        }
        if (i >= kLookAhead) {
            ReplaceNode(test, position);
            break;
        }
        const int next = static_cast<std::int32_t>(children >> (larger ? 32 : 0));
        if (next == -1) {
            tree_[test].child[larger] = position;
            tree_[position].parent = test;
            break;
        }
        test = next;
    }
    matchLength_ = bestLength;
    matchPosition_ = bestPosition;
}

void LzssEncoder::DeleteNode(int node) {
    if (tree_[node].parent == -1) return;
    int replacement;
    if (tree_[node].child[1] == -1) {
        replacement = tree_[node].child[0];
    } else if (tree_[node].child[0] == -1) {
        replacement = tree_[node].child[1];
    } else {
        replacement = tree_[node].child[0];
        while (tree_[replacement].child[1] != -1) replacement = tree_[replacement].child[1];
        DeleteNode(replacement);  // it has no larger child: its smaller one moves up
        tree_[replacement].child[0] = tree_[node].child[0];
        tree_[replacement].child[1] = tree_[node].child[1];
        if (tree_[replacement].child[0] != -1) tree_[tree_[replacement].child[0]].parent = replacement;
        tree_[tree_[replacement].child[1]].parent = replacement;
    }
    const int p = tree_[node].parent;
    if (replacement != -1) tree_[replacement].parent = p;
    if (tree_[p].child[1] == node)
        tree_[p].child[1] = replacement;
    else
        tree_[p].child[0] = replacement;
    tree_[node].parent = -1;
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

    std::fill(std::begin(tree_), std::end(tree_), Node{-1, {-1, -1}});
    tree_[kRoot].child[1] = 0;
    tree_[0].parent = kRoot;

    matchLength_ = 0;
    matchPosition_ = 0;
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
// Type 2: the tree holds the last 4096 input positions in 4097 slots (slot =
// position mod 4097), compared in place in the input. Slot 4097 is the root;
// its left child is the top of the tree.

namespace {

constexpr int kSlots = 4097;
constexpr int kRootSlot = kSlots;
constexpr int kLongest = 18;

struct Slot {
    std::int16_t child[2] = {-1, -1};  // left, right
    std::int16_t parent = -1, side = -1;
};

struct Match {
    int length;
    int slot;
};

template <bool kMirrored>
class LzmitTree {
public:
    LzmitTree(const std::uint8_t* input, std::int64_t length) : in_(input), n_(length) {}

    bool Allocate() {
        slots_.reset(new (std::nothrow) Slot[kSlots + 1]);
        return slots_ != nullptr;
    }

    Match Insert(std::int64_t p) {
        const int s = static_cast<int>(p % kSlots);
        Slot* t = slots_.get();
        if (t[s].parent != -1) Remove(s);  // it held p - 4097, which leaves the window
        t[s].child[0] = t[s].child[1] = -1;
        int node = t[kRootSlot].child[0];
        if (node == -1) {
            Attach(s, kRootSlot, 0);
            return {0, -1};
        }
        int best = 2, bestSlot = -1;
        const std::uint8_t* key = in_ + p;
        const int maxK = static_cast<int>(std::min<std::int64_t>(kLongest, n_ - p));
        if (maxK < kLongest) return InsertNearEnd(s, node, key, maxK);
        // Big-endian words: one unsigned comparison gives the order and the
        // leading zero bits the length (see the type 1 encoder).
        const std::uint64_t key0 = __builtin_bswap64(Load64(key));
        const std::uint64_t key1 = __builtin_bswap64(Load64(key + 8));
        const unsigned key16 = static_cast<unsigned>(key[16]) << 8 | key[17];
        for (;;) {
            int d = s - node;
            d += d <= 0 ? kSlots : 0;
            const std::uint8_t* other = key - d;
            // Both children are loaded with the string (see the type 1 walk).
            std::uint32_t children;
            std::memcpy(&children, t[node].child, 4);
            const std::uint64_t other0 = __builtin_bswap64(Load64(other));
            int k;
            bool smaller;
            if (key0 != other0) [[likely]] {
                k = __builtin_clzll(key0 ^ other0) >> 3;
                smaller = key0 < other0;
            } else {
                const std::uint64_t other1 = __builtin_bswap64(Load64(other + 8));
                if (key1 != other1) {
                    k = 8 + (__builtin_clzll(key1 ^ other1) >> 3);
                    smaller = key1 < other1;
                } else {
                    const unsigned other16 = static_cast<unsigned>(other[16]) << 8 | other[17];
                    if (key16 == other16) {
                        TakePlace(s, node);
                        return {kLongest, node};
                    }
                    k = 16 + ((key16 ^ other16) < 0x100 ? 1 : 0);
                    smaller = key16 < other16;
                }
            }
            // A tie keeps the node met first.
            if (k > best) {
                best = k;
                bestSlot = node;
            }
            const int sideToGo = smaller == kMirrored;  // 0 = left
            const int child = static_cast<std::int16_t>(children >> (sideToGo ? 16 : 0));
            if (child == -1) {
                Attach(s, node, sideToGo);
                return {best, bestSlot};
            }
            node = child;
        }
    }

private:
    // The last 17 positions: the comparison stops at the end of the input,
    // and a string cut there sorts as the smaller one.
    Match InsertNearEnd(int s, int node, const std::uint8_t* key, int maxK) {
        Slot* t = slots_.get();
        int best = 2, bestSlot = -1;
        for (;;) {
            int d = s - node;
            d += d <= 0 ? kSlots : 0;
            const std::uint8_t* other = key - d;
            int k = 0;
            while (k < maxK && key[k] == other[k]) ++k;
            if (k > best) {
                best = k;
                bestSlot = node;
            }
            const bool smaller = k == maxK || key[k] < other[k];
            const int sideToGo = smaller == kMirrored;
            const int child = t[node].child[sideToGo];
            if (child == -1) {
                Attach(s, node, sideToGo);
                return {best, bestSlot};
            }
            node = child;
        }
    }

    void SetChild(int parent, int side, int child) { slots_[parent].child[side] = static_cast<std::int16_t>(child); }

    void Attach(int s, int parent, int side) {
        SetChild(parent, side, s);
        slots_[s].parent = static_cast<std::int16_t>(parent);
        slots_[s].side = static_cast<std::int16_t>(side);
    }

    // s takes node's place (same parent, side and children); node leaves.
    void TakePlace(int s, int node) {
        Slot* t = slots_.get();
        t[s] = t[node];
        if (t[s].child[0] != -1) t[t[s].child[0]].parent = static_cast<std::int16_t>(s);
        if (t[s].child[1] != -1) t[t[s].child[1]].parent = static_cast<std::int16_t>(s);
        SetChild(t[s].parent, t[s].side, s);
        t[node].parent = -1;
    }

    void Remove(int s) {
        Slot* t = slots_.get();
        const int l = t[s].child[0], r = t[s].child[1];
        if (l == -1 || r == -1) {
            const int c = l != -1 ? l : r;
            SetChild(t[s].parent, t[s].side, c);
            if (c != -1) {
                t[c].parent = t[s].parent;
                t[c].side = t[s].side;
            }
        } else {
            // The standard build moves the predecessor (rightmost of the left
            // subtree) up, the mirrored one the successor (leftmost of the right).
            int m = kMirrored ? r : l;
            for (;;) {
                const int further = kMirrored ? t[m].child[0] : t[m].child[1];
                if (further == -1) break;
                m = further;
            }
            const int inner = kMirrored ? t[m].child[1] : t[m].child[0];
            SetChild(t[m].parent, t[m].side, inner);
            if (inner != -1) {
                t[inner].parent = t[m].parent;
                t[inner].side = t[m].side;
            }
            t[m].child[0] = t[s].child[0];
            t[m].child[1] = t[s].child[1];
            t[m].parent = t[s].parent;
            t[m].side = t[s].side;
            if (t[m].child[0] != -1) t[t[m].child[0]].parent = static_cast<std::int16_t>(m);
            if (t[m].child[1] != -1) t[t[m].child[1]].parent = static_cast<std::int16_t>(m);
            SetChild(t[m].parent, t[m].side, m);
        }
        t[s].parent = -1;
    }

    const std::uint8_t* in_;
    std::int64_t n_;
    std::unique_ptr<Slot[]> slots_;
};

template <bool kMirrored>
std::int32_t CompressLzmitWith(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    const std::int64_t n = static_cast<std::int64_t>(input.size());
    LzmitTree<kMirrored> tree(input.data(), n);
    if (!tree.Allocate()) return -1;
    std::uint8_t* out = output.data();
    std::int64_t i = 0;
    std::int64_t insertCount = 1;
    unsigned flag = 0;
    int itemsInGroup = 0;
    std::int64_t flagAt = 0;
    std::int64_t outCount = 1;
    Match m{0, -1};
    while (i + insertCount - 1 < n) {
        for (std::int64_t k = 0; k < insertCount; ++k) m = tree.Insert(i + k);
        i += insertCount - 1;
        if (outCount >= n - 17) return -1;
        flag = (flag >> 1) & 0x7F;
        if (m.length <= 2 || i + m.length > n) {
            out[outCount++] = input[i];
            flag |= 0x80;
            insertCount = 1;
        } else {
            int distance = static_cast<int>(i % kSlots) - m.slot;
            if (distance < 0) distance += kSlots;
            const unsigned word = (static_cast<unsigned>(distance - 1) << 4) | static_cast<unsigned>(m.length - 3);
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
    if (itemsInGroup == 0)
        outCount -= 1;
    else
        out[flagAt] = static_cast<std::uint8_t>(flag >> (8 - itemsInGroup));
    return static_cast<std::int32_t>(outCount);
}

}  // namespace

std::int32_t CompressLzmit(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, TreeOrder order) {
    return order == TreeOrder::Mirrored ? CompressLzmitWith<true>(input, output)
                                        : CompressLzmitWith<false>(input, output);
}

}  // namespace codec
