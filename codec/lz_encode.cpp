#include "codec/lz_encode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace codec {

// ---------------------------------------------------------------------------
// Type 1: ring window of 4096 bytes, tree of window positions. A node's
// fields: parent, smaller child, larger child; the root uses only its larger
// child. The look-ahead (17 bytes) is part of the ring, so distances stay
// below 4080.

LzssEncoder::LzssEncoder() {
    std::memset(ring_, 0, sizeof ring_);
    std::fill(std::begin(parent_), std::end(parent_), -1);
    std::fill(std::begin(smaller_), std::end(smaller_), -1);
    std::fill(std::begin(larger_), std::end(larger_), -1);
}

void LzssEncoder::ReplaceNode(int oldNode, int newNode) {
    const int p = parent_[oldNode];
    parent_[newNode] = p;
    smaller_[newNode] = smaller_[oldNode];
    larger_[newNode] = larger_[oldNode];
    if (smaller_[newNode] != -1) parent_[smaller_[newNode]] = newNode;
    if (larger_[newNode] != -1) parent_[larger_[newNode]] = newNode;
    if (larger_[p] == oldNode)
        larger_[p] = newNode;
    else
        smaller_[p] = newNode;
    parent_[oldNode] = -1;
}

void LzssEncoder::InsertNode(int position) {
    smaller_[position] = larger_[position] = -1;
    matchLength_ = 0;
    int test = larger_[kRoot];
    if (test == -1) {  // only when the tree was emptied; kept for safety
        larger_[kRoot] = position;
        parent_[position] = kRoot;
        return;
    }
    const std::uint8_t* key = ring_ + position;
    for (;;) {
        const std::uint8_t* other = ring_ + test;
        int i = 0;
        while (i < kLookAhead && key[i] == other[i]) ++i;
        // A tie goes to the node met later on the path.
        if (i >= matchLength_) {
            matchLength_ = i;
            matchPosition_ = test;
        }
        if (i >= kLookAhead) {
            ReplaceNode(test, position);
            return;
        }
        std::int32_t& child = key[i] >= other[i] ? larger_[test] : smaller_[test];
        if (child == -1) {
            child = position;
            parent_[position] = test;
            return;
        }
        test = child;
    }
}

void LzssEncoder::DeleteNode(int node) {
    if (parent_[node] == -1) return;
    int replacement;
    if (larger_[node] == -1) {
        replacement = smaller_[node];
    } else if (smaller_[node] == -1) {
        replacement = larger_[node];
    } else {
        replacement = smaller_[node];
        while (larger_[replacement] != -1) replacement = larger_[replacement];
        DeleteNode(replacement);  // it has no larger child: its smaller one moves up
        smaller_[replacement] = smaller_[node];
        larger_[replacement] = larger_[node];
        if (smaller_[replacement] != -1) parent_[smaller_[replacement]] = replacement;
        parent_[larger_[replacement]] = replacement;
    }
    const int p = parent_[node];
    if (replacement != -1) parent_[replacement] = p;
    if (larger_[p] == node)
        larger_[p] = replacement;
    else
        smaller_[p] = replacement;
    parent_[node] = -1;
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

    std::fill(std::begin(parent_), std::end(parent_), -1);
    std::fill(std::begin(smaller_), std::end(smaller_), -1);
    std::fill(std::begin(larger_), std::end(larger_), -1);
    larger_[kRoot] = 0;
    parent_[0] = kRoot;

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
    std::int16_t left = -1, right = -1, parent = -1, side = -1;
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
        t[s].left = t[s].right = -1;
        int node = t[kRootSlot].left;
        if (node == -1) {
            Attach(s, kRootSlot, 0);
            return {0, -1};
        }
        int best = 2, bestSlot = -1;
        const std::uint8_t* key = in_ + p;
        const int maxK = static_cast<int>(std::min<std::int64_t>(kLongest, n_ - p));
        for (;;) {
            int d = s - node;
            if (d <= 0) d += kSlots;
            const std::uint8_t* other = key - d;
            int k = 0;
            while (k < maxK && key[k] == other[k]) ++k;
            if (k == kLongest) {
                TakePlace(s, node);
                return {kLongest, node};
            }
            if (k > best) {  // a tie keeps the node met first
                best = k;
                bestSlot = node;
            }
            // A string cut by the end of the input sorts as the smaller one.
            const bool smaller = k == maxK || key[k] < other[k];
            const int sideToGo = (smaller != kMirrored) ? 0 : 1;
            const int child = sideToGo == 0 ? t[node].left : t[node].right;
            if (child == -1) {
                Attach(s, node, sideToGo);
                return {best, bestSlot};
            }
            node = child;
        }
    }

private:
    void SetChild(int parent, int side, int child) {
        if (side == 0)
            slots_[parent].left = static_cast<std::int16_t>(child);
        else
            slots_[parent].right = static_cast<std::int16_t>(child);
    }

    void Attach(int s, int parent, int side) {
        SetChild(parent, side, s);
        slots_[s].parent = static_cast<std::int16_t>(parent);
        slots_[s].side = static_cast<std::int16_t>(side);
    }

    // s takes node's place (same parent, side and children); node leaves.
    void TakePlace(int s, int node) {
        Slot* t = slots_.get();
        t[s] = t[node];
        if (t[s].left != -1) t[t[s].left].parent = static_cast<std::int16_t>(s);
        if (t[s].right != -1) t[t[s].right].parent = static_cast<std::int16_t>(s);
        SetChild(t[s].parent, t[s].side, s);
        t[node].parent = -1;
    }

    void Remove(int s) {
        Slot* t = slots_.get();
        const int l = t[s].left, r = t[s].right;
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
                const int further = kMirrored ? t[m].left : t[m].right;
                if (further == -1) break;
                m = further;
            }
            const int inner = kMirrored ? t[m].right : t[m].left;
            SetChild(t[m].parent, t[m].side, inner);
            if (inner != -1) {
                t[inner].parent = t[m].parent;
                t[inner].side = t[m].side;
            }
            t[m].left = t[s].left;
            t[m].right = t[s].right;
            t[m].parent = t[s].parent;
            t[m].side = t[s].side;
            if (t[m].left != -1) t[t[m].left].parent = static_cast<std::int16_t>(m);
            if (t[m].right != -1) t[t[m].right].parent = static_cast<std::int16_t>(m);
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
