#include "codec/optimal_parse.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "codec/lz.h"
#include "codec/pick.h"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace codec {

namespace {

constexpr std::int32_t kNil = -1;
// Node slots are input positions modulo a power of two above the window
// (4096 positions plus the one being inserted), so no two live positions
// share a slot. Links hold positions, not slots: a link to a position that
// has left the window reads as none, whatever now uses its slot.
constexpr std::int32_t kSlots = 8192;
constexpr std::int32_t kSlotMask = kSlots - 1;
// The match position the match finder reports for a match of two bytes
// whose source it leaves to PairSource (distance 0 in its results).
constexpr std::int32_t kPairSource = std::numeric_limits<std::int32_t>::max();

// The number of equal leading bytes of a and b below limit (at most 18),
// knowing that the first `from` are equal. Both hold at least limit readable
// bytes, and with wide at least 32, which are compared a word at a time.
inline int CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, int from, int limit, bool wide) {
    static_assert(std::endian::native == std::endian::little);
    if (wide) {
        for (int k = from;; k += 8) {
            std::uint64_t x, y;
            std::memcpy(&x, a + k, 8);
            std::memcpy(&y, b + k, 8);
            if (x != y) return std::min(limit, k + std::countr_zero(x ^ y) / 8);
            if (k + 8 >= limit) return limit;
        }
    }
    int k = from;
    for (; k + 8 <= limit; k += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + k, 8);
        std::memcpy(&y, b + k, 8);
        if (x != y) {
            const std::uint64_t d = x ^ y;  // the first differing byte in memory order
            return k + std::countr_zero(d) / 8;
        }
    }
    while (k < limit && a[k] == b[k]) ++k;
    return k;
}

// The first two bytes of the string at p, as an index of 65536 values.
inline std::size_t PairKey(const std::uint8_t* data, std::int32_t p) {
    return static_cast<std::size_t>(data[p]) << 8 | data[p + 1];
}

// Finds the longest match at every position with binary search trees over
// the strings (at most maxLength bytes, fewer near the end of the input)
// that start in the window, ordered lexicographically with a proper prefix
// first. Each tree is also ordered by age, newest at the top: a new position
// becomes the root, and the walk that finds its place splits the old tree
// into the strings before and after it. So positions that left the window
// are exactly the subtrees below the first link to one, which reads as none,
// and nothing is ever deleted; and runs of sorted strings, common in tables,
// give shallow trees. Strings equal over maxLength bytes keep one node, the
// newest; a chain from the oldest equal position in the window to the
// newest gives the farthest of them.
//
// The match reported is set by the window's strings alone, not by the
// trees' shapes: the longest match L of a new string is with a neighbour in
// the order (the nearest string before it or after it), both neighbours lie
// on the walk, older nodes lie deeper, and the walk keeps the last of the
// longest it meets: so it reports the older of the two neighbours that share
// L bytes (or the oldest equal string). Hence a tree may hold any set of
// first kKeyBytes bytes: the strings sharing that many or more bytes with
// the new one are all in its tree and stay neighbours there. Trees by the
// first three bytes (a hash picks the tree) are smaller and their walks
// shorter. With them, a match of two bytes only (type 1) is known by the
// newest position of each first two bytes (kPairs), and its source is left
// to the pass after the parse (kPairSource), which looks for it only where
// the parse takes it (PairSource). That pays off unless the data is close
// to random (PairsPayOff); there type 1 keeps a tree per first two bytes.
// The tables of the match finder and of PairChains, kept between encodings
// (see Workspace).
struct Tables {
    std::vector<std::array<std::int32_t, 2>> children;
    std::vector<std::int32_t> oldestEqual, newerEqual, trees, pairNewest;
    std::vector<std::int32_t> chainHead, chainPrevious;
    std::vector<std::int32_t> pairStart, pairPositions;
};

template <int kKeyBytes, bool kPairs>
class MatchFinder {
public:
    MatchFinder(std::span<const std::uint8_t> input, int maxLength, Tables& tables)
        : data_(input.data()), size_(static_cast<std::int64_t>(input.size())), maxLength_(maxLength),
          rootShift_(32 - RootBits(input.size())), children_(tables.children), oldestEqual_(tables.oldestEqual),
          newerEqual_(tables.newerEqual), trees_(tables.trees), pairNewest_(tables.pairNewest) {
        children_.assign(kSlots, {});
        oldestEqual_.assign(kSlots, 0);
        newerEqual_.assign(kSlots, 0);
        trees_.assign(std::size_t{1} << RootBits(input.size()), kNone);
        if (kPairs) pairNewest_.assign(65536, kNone);
    }

    struct Match {
        int length = 0;
        std::int32_t position = kNone;
    };

    // Inserts position p (after every earlier position; p + 2 <= input size)
    // and returns its longest match that starts 1..4096 bytes before it
    // (length 0 when none of at least kKeyBytes bytes, or two with pairs).
    // Of equally long matches it reports the one described above; a match
    // of two bytes with pairs is reported at kPairSource.
    Match Insert(std::int32_t p) {
        const int limit = static_cast<int>(std::min<std::int64_t>(maxLength_, size_ - p));
        if (limit < kKeyBytes) return FindPair(p);  // no later position looks for it
        // The root of a tree a few positions on, read from a table larger
        // than the first-level cache, is asked for ahead of its use.
        if (p + 5 + kKeyBytes <= size_) __builtin_prefetch(&trees_[Tree(data_ + p + 4)], 1);
        std::int32_t& root = trees_[Tree(data_ + p)];
        const std::int32_t top = root;
        root = p;
        oldestEqual_[slot(p)] = p;
        Match match = p + 32 <= size_ ? Walk<true>(p, top, limit) : Walk<false>(p, top, limit);
        if (match.length < kKeyBytes) match = FindPair(p);  // strings of another tree only
        if (kPairs) AddPair(p);
        return match;
    }

    // The last position q such that the bytes from p to q + maxLength - 1
    // are all alike (at least p): the strings of p + 1 .. q each equal the
    // one before. p's string must lie wholly in the input.
    std::int32_t RunEnd(std::int32_t p) const {
        const std::uint8_t c = data_[p];
        if (data_[p + 1] != c || p + maxLength_ >= size_ || data_[p + maxLength_] != c) return p;
        std::int64_t end = p + 2;  // the first byte that differs, or the input's end
        while (end < size_ && data_[end] == c) ++end;
        return static_cast<std::int32_t>(std::max<std::int64_t>(p, end - maxLength_));
    }

    // Inserts p + 1 .. last, which RunEnd(p) found in a run after p: each
    // would take the place of the one before at the root of their tree
    // (see Walk) and be reported as that many bytes long and at the oldest
    // equal string in the window. Done without the walks: the chain of
    // equal strings is extended and followed, and the last takes the place
    // of p.
    void InsertRun(std::int32_t p, std::int32_t last, std::uint8_t* lengths, std::uint16_t* distances) {
        std::int32_t oldest = oldestEqual_[slot(p)];
        for (std::int32_t q = p + 1; q <= last; ++q) {
            newerEqual_[slot(q - 1)] = q;
            // From p on, the chain is every position.
            if (oldest >= p) {
                oldest = std::max(oldest, q - kWindowSize);
            } else {
                while (oldest < q - kWindowSize) oldest = newerEqual_[slot(oldest)];
            }
            lengths[q] = static_cast<std::uint8_t>(maxLength_);
            distances[q] = static_cast<std::uint16_t>(q - oldest);
        }
        children_[slot(last)] = children_[slot(p)];
        oldestEqual_[slot(last)] = oldest;
        trees_[Tree(data_ + p)] = last;
        if (kPairs) AddPair(last);
    }

private:
    static constexpr std::int32_t kNone = std::numeric_limits<std::int32_t>::min();  // before every window

    // The walk of Insert from node, the old root of p's tree: p becomes the
    // root. With wide, 32 bytes from p lie in the input.
    template <bool wide>
    Match Walk(std::int32_t p, std::int32_t node, int limit) {
        const std::uint8_t* const data = data_;
        const std::uint8_t* const key = data + p;
        const std::int32_t windowStart = p - kWindowSize;
        const int maxLength = maxLength_;
        std::array<std::int32_t, 2>* const children = children_.data();
        // Where the next node met that sorts before (after) the key hangs:
        // first the new node's own children, then the right (left) child of
        // the last node that went there.
        std::int32_t* hangBefore = &children[slot(p)][0];
        std::int32_t* hangAfter = &children[slot(p)][1];
        // The common prefix of the key with the last nodes that went before
        // and after it: every node below shares the shorter of the two.
        int prefixBefore = 0;
        int prefixAfter = 0;
        Match match;
        while (node >= windowStart) {
            const std::uint8_t* other = data + node;
            int k = std::min(prefixBefore, prefixAfter);
            bool before;  // the node's string sorts before the key
            if (wide) {
                std::uint64_t x, y;
                for (;; k += 8) {
                    std::memcpy(&x, key + k, 8);
                    std::memcpy(&y, other + k, 8);
                    if (x != y || k + 8 >= limit) break;
                }
                // Bytes in memory order: the first difference is the lowest,
                // and with the bytes reversed the words compare as strings.
                k += x != y ? std::countr_zero(x ^ y) / 8 : 8;
                before = k < limit && __builtin_bswap64(y) < __builtin_bswap64(x);
                k = std::min(k, limit);
            } else {
                k = CommonPrefix(key, other, k, limit, false);
                before = k < limit && other[k] < key[k];
            }
            if (k >= match.length) {  // the walk meets older nodes later: farther wins
                match.length = k;
                match.position = node;
            }
            if (k == maxLength) {  // equal strings: p replaces node
                *hangBefore = children[slot(node)][0];
                *hangAfter = children[slot(node)][1];
                std::int32_t oldest = oldestEqual_[slot(node)];
                while (oldest < windowStart) oldest = newerEqual_[slot(oldest)];
                oldestEqual_[slot(p)] = oldest;
                newerEqual_[slot(node)] = p;
                match.position = oldest;
                return match;
            }
            // At k == limit the key ran out first: it is a proper prefix of
            // the node's longer string and sorts before it.
            if (before) {
                *hangBefore = node;
                hangBefore = &children[slot(node)][1];
                node = *hangBefore;
                prefixBefore = k;
            } else {
                *hangAfter = node;
                hangAfter = &children[slot(node)][0];
                node = *hangAfter;
                prefixAfter = k;
            }
        }
        *hangBefore = *hangAfter = kNone;
        return match;
    }

    // 2^16 trees; by a hash, fewer for short inputs (whose tables would cost
    // more to fill than to use).
    static int RootBits(std::size_t size) { return kKeyBytes == 2 || size >= 4096 ? 16 : 10; }
    static std::size_t slot(std::int32_t p) { return static_cast<std::size_t>(p & kSlotMask); }
    static std::uint32_t Trigram(const std::uint8_t* s) {
        return static_cast<std::uint32_t>(s[0]) << 16 | static_cast<std::uint32_t>(s[1]) << 8 | s[2];
    }
    std::size_t Bucket(std::uint32_t trigram) const { return (trigram * 0x9E3779B1u) >> rootShift_; }
    std::size_t Tree(const std::uint8_t* key) const {
        return kKeyBytes == 2 ? PairKey(key, 0) : Bucket(Trigram(key));
    }

    void AddPair(std::int32_t p) { pairNewest_[PairKey(data_, p)] = p; }
    // A match of two bytes, or none (always none without pairs).
    Match FindPair(std::int32_t p) const {
        if (kPairs && pairNewest_[PairKey(data_, p)] >= p - kWindowSize) return {2, kPairSource};
        return {};
    }

    const std::uint8_t* data_;
    std::int64_t size_;
    int maxLength_;
    int rootShift_;
    std::vector<std::array<std::int32_t, 2>>& children_;  // smaller, larger
    std::vector<std::int32_t>& oldestEqual_;               // chains of equal strings
    std::vector<std::int32_t>& newerEqual_;
    std::vector<std::int32_t>& trees_;       // the roots
    std::vector<std::int32_t>& pairNewest_;  // with pairs: by the first two bytes
};

// Whether type 1 pays for trees by the first three bytes and the later
// search for two-byte sources: in text, where nine in ten of the first
// 64 KiB are printable ASCII, tabs or line ends, and in other data whose
// first 64 KiB repeat their pairs of bytes (at most one in four pairs new).
// On data close to random most two-byte matches have no longer one beside
// them, and the trees by two bytes find them at once.
bool PairsPayOff(std::span<const std::uint8_t> input) {
    const std::span<const std::uint8_t> head = input.first(std::min<std::size_t>(input.size(), 65536));
    const auto text = std::count_if(head.begin(), head.end(), [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r';
    });
    if (static_cast<std::size_t>(text) * 10 >= head.size() * 9) return true;
    std::array<std::uint64_t, 1024> seen{};
    std::size_t distinct = 0;
    for (std::size_t i = 0; i + 1 < head.size(); ++i) {
        const std::size_t pair = PairKey(head.data(), static_cast<std::int32_t>(i));
        const std::uint64_t bit = std::uint64_t{1} << (pair & 63);
        distinct += (seen[pair >> 6] & bit) == 0;
        seen[pair >> 6] |= bit;
    }
    return distinct * 4 <= head.size();
}

void CheckType(int type) {
    if (!IsLZType(type)) throw std::invalid_argument("compression type must be 1 or 2");
}

// The working memory of an encoding: the match distance and length of
// every position (3 bytes a byte of input) and the tables. The first touch
// of fresh memory can cost as much as the search in it, so each thread
// keeps its workspace for the next encoding, while its input is no longer
// than kKeptInput, and asks for huge pages for a large one: a fault per
// 2 MiB instead of per 4 KiB.
class Workspace {
public:
    static constexpr std::size_t kKeptInput = std::size_t{4} << 20;

    // Room for the matches of `positions` positions (contents undefined).
    void Reserve(std::size_t positions) {
        if (positions <= positions_) return;
        constexpr std::size_t kHuge = std::size_t{2} << 20;
        const std::size_t align = 3 * positions >= kHuge ? kHuge : 64;
        const std::size_t size = (3 * positions + align - 1) / align * align;
        buffer_.reset();
        positions_ = 0;
        buffer_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(align, size)));
        if (!buffer_) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        if (align == kHuge) ::madvise(buffer_.get(), size, MADV_HUGEPAGE);  // a hint: refused, it changes nothing
#endif
        positions_ = positions;
    }
    std::uint16_t* distances() { return reinterpret_cast<std::uint16_t*>(buffer_.get()); }
    std::uint8_t* lengths() { return buffer_.get() + 2 * positions_; }

    Tables tables;

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> buffer_;
    std::size_t positions_ = 0;
};

// LongestMatches in a workspace's arrays, which are written once, not
// cleared first.
struct Matches {
    std::span<std::uint8_t> lengths;
    std::span<std::uint16_t> distances;
};

// The longest match at every position (FindLongestMatches), but where
// the match finder leaves the source of a match of two bytes to
// PairSource, distance 0.
Matches FindMatches(std::span<const std::uint8_t> input, int type, Workspace& work) {
    CheckType(type);
    // Positions are 32-bit; so are the lengths of the library interface.
    if (input.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::length_error("input longer than 2 GiB");
    }
    const auto n = static_cast<std::int32_t>(input.size());
    const int maxLength = type + 16;
    const int minLength = LengthBias(type);
    work.Reserve(input.size());
    const Matches matches{{work.lengths(), input.size()}, {work.distances(), input.size()}};
    std::uint8_t* const lengths = matches.lengths.data();
    std::uint16_t* const distances = matches.distances.data();
    auto find = [&](auto&& finder) {
        // The last position starts no match of two bytes and is not inserted.
        for (std::int32_t p = 0; p + 1 < n; ++p) {
            const auto [length, position] = finder.Insert(p);
            const bool found = length >= minLength;
            lengths[p] = static_cast<std::uint8_t>(found ? length : 0);
            distances[p] = static_cast<std::uint16_t>(found && position != kPairSource ? p - position : 0);
            // Runs of one byte, common in pictures and tables, skip the walks.
            if (length == maxLength) {
                const std::int32_t last = finder.RunEnd(p);
                if (last > p) {
                    finder.InsertRun(p, last, lengths, distances);
                    p = last;
                }
            }
        }
        if (n > 0) lengths[n - 1] = 0, distances[n - 1] = 0;
    };
    if (minLength == 3) {
        find(MatchFinder<3, false>(input, maxLength, work.tables));
    } else if (PairsPayOff(input)) {
        find(MatchFinder<3, true>(input, maxLength, work.tables));
    } else {
        find(MatchFinder<2, false>(input, maxLength, work.tables));
    }
    return matches;
}

// The earlier positions by their first two bytes: chains, newest first,
// that a pass over the input extends as it goes.
class PairChains {
public:
    PairChains(std::span<const std::uint8_t> input, Tables& tables)
        : data_(input.data()), head_(tables.chainHead), previous_(tables.chainPrevious) {}

    // The newest position below i that starts with i's two bytes (kNil when
    // none), after putting every position below i on its chain; i + 1 must
    // lie in the input, and i never goes down from one call to the next.
    std::int32_t NewestBefore(std::int32_t i) {
        if (!started_) {
            head_.assign(65536, kNil);
            previous_.assign(kSlots, kNil);
            started_ = true;
        }
        chained_ = std::max(chained_, i - kWindowSize);  // older ones are never looked at again
        for (; chained_ < i; ++chained_) {
            previous_[static_cast<std::size_t>(chained_ & kSlotMask)] = head_[PairKey(data_, chained_)];
            head_[PairKey(data_, chained_)] = chained_;
        }
        return head_[PairKey(data_, i)];
    }

    // The next older position on c's chain: kNil, or one below c that may
    // have left the window. c must lie less than kSlots below the last i
    // asked for.
    std::int32_t Older(std::int32_t c) const { return previous_[static_cast<std::size_t>(c & kSlotMask)]; }

private:
    const std::uint8_t* data_;
    std::vector<std::int32_t>& head_;
    std::vector<std::int32_t>& previous_;
    bool started_ = false;
    std::int32_t chained_ = 0;  // positions below this are on the chains
};

// Every position p with p + 1 in the input, sorted by its first two bytes
// and then by p: the pair chains laid out flat.
class PairIndex {
public:
    PairIndex(std::span<const std::uint8_t> input, Tables& tables)
        : input_(input), start_(tables.pairStart), positions_(tables.pairPositions) {}

    bool Built() const { return built_; }

    void Build() {
        const std::uint8_t* data = input_.data();
        const auto last = static_cast<std::int32_t>(input_.size()) - 1;  // positions below it have two bytes
        start_.assign(65537, 0);
        for (std::int32_t p = 0; p < last; ++p) ++start_[PairKey(data, p) + 1];
        for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
        positions_.resize(static_cast<std::size_t>(std::max(last, 0)));
        // start_[k] runs ahead as key k's positions go in, ending at k + 1's start.
        for (std::int32_t p = 0; p < last; ++p) positions_[static_cast<std::size_t>(start_[PairKey(data, p)]++)] = p;
        for (std::size_t k = start_.size() - 1; k > 0; --k) start_[k] = start_[k - 1];
        start_[0] = 0;
        found_.assign(std::size_t{1} << kFoundBits, {});
        built_ = true;
    }

    // Among the `steps` newest positions below i that start with i's two
    // bytes and lie at or above `stop`, the oldest one at most `newest`
    // whose first `length` bytes are i's (kNil when none): what a walk of
    // i's chain for that many links keeps as the last match. Calls come
    // with i going up, and the run of candidates of a string only moves
    // up with it: the match last found for the same string stays the
    // oldest while it lies in the run.
    std::int32_t OldestMatch(std::int32_t i, int length, int steps, std::int32_t stop, std::int32_t newest) {
        const std::uint8_t* data = input_.data();
        const std::size_t key = PairKey(data, i);
        const std::int32_t* const all = positions_.data();
        const std::int32_t* const first = all + start_[key];
        const std::int32_t* const self = std::lower_bound(first, all + start_[key + 1], i);
        const std::int32_t* c = std::lower_bound(self - first > steps ? self - steps : first, self, stop);
        const bool wide = static_cast<std::int64_t>(i) + 32 <= static_cast<std::int64_t>(input_.size());
        Found& last = found_[Hash(data + i, length)];
        if (last.length == length && c != self && last.position >= *c &&
            CommonPrefix(data + last.position, data + i, 0, length, wide) >= length) {
            return last.position;
        }
        for (; c != self && *c <= newest; ++c) {
            if (CommonPrefix(data + *c, data + i, 2, length, wide) >= length) {
                last = {*c, length};
                return *c;
            }
        }
        return kNil;
    }

private:
    static std::size_t Hash(const std::uint8_t* s, int length) {
        std::uint32_t h = static_cast<std::uint32_t>(length);
        for (int k = 0; k < length; ++k) h = (h ^ s[k]) * 0x01000193u;
        return h >> (32 - kFoundBits);
    }

    struct Found {
        std::int32_t position = kNil;
        int length = 0;
    };
    static constexpr int kFoundBits = 12;

    std::span<const std::uint8_t> input_;
    std::vector<std::int32_t>& start_;
    std::vector<std::int32_t>& positions_;
    bool built_ = false;
    std::vector<Found> found_;  // the last match found for a string, by a hash of it
};

// The order of the strings at a and b (at most maxLength bytes, fewer near
// the end of the input, a proper prefix first): below, at or above 0.
int CompareStrings(std::span<const std::uint8_t> input, int maxLength, std::int32_t a, std::int32_t b) {
    const auto n = static_cast<std::int64_t>(input.size());
    const int lengthA = static_cast<int>(std::min<std::int64_t>(maxLength, n - a));
    const int lengthB = static_cast<int>(std::min<std::int64_t>(maxLength, n - b));
    const int shorter = std::min(lengthA, lengthB);
    const bool wide = std::max(a, b) + 32 <= n;
    const int k = CommonPrefix(input.data() + a, input.data() + b, 0, shorter, wide);
    if (k < shorter) return input[static_cast<std::size_t>(a + k)] < input[static_cast<std::size_t>(b + k)] ? -1 : 1;
    return lengthA - lengthB;
}

// The source of a match of two bytes at i that no string in the window
// extends to three, as the match finder defines it: the older of the
// nearest strings before and after i's in order, among those in the window
// that start with its two bytes (each string at its newest position).
std::int32_t PairSource(std::span<const std::uint8_t> input, int maxLength, PairChains& chains, std::int32_t i) {
    const std::int32_t stop = std::max(i - kWindowSize, 0);  // kNil lies below
    std::int32_t below = kNil;
    std::int32_t above = kNil;
    std::int32_t c = chains.NewestBefore(i);
    // Newest first: on equal strings the one kept stays.
    if (static_cast<std::size_t>(i) + 32 <= input.size()) {
        // Every string here is maxLength long; with their bytes reversed
        // words compare as the strings do. The first word decides the side.
        auto word = [&input](std::int32_t at, int w) {
            std::uint64_t x;
            std::memcpy(&x, input.data() + at + 8 * w, 8);
            return __builtin_bswap64(x);
        };
        const std::uint64_t tail = ~std::uint64_t{0} << (8 * (24 - maxLength));
        // a's string after b's, where their first words are equal.
        auto later = [&](std::int32_t a, std::int32_t b) {
            const std::uint64_t x = word(a, 1), y = word(b, 1);
            return x != y ? x > y : (word(a, 2) & tail) > (word(b, 2) & tail);
        };
        const std::uint64_t key = word(i, 0);
        // The first words of the kept ones; none kept: the lowest and the
        // highest word, which any other beats.
        std::uint64_t belowWord = 0, aboveWord = ~std::uint64_t{0};
        for (; c >= stop; c = chains.Older(c)) {
            const std::uint64_t first = word(c, 0);
            // The side goes either way at random: it and the choice are made
            // by conditional moves, but for a tie with the kept one's word.
            const bool before = first < key;
            const std::uint64_t kept = PickIf(before, belowWord, aboveWord);
            if (first == kept) [[unlikely]] {
                if (before) {
                    if (below == kNil || later(c, below)) below = c;
                } else if (above == kNil || later(above, c)) {
                    above = c;
                }
                continue;
            }
            const bool better = (first > kept) == before;  // the words differ here
            below = PickIf(before && better, c, below);
            belowWord = PickIf(before && better, first, belowWord);
            above = PickIf(!before && better, c, above);
            aboveWord = PickIf(!before && better, first, aboveWord);
        }
    } else {
        // All of them differ from i's string in the third byte, if i has one.
        const bool hasThird = static_cast<std::size_t>(i) + 2 < input.size();
        for (; c >= stop; c = chains.Older(c)) {
            if (hasThird && input[static_cast<std::size_t>(c + 2)] < input[static_cast<std::size_t>(i + 2)]) {
                if (below == kNil || CompareStrings(input, maxLength, c, below) > 0) below = c;
            } else if (above == kNil || CompareStrings(input, maxLength, c, above) < 0) {
                above = c;
            }
        }
    }
    return below == kNil ? above : above == kNil ? below : std::min(below, above);
}

}  // namespace

LongestMatches FindLongestMatches(std::span<const std::uint8_t> input, int type) {
    Workspace work;
    const Matches found = FindMatches(input, type, work);
    LongestMatches matches{{found.lengths.begin(), found.lengths.end()},
                           {found.distances.begin(), found.distances.end()}};
    PairChains chains(input, work.tables);
    for (std::size_t p = 0; p < input.size(); ++p) {
        if (matches.length[p] != 0 && matches.distance[p] == 0) {
            const auto i = static_cast<std::int32_t>(p);
            matches.distance[p] = static_cast<std::uint16_t>(i - PairSource(input, type + 16, chains, i));
        }
    }
    return matches;
}

namespace {

// Replaces each longest match length in `steps` by the length of the item an
// optimal parse takes there (1 for a literal). cost[i] is the fewest bits that
// encode input[i..n), kept for the positions an item from i can reach. Every
// prefix of a match is a match, so from i a reference may take any length
// from the minimum to the longest match there: it ends at the position j in
// [i + minLength, i + longest] with the least cost[j], the last of them on
// equal cost (the longest item wins: fewer items decode faster), and wins
// over a literal on equal cost.
// Every suffix of a match is a match too, which bounds how much cost can
// rise from j to a later k. Where an optimal parse from j has an item
// boundary at k, cost[k] <= cost[j]; else k lies inside one of its
// references, [s, e) at 17 bits, and from k a reference of the same
// distance reaches e for 17 bits too, or, when fewer than minLength bytes
// are left, minLength - 1 literals at most do for 9 bits each: so cost[k]
// <= cost[j] + 9 (minLength - 1) - 17. For type 1 cost never rises: the
// longest reference is always the best. For type 2 it rises by 1 bit at
// most: the best end is the last position before i + longest whose cost is
// below the cost there, else i + longest.
template <int minLength>
void ChooseSteps(std::span<std::uint8_t> steps) {
    constexpr std::uint64_t kLiteralBits = 9;
    constexpr std::uint64_t kReferenceBits = 17;
    constexpr std::size_t kReach = 32;  // above the longest item
    std::uint64_t cost[kReach];
    auto costAt = [&cost](std::size_t j) -> std::uint64_t& { return cost[j % kReach]; };
    const std::size_t n = steps.size();
    constexpr bool mayRise = minLength > 2;
    costAt(n) = 0;
    std::uint64_t next = 0;  // cost[i + 1]
    // Bit k: cost[i + 1 + k] < cost[i + 2 + k]. A position cheaper than a
    // later one lies before a rise.
    std::uint64_t rises = 0;
    for (std::size_t i = n; i-- > 0;) {
        const std::uint64_t literal = kLiteralBits + next;
        const std::size_t longest = steps[i];
        std::uint64_t best = literal;
        if (longest < static_cast<std::size_t>(minLength)) {
            steps[i] = 1;
        } else {
            const std::size_t first = i + static_cast<std::size_t>(minLength);
            std::size_t end = i + longest;
            std::uint64_t endCost = costAt(end);
            // Rises between first and end (bits minLength - 1 to longest - 2).
            const std::uint64_t between = (std::uint64_t{1} << (longest - 1)) - (std::uint64_t{1} << (minLength - 1));
            if (mayRise && (rises & between) != 0) {
                for (std::size_t j = end; j-- > first;) {
                    if (costAt(j) < endCost) {
                        end = j;
                        endCost = costAt(j);
                        break;
                    }
                }
            }
            const std::uint64_t reference = kReferenceBits + endCost;
            if (reference <= literal) best = reference;
            steps[i] = static_cast<std::uint8_t>(reference <= literal ? end - i : 1);
        }
        if (mayRise) rises = rises << 1 | (best < next);
        costAt(i) = next = best;
    }
}

// Gives each reference its source: the match finder's, or PairSource's
// where it left it. A reference shorter than its distance's 16 bytes or so
// makes decoders copy overlapping bytes one at a time. Where the same bytes
// also lie 16 or more bytes back, the reference takes the farthest such
// source the search meets: the stream keeps its size and decodes faster.
// The search walks the chain of i's first two bytes to the end of the
// window or for at most kSteps links. Returns the size of the stream.
std::size_t ChooseSources(std::span<const std::uint8_t> input, int type, std::span<const std::uint8_t> step,
                          std::span<std::uint16_t> distance, Tables& tables) {
    constexpr int kSlowDistance = 16;
    constexpr int kSteps = 1024;
    const auto n = static_cast<std::int32_t>(input.size());
    const std::uint8_t* data = input.data();
    PairChains chains(input, tables);
    // Once the walks have cost about as much as sorting the positions by
    // their first two bytes, the rest of the search uses the sorted lists:
    // the links a walk would visit are a run of i's list, which is scanned
    // oldest first up to the first match.
    PairIndex index(input, tables);
    std::int64_t walked = 0;
    std::size_t items = 0;
    std::size_t bytes = 0;
    for (std::int32_t i = 0; i < n; i += step[static_cast<std::size_t>(i)]) {
        const int length = step[static_cast<std::size_t>(i)];
        ++items;
        bytes += length == 1 ? 1 : 2;
        if (length == 1) continue;
        std::uint16_t& source = distance[static_cast<std::size_t>(i)];
        if (source == 0) source = static_cast<std::uint16_t>(i - PairSource(input, type + 16, chains, i));
        if (source >= kSlowDistance) continue;
        const std::int32_t stop = std::max(i - kWindowSize, 0);  // kNil lies below
        if (!index.Built() && walked > n) index.Build();
        if (index.Built()) {
            const std::int32_t found = index.OldestMatch(i, length, kSteps, stop, i - kSlowDistance);
            if (found != kNil) source = static_cast<std::uint16_t>(i - found);
            continue;
        }
        std::int32_t farthest = kNil;
        int steps = 0;
        const std::int32_t first = chains.NewestBefore(i);  // a reference at i leaves i + 1 < n
        auto next = [&](std::int32_t c) { return chains.Older(c); };
        if (i + 32 <= n) {  // the first length bytes compared as words, without branches
            std::uint64_t want[3], mask[3];
            for (int w = 0; w < 3; ++w) {
                std::memcpy(&want[w], data + i + 8 * w, 8);
                const int compared = std::clamp(length - 8 * w, 0, 8);
                mask[w] = compared == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * compared)) - 1;
            }
            auto walk = [&](auto words) {
                for (std::int32_t c = first; c >= stop && steps < kSteps; c = next(c), ++steps) {
                    std::uint64_t differ = 0;
                    for (int w = 0; w < decltype(words)::value; ++w) {
                        std::uint64_t x;
                        std::memcpy(&x, data + c + 8 * w, 8);
                        differ |= (x ^ want[w]) & mask[w];
                    }
                    farthest = differ == 0 && i - c >= kSlowDistance ? c : farthest;
                }
            };
            if (length <= 8) {
                walk(std::integral_constant<int, 1>{});
            } else {
                walk(std::integral_constant<int, 3>{});
            }
        } else {
            for (std::int32_t c = first; c >= stop && steps < kSteps; c = next(c), ++steps) {
                if (i - c >= kSlowDistance && CommonPrefix(data + c, data + i, 0, length, false) == length) farthest = c;
            }
        }
        if (farthest != kNil) source = static_cast<std::uint16_t>(i - farthest);
        walked += steps;
    }
    return bytes + (items + 7) / 8;
}

// The items of the optimal parse (steps and distances as CompressOptimal
// leaves them) and the size of their stream.
struct Parse {
    Matches items;
    std::size_t size = 0;
};

Parse ParseOptimal(std::span<const std::uint8_t> input, int type, Workspace& work) {
    Parse parse{FindMatches(input, type, work)};  // checks type first
    const std::span<std::uint8_t> step = parse.items.lengths;
    if (type == 1) {
        ChooseSteps<LengthBias(1)>(step);
    } else {
        ChooseSteps<LengthBias(2)>(step);
    }
    parse.size = ChooseSources(input, type, step, parse.items.distances, work.tables);
    return parse;
}

void WriteStream(std::span<const std::uint8_t> input, const Parse& parse, int type, std::uint8_t* out) {
    const std::size_t n = input.size();
    const std::span<const std::uint8_t> step = parse.items.lengths;
    std::uint8_t* flags = out;
    int items = 8;
    for (std::size_t i = 0; i < n;) {
        if (items == 8) {
            flags = out++;
            *flags = 0;
            items = 0;
        }
        const int length = step[i];
        if (length == 1) {
            *flags = static_cast<std::uint8_t>(*flags | (1u << items));
            *out++ = input[i];
        } else {
            const unsigned word = (static_cast<unsigned>(parse.items.distances[i] - 1) << 4) |
                                  static_cast<unsigned>(length - LengthBias(type));
            *out++ = static_cast<std::uint8_t>(word & 0xFF);
            *out++ = static_cast<std::uint8_t>(word >> 8);
        }
        ++items;
        i += static_cast<std::size_t>(length);
    }
}

// Parses input in this thread's workspace and writes the stream where
// place(size) says (nowhere when it gives nullptr); returns the size.
template <class Place>
std::size_t Encode(std::span<const std::uint8_t> input, int type, Place place) {
    thread_local Workspace kept;
    Workspace fresh;
    Workspace& work = input.size() <= Workspace::kKeptInput ? kept : fresh;
    const Parse parse = ParseOptimal(input, type, work);
    if (std::uint8_t* out = place(parse.size)) WriteStream(input, parse, type, out);
    return parse.size;
}

}  // namespace

std::vector<std::uint8_t> CompressOptimal(std::span<const std::uint8_t> input, int type) {
    std::vector<std::uint8_t> out;
    Encode(input, type, [&](std::size_t size) {
        out.resize(size);
        return out.data();
    });
    return out;
}

std::int64_t CompressOptimal(std::span<const std::uint8_t> input, int type, std::span<std::uint8_t> output) {
    bool fits = true;
    const std::size_t size = Encode(input, type, [&](std::size_t needed) {
        fits = needed <= output.size();
        return fits ? output.data() : nullptr;
    });
    return fits ? static_cast<std::int64_t>(size) : -1;
}

}  // namespace codec
