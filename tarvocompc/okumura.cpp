// The tree encoder of TarvoCompC in the manner of Okumura's LZSS program: a
// 4096-byte ring preset with spaces, 256 binary search trees (one per first
// byte) of the ring positions, greedy parsing, driven by `CompressHOLZSS`
// over the library's current file pair. It writes the type 1 / type 2
// streams of codec/lz.h: distances instead of ring positions, and candidates
// in the space-filled part of the ring refused (the buffer decoders have no
// spaces before the data). Every result, the tie rules of each type
// included, is fixed by streams already written with it.
//
// All state is library-wide, as the building blocks `InitTree`,
// `InsertNode`, `InsertNode2` and `DeleteNode` are exported and share it:
// calls must not overlap.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codec/export.h"
#include "codec/lz_encode.h"
#include "codec/neighbours.h"
#include "codec/pick.h"
#include "tarvocompc/file_pair.h"

namespace tarvocompc {

namespace {

constexpr int N = 4096;  // ring size
constexpr int NIL = N;   // no node

// Node numbers fit 16 bits: the links of all nodes take half the room, so
// more of them stay in the first-level cache.
using Node = std::uint16_t;

template <std::size_t Size>
constexpr std::array<Node, Size> Filled(Node value) {
    std::array<Node, Size> a{};
    for (auto& x : a) x = value;
    return a;
}

// The rings of the two types, each with the mirror of its first F - 1 bytes
// behind it, so that a string starting near the end compares without wrap.
std::uint8_t ring1[N + 17 - 1];
std::uint8_t ring2[N + 18 - 1];

// Shared by both types. child[x][0] is x's left (smaller) child, child[x][1]
// its right (larger) one, side by side, so that the link to change is picked
// by index, not by branch. Entries N + 1 .. N + 256 are the roots of the 256
// trees, whose first nodes hang on their right; parent[N] and the children of
// N absorb the writes that relink a missing child. Preset as InitTree leaves
// them, so that the exported building blocks are safe even before the first
// InitTree.
std::array<Node, N + 1> parent = Filled<N + 1>(NIL);
std::array<std::array<Node, 2>, N + 257> child = [] {
    std::array<std::array<Node, 2>, N + 257> links{};
    for (auto& x : links) x = {NIL, NIL};
    return links;
}();

// Per node: the nodes before and after it in its tree's order (NIL: none).
// Entry NIL absorbs the writes for a missing neighbour, so that those need
// no branch.
std::array<Node, N + 1> before = Filled<N + 1>(NIL);
std::array<Node, N + 1> after = Filled<N + 1>(NIL);

int matchPosition = 0;
int matchLength = 0;
long textSize = 0;  // input bytes read so far
// The previous insertion's neighbour that shares the most with it (of two,
// the deeper), whose successor the next string often falls next to.
int nearPosition = 0;
int nearLength = 0;
// Whether that insertion's string lies after nearPosition's in the order
// (when they differ: nearLength < F).
bool nearAfter = false;

// For each first two bytes, the highest node whose string starts with them
// (NIL: none), kept by the encoder while it pays (`indexed`). The nodes of
// those two bytes are neighbours in their tree's order and lie below that
// node, and so does the place of a new string that starts with them: its
// walk starts there, as the nodes above share only the first byte with it
// and can neither be its match nor change its place. The building blocks of
// direct callers neither keep nor use it.
std::array<Node, 1 << 16> top;
codec::PrefixBits present;  // the first two bytes that some node has
bool indexed = false;

// Keeping the index costs about as much per input byte as five levels of
// walks, and it saves the levels above those highest nodes: in text one or
// two per byte, in data whose strings share their first bytes (as samples
// of 16 bits do) a dozen. So the encoder counts those levels over every
// stretch of kStretch input bytes, and keeps the index over the next
// stretch when they were more than kIndexOn per byte, or, once kept, not
// fewer than kIndexOff. They are estimated as the items of the stretch
// (each of which walks, unless it falls beside the previous match) times
// the levels above the strings of the last positions, found by a climb to
// the root from kSample of them: the nodes above each that have other first
// two bytes.
constexpr long kStretch = 16384;
constexpr long kIndexOn = 6, kIndexOff = 4;
constexpr int kSample = 64;
long items = 0;         // in the current stretch
long stretchStart = 0;  // its first input byte

struct Variant {
    std::uint8_t* ring;
    int F;                  // look-ahead size = longest copy
    int threshold;          // matches this long or shorter go out as literals
    bool laterNodeWinsTie;  // type 1: a later node on the path wins a tie
};

constexpr Variant kType1{ring1, 17, 1, true};
constexpr Variant kType2{ring2, 18, 2, false};

// A candidate at ring position p matching i bytes is usable when it lies in
// ring bytes that already hold input: before 4096 bytes are read, part of
// the ring still holds the space fill, and (p + F) mod N is the input index
// that position p holds.
bool Accepted(int p, int i, int F) {
    return textSize >= N || (((p + F) & (N - 1)) <= textSize && ((p + i + F) & (N - 1)) <= textSize);
}

// The encoder's steps are built once per type, with the type's constants
// (template on the Variant), and forced inline into its loop.

// Puts node between two neighbours of its tree's order.
[[gnu::always_inline]] inline void Link(int node, int previous, int next) {
    before[node] = previous;
    after[node] = next;
    after[previous] = node;
    before[next] = node;
}

// Of two neighbours in a tree's order, one lies above the other, and the
// deeper has no child towards the other: whether that is the one before
// (false for NIL, whose larger link is scratch).
[[gnu::always_inline]] inline bool BeforeIsDeeper(int previous) {
    return (previous != NIL) & (child[previous][1] == NIL);
}

// Hangs the new node r below p (a node, or the root of a tree).
[[gnu::always_inline]] inline void Hang(int r, int p, bool larger) {
    child[p][larger] = r;
    parent[r] = p;
    if (p > N) {
        Link(r, NIL, NIL);
    } else {
        // Picked by conditional moves: the side goes either way at random.
        const int previous = codec::PickIf<int>(larger, p, before[p]);
        const int next = codec::PickIf<int>(larger, after[p], p);
        Link(r, previous, next);
    }
}

// Points the link that holds p at q instead.
[[gnu::always_inline]] inline void SetChildOfParent(int p, int q) {
    auto& links = child[parent[p]];
    links[links[1] == p] = static_cast<Node>(q);
}

// The new node r takes p's place (p's string equals r's): same parent,
// children and neighbours; p leaves the tree.
[[gnu::always_inline]] inline void TakePlace(int r, int p) {
    parent[r] = parent[p];
    child[r] = child[p];
    parent[child[p][0]] = r;
    parent[child[p][1]] = r;
    SetChildOfParent(p, r);
    parent[p] = NIL;
    Link(r, before[p], after[p]);
}

[[gnu::always_inline]] inline void DeleteNodeChecked(int p) {
    if (p < 0 || p >= N || parent[p] == NIL) return;
    using codec::PickIf;
    const int smaller = child[p][0], larger = child[p][1];
    // With two children, the predecessor (the last of the larger links
    // below the smaller child) takes p's place; with one, that child; with
    // none, NIL. Either case is as likely, so both are taken by the same
    // steps, those that only the first needs writing to node N otherwise.
    const bool two = (smaller != NIL) & (larger != NIL);
    const int q = PickIf<int>(two, before[p], PickIf<int>(smaller == NIL, larger, smaller));
    // Unless q is p's smaller child itself, q's smaller child first takes
    // q's place.
    const int qSmaller = child[q][0], qParent = parent[q];
    const bool inner = two & (q != smaller);
    child[PickIf<int>(inner, qParent, N)][1] = static_cast<Node>(qSmaller);
    parent[PickIf<int>(inner, qSmaller, N)] = static_cast<Node>(qParent);
    // q takes p's children.
    const int moved = PickIf<int>(two, q, N);
    child[moved][0] = static_cast<Node>(PickIf<int>(inner, smaller, qSmaller));
    parent[PickIf<int>(two, smaller, N)] = static_cast<Node>(q);  // when q is smaller, set again below
    child[moved][1] = static_cast<Node>(larger);
    parent[PickIf<int>(two, larger, N)] = static_cast<Node>(q);
    parent[q] = parent[p];
    SetChildOfParent(p, q);
    parent[p] = NIL;
    after[before[p]] = after[p];
    before[after[p]] = before[p];
}

inline std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    static_assert(std::endian::native == std::endian::little);
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// Compares bytes 1 .. F - 1 of key and other (the first byte chose the
// tree): returns the index of the first difference, F when there is none, and
// sets cmp to its sign (0 when equal). Read as big-endian words, one unsigned
// comparison gives the order and the leading zero bits the index. Both
// strings lie in a ring with its mirror: F bytes from them are readable.
[[gnu::always_inline]] inline int CompareTail(const std::uint8_t* key, const std::uint8_t* other, int F, int& cmp) {
    std::uint64_t a = LoadBigEndian64(key + 1), b = LoadBigEndian64(other + 1);
    int from = 1;
    if (a == b) {
        a = LoadBigEndian64(key + 9);
        b = LoadBigEndian64(other + 9);
        from = 9;
        if (a == b) {
            if (F == 17 || key[17] == other[17]) {
                cmp = 0;
                return F;
            }
            cmp = key[17] > other[17] ? 1 : -1;
            return 17;
        }
    }
    cmp = a > b ? 1 : -1;
    return from + codec::EqualLeadingBytes(a, b);
}

template <const Variant& v>
unsigned PrefixOf(int node) {
    return codec::FirstTwoBytes(v.ring + node);
}

// The tree as the upkeep of the index of first two bytes sees it (see
// codec::UnindexNode).
template <const Variant& v>
struct TreeView {
    static constexpr Node none = NIL;
    unsigned PrefixOf(Node x) const { return tarvocompc::PrefixOf<v>(x); }
    Node Child(Node x, int side) const { return child[x][side]; }
    Node Neighbour(Node x, int side) const { return side == 0 ? before[x] : after[x]; }
    Node& Top(unsigned prefix) const { return top[prefix]; }
    void Unmark(unsigned prefix) const { present.Mark(prefix, false); }
};

// Keeps top right for the deletion of node, before the tree changes: with
// two children, the predecessor takes its place.
template <const Variant& v>
[[gnu::always_inline]] inline void UnindexNode(int node) {
    TreeView<v> tree;
    codec::UnindexNode(static_cast<Node>(node), tree);
}

// After r's insertion: r is the highest of its prefix when it is the first,
// or when it took the place of the one that was.
template <const Variant& v>
[[gnu::always_inline]] inline void IndexInserted(int r) {
    const unsigned prefix = PrefixOf<v>(r);
    Node& first = top[prefix];
    if (first == NIL) {
        present.Mark(prefix, true);
        first = static_cast<Node>(r);
    } else if (parent[first] == NIL) {
        first = static_cast<Node>(r);
    }
}

// The nodes above node on the way to the root of its tree whose first two
// bytes are not node's: those that a walk from the top meets before the
// highest node of node's first two bytes.
template <const Variant& v>
int LevelsAbovePrefix(int node) {
    const unsigned prefix = PrefixOf<v>(node);
    int levels = 0;
    for (int x = parent[node]; x < N; x = parent[x]) levels += PrefixOf<v>(x) != prefix;
    return levels;
}

// Sets up the index for the trees as they stand: each tree is gone through
// from its root, every node before the nodes below it, so the first node met
// of a prefix is its highest.
template <const Variant& v>
void BuildIndex() {
    top.fill(NIL);
    present.Clear();
    std::array<Node, N> pending;  // each node is put here once at most
    for (int root = N + 1; root <= N + 256; ++root) {
        int count = 0;
        if (child[root][1] != NIL) pending[count++] = child[root][1];
        while (count > 0) {
            const Node x = pending[--count];
            const unsigned prefix = PrefixOf<v>(x);
            if (top[prefix] == NIL) {
                present.Mark(prefix, true);
                top[prefix] = x;
            }
            for (const Node c : child[x])
                if (c != NIL) pending[count++] = c;
        }
    }
    indexed = true;
}

// The first (side 0) or last (side 1) node of a present prefix in the order.
template <const Variant& v>
int EndOfPrefix(unsigned prefix, int side) {
    return codec::EndOfPrefix<int>(
        top[prefix], NIL, prefix, side, [](int x) { return PrefixOf<v>(x); },
        [](int x, int s) { return static_cast<int>(child[x][s]); },
        [](int x, int s) { return static_cast<int>(s == 0 ? before[x] : after[x]); });
}

// Inserts r, the only node of its first two bytes, without a walk: its
// neighbours in its tree's order are the last node of the nearest prefix
// below and the first of the nearest above of the same first byte, which
// the index of prefixes finds. It hangs below the deeper of them, which is
// also the nearest neighbour the walk would track. Its match is one byte, a
// literal. Returns false, with nothing changed, when the tree is empty or
// the place is not free (it cannot be; checked so that the tree stays whole
// whatever happens).
template <const Variant& v>
bool InsertFirstOfPrefix(int r) {
    const unsigned prefix = PrefixOf<v>(r);
    const unsigned tree = prefix >> 8;
    int previous = NIL, next = NIL;
    if (const int above = present.Next(prefix); above >= 0 && static_cast<unsigned>(above) >> 8 == tree) {
        next = EndOfPrefix<v>(static_cast<unsigned>(above), 0);
        previous = before[next];
    } else if (const int below = present.Previous(prefix); below >= 0 && static_cast<unsigned>(below) >> 8 == tree) {
        previous = EndOfPrefix<v>(static_cast<unsigned>(below), 1);
    } else {
        return false;
    }
    const auto at = codec::PlaceBetween(previous, next, BeforeIsDeeper(previous), previous == NIL ? -1 : 1,
                                        next == NIL ? -1 : 1);
    if (child[at.deeper][at.side] != NIL) return false;
    matchLength = nearLength = 1;
    matchPosition = nearPosition = at.nearest;
    child[r] = {NIL, NIL};
    Hang(r, at.deeper, at.side == 1);
    return true;
}

// Inserts r without a walk when its string falls right next to guess in
// their tree's order, once no candidate can be refused. The walk would end
// below the deeper of the two neighbours around it (the other lies above
// it), and the longest match it meets is as long as the longer of theirs;
// type 1 takes that neighbour, or the deeper on a tie, as it keeps the later
// node met; type 2 climbs to its match when needMatch. Returns false, with
// nothing changed, when the string does not fall next to guess.
template <const Variant& v>
[[gnu::always_inline]] inline bool InsertNextTo(int r, int guess, bool needMatch) {
    constexpr int kSteps = 3;  // neighbours passed at most on the way from guess
    const std::uint8_t* key = v.ring + r;
    if (guess == r || parent[guess] == NIL || v.ring[guess] != key[0]) return false;
    struct Order {
        int length, sign;
    };
    const auto compare = [&](int node) {
        Order o;
        o.length = CompareTail(key, v.ring + node, v.F, o.sign);
        return o;
    };
    const auto g = codec::OrderFromPrevious<Order>(nearLength, nearAfter, v.F, key, v.ring + guess);
    codec::Neighbours<int, Order> around;
    if (!codec::FindNeighbours<kSteps>(
            guess, g, NIL, compare, [](int node) { return before[node]; }, [](int node) { return after[node]; },
            around))
        return false;
    const auto [previous, next, b, a, equal] = around;
    // Candidates refused in the first window's bytes leave equal strings side
    // by side; the walk takes the place of the highest of them.
    for (const int neighbour : {equal != NIL ? before[equal] : NIL, equal != NIL ? after[equal] : NIL})
        if (neighbour != NIL && compare(neighbour).sign == 0) return false;
    if (equal != NIL) {  // r takes its place
        matchPosition = nearPosition = equal;
        matchLength = nearLength = v.F;
        TakePlace(r, equal);
        return true;
    }
    const int beforeLength = codec::PickIf(previous == NIL, -1, b.length);
    const int afterLength = codec::PickIf(next == NIL, -1, a.length);
    const auto at = codec::PlaceBetween(previous, next, BeforeIsDeeper(previous), beforeLength, afterLength);
    const int deeper = at.deeper;
    const bool beforeIsDeeper = at.side == 1;
    // The new node's place is free (it cannot be otherwise; checked so that
    // the tree stays whole whatever happens).
    if (child[deeper][beforeIsDeeper] != NIL) return false;
    matchLength = nearLength = at.length;
    matchPosition = nearPosition = at.nearest;
    nearAfter = at.nearest == previous;
    if (!v.laterNodeWinsTie && matchLength > v.threshold && needMatch) {
        // Type 2 keeps the first node met of those sharing the most: the
        // highest of them, climbed to from the deeper neighbour, up to the
        // root of the tree.
        matchPosition = codec::HighestOfLongest(
            deeper, beforeIsDeeper ? b : a, beforeLength, afterLength, matchLength, NIL,
            [](int x) { return parent[x] >= N ? NIL : static_cast<int>(parent[x]); }, compare);
    }
    child[r] = {NIL, NIL};
    Hang(r, deeper, beforeIsDeeper);
    return true;
}

template <const Variant& v, bool kIndexed>
[[gnu::always_inline]] inline void WalkIn(int r);

// Inserts ring position r. Its match (matchLength, matchPosition) is found
// when needMatch; otherwise, for type 2, matchPosition may be another
// candidate of that length. kIndexed: the index is kept and used.
template <const Variant& v, bool kIndexed = false>
[[gnu::always_inline]] inline void InsertNodeOf(int r, bool needMatch = true) {
    if (r < 0 || r >= N) return;
    // Encode never inserts a position twice; a direct caller could, and a
    // position in the tree twice would corrupt it.
    if (parent[static_cast<std::size_t>(r)] != NIL) {
        if (kIndexed) UnindexNode<v>(r);
        DeleteNodeChecked(r);
    }
    // Within a match, the string one past the previous one's match is often
    // next to the new one.
    if (textSize >= N && nearLength >= 2 && InsertNextTo<v>(r, (nearPosition + 1) & (N - 1), needMatch)) {
        if (kIndexed) IndexInserted<v>(r);
        return;
    }
    WalkIn<v, kIndexed>(r);
}

// A walk down a tree under way: the node it has reached (at first the root
// of the tree), the node it goes to next (NIL: the new node hangs below
// `at`), the side it took there, and the longest match and the nearest
// neighbour it has met. The nodes are 64-bit indexes, which a level uses
// without widening them first.
struct Walk {
    std::size_t at, next;
    bool larger;
    int length, position, nearest, near;
};

// The start of r's walk: at the root of r's tree, its first node hangs on
// the right.
template <const Variant& v>
[[gnu::always_inline]] inline Walk WalkFromRoot(int r) {
    const int root = N + 1 + v.ring[r];
    return {static_cast<std::size_t>(root), child[root][1], true, 0, matchPosition, 0, nearPosition};
}

// One level of a walk, at w.next, whose bytes 1 .. 8 (other1) differ from
// the key's (key1), once none is refused. Bytes 1 .. 8 of the key are read
// once, as a big-endian word, and one unsigned comparison gives the side and
// the leading zero bits the length; the child, the match and the nearest
// neighbour are picked by conditional moves, the walk turning either way at
// random.
template <const Variant& v>
[[gnu::always_inline]] inline void Step(Walk& w, std::uint64_t key1, std::uint64_t other1) {
    const std::size_t p = w.next;
    w.at = p;
    const int i = 1 + codec::EqualLeadingBytes(key1, other1);
    // Type 1 keeps the later node met on a tie, type 2 the earlier.
    w.position = codec::PickIfAtLeast(i, v.laterNodeWinsTie ? w.length : w.length + 1, static_cast<int>(p), w.position);
    w.length = std::max(i, w.length);
    if constexpr (v.laterNodeWinsTie) {
        // The same choice: once none is refused, the nearest neighbour met
        // is the match.
        w.near = w.position;
        w.nearest = w.length;
    } else {
        w.near = codec::PickIfAtLeast(i, w.nearest, static_cast<int>(p), w.near);
        w.nearest = std::max(i, w.nearest);
    }
    w.larger = key1 > other1;
    w.next = codec::PickIfAbove(key1, other1, child[p][1], child[p][0]);
}

// Walks on from where w is and inserts r there, or in the place of a node
// whose string equals r's; sets the match and the nearest neighbour.
template <const Variant& v, bool kIndexed>
[[gnu::always_inline]] inline void FinishWalk(int r, Walk w) {
    const std::uint8_t* key = v.ring + r;
    // Both children are read and one picked after the comparison, and the
    // walk is kept in locals, so that its steps need no memory round trip
    // besides the next node. Candidates are refused only in the first window.
    const std::uint64_t key1 = LoadBigEndian64(key + 1);
    const bool noneRefused = textSize >= N;
    while (w.next != NIL) {
        if (noneRefused) {
            // The usual levels, in a loop of their own.
            std::uint64_t other1;
            while ((other1 = LoadBigEndian64(v.ring + w.next + 1)) != key1) {
                Step<v>(w, key1, other1);
                if (w.next == NIL) break;
            }
            if (w.next == NIL) break;
        }
        const int p = static_cast<int>(w.next);
        w.at = static_cast<std::size_t>(p);
        int cmp;
        const int i = CompareTail(key, v.ring + p, v.F, cmp);
        w.near = i >= w.nearest ? p : w.near;
        w.nearest = i >= w.nearest ? i : w.nearest;
        const bool considered = v.laterNodeWinsTie ? i >= w.length : i > w.length;
        if (considered && Accepted(p, i, v.F)) {
            w.position = p;
            w.length = i;
            if (w.length >= v.F) {  // a full-length match: r takes p's place, p leaves the tree
                matchLength = w.length;
                matchPosition = w.position;
                nearLength = w.nearest;
                nearPosition = w.near;
                TakePlace(r, p);
                if (kIndexed) IndexInserted<v>(r);
                return;
            }
        }
        w.larger = cmp >= 0;
        const int left = child[p][0], right = child[p][1];
        w.next = w.larger ? right : left;
    }
    matchLength = w.length;
    matchPosition = w.position;
    nearLength = w.nearest;
    nearPosition = w.near;
    // The last node met that shares the most is the node r hangs from, on
    // the side the walk took there, or its neighbour on the other side.
    nearAfter = (static_cast<std::size_t>(w.near) == w.at) == w.larger;
    Hang(r, static_cast<int>(w.at), w.larger);
    if (kIndexed) IndexInserted<v>(r);
}

// Inserts r by a walk down its tree, from the highest node of its first two
// bytes when kIndexed.
template <const Variant& v, bool kIndexed>
[[gnu::always_inline]] inline void WalkIn(int r) {
    child[r] = {NIL, NIL};
    Walk w = WalkFromRoot<v>(r);
    if (kIndexed) {
        const unsigned prefix = PrefixOf<v>(r);
        if (top[prefix] != NIL) {
            w.next = top[prefix];
        } else if (InsertFirstOfPrefix<v>(r)) {
            top[prefix] = static_cast<Node>(r);
            present.Mark(prefix, true);
            return;
        }
    }
    FinishWalk<v, kIndexed>(r, w);
}

// The match an insertion found, kept while the encoder writes an item before
// it.
struct Found {
    int matchLength = 0, matchPosition = 0;
};

// Inserts r1 and then r2, positions of two trees (their first bytes differ),
// once none is refused, by walks taken in step: a level of one waits for its
// loads, and a level of the other fills that time. Returns what r1's
// insertion found; r2's is left in the globals.
template <const Variant& v>
[[gnu::always_inline]] inline Found WalkPair(int r1, int r2) {
    child[r1] = child[r2] = {NIL, NIL};
    Walk a = WalkFromRoot<v>(r1), b = WalkFromRoot<v>(r2);
    const std::uint64_t key1a = LoadBigEndian64(v.ring + r1 + 1), key1b = LoadBigEndian64(v.ring + r2 + 1);
    while (a.next != NIL && b.next != NIL) {
        const std::uint64_t otherA = LoadBigEndian64(v.ring + a.next + 1);
        const std::uint64_t otherB = LoadBigEndian64(v.ring + b.next + 1);
        if (otherA == key1a || otherB == key1b) break;
        Step<v>(a, key1a, otherA);
        Step<v>(b, key1b, otherB);
    }
    FinishWalk<v, false>(r1, a);
    const Found first{matchLength, matchPosition};
    FinishWalk<v, false>(r2, b);
    return first;
}

void InitTreeState() {
    indexed = false;
    for (int i = N + 1; i <= N + 256; ++i) child[i][1] = NIL;
    for (int i = 0; i < N; ++i) parent[i] = NIL;
}

// The input file a block at a time: the same bytes as getc, without a call
// and a lock per byte.
class ByteReader {
public:
    explicit ByteReader(std::FILE* file) : file_(file) {}
    int Get() {
        if (next_ == end_) {
            end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
            next_ = 0;
            if (end_ == 0) return EOF;
        }
        return buffer_[next_++];
    }
    // Whether Get has a byte to give.
    bool HasNext() {
        if (next_ == end_) {
            end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
            next_ = 0;
        }
        return next_ != end_;
    }

private:
    std::FILE* file_;
    std::size_t next_ = 0, end_ = 0;
    std::uint8_t buffer_[65536];
};

// The output file, written a block at a time: the same bytes as a write per
// group of items, without a call and a lock per group.
class ByteWriter {
public:
    explicit ByteWriter(std::FILE* file) : file_(file) {}
    ~ByteWriter() { Flush(); }
    void Put(const std::uint8_t* bytes, int count) {
        if (used_ + static_cast<std::size_t>(count) > sizeof buffer_) Flush();
        std::memcpy(buffer_ + used_, bytes, static_cast<std::size_t>(count));
        used_ += static_cast<std::size_t>(count);
    }
    void Flush() {
        if (used_ > 0) std::fwrite(buffer_, 1, used_, file_);
        used_ = 0;
    }

private:
    std::FILE* file_;
    std::size_t used_ = 0;
    std::uint8_t buffer_[65536];
};

// The position after the current one when it is in the tree already, and
// the match its insertion found.
struct Ahead {
    bool inserted = false;
    Found found;
    int literals = 0;  // items in a row that were literals
};

// Moves the window on by count bytes past the item just written: each byte
// read replaces the oldest string by a new one; past the end of the input
// the strings only go, and len, the bytes left to encode, shrinks. Every
// insertion sees textSize as it was before the item.
//
// After two literals in a row, the next position is inserted together with
// the one after it when their trees are apart from each other and from the
// oldest string's (which leaves when the second comes in), so that their
// walks can go in step; the second then waits in `ahead` for the next item.
// The oldest string's first byte gives way to the new input byte before it
// leaves the tree: the walks compare from the second byte on.
template <const Variant& v, bool kIndexed>
[[gnu::always_inline]] inline void Advance(ByteReader& in, int count, int& s, int& r, int& len, Ahead& ahead) {
    int i = 0, c;
    ahead.literals = count == 1 ? ahead.literals + 1 : 0;
    if (!kIndexed && ahead.inserted) {
        ahead.inserted = false;
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        matchLength = ahead.found.matchLength;
        matchPosition = ahead.found.matchPosition;
        i = 1;
    } else if (!kIndexed && count == 1 && ahead.literals >= 2 && textSize >= N && (c = in.Get()) != EOF) {
        DeleteNodeChecked(s);
        v.ring[s] = static_cast<std::uint8_t>(c);
        if (s < v.F - 1) v.ring[s + N] = static_cast<std::uint8_t>(c);
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        const int next = (r + 1) & (N - 1);
        const std::uint8_t tree = v.ring[next];
        if (tree != v.ring[r] && tree != v.ring[s] && in.HasNext()) {
            c = in.Get();
            v.ring[s] = static_cast<std::uint8_t>(c);
            if (s < v.F - 1) v.ring[s + N] = static_cast<std::uint8_t>(c);
            const Found first = WalkPair<v>(r, next);
            DeleteNodeChecked(s);
            ahead.inserted = true;
            ahead.found = {matchLength, matchPosition};
            // The item at r comes first; the next insertion follows next's.
            matchLength = first.matchLength;
            matchPosition = first.matchPosition;
        } else {
            InsertNodeOf<v, false>(r);
        }
        i = 1;
    }
    for (; i < count && (c = in.Get()) != EOF; ++i) {
        if (kIndexed && parent[s] != NIL) UnindexNode<v>(s);
        DeleteNodeChecked(s);
        v.ring[s] = static_cast<std::uint8_t>(c);
        if (s < v.F - 1) v.ring[s + N] = static_cast<std::uint8_t>(c);
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        InsertNodeOf<v, kIndexed>(r, i + 1 == count);
    }
    textSize += i;
    for (; i < count; ++i) {
        if (kIndexed && parent[s] != NIL) UnindexNode<v>(s);
        DeleteNodeChecked(s);
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        if (--len) InsertNodeOf<v, kIndexed>(r, i + 1 == count);
    }
}

template <const Variant& v>
void EncodeWith(std::FILE* file, std::FILE* output) {
    ByteReader in(file);
    ByteWriter out(output);
    const int F = v.F;
    InitTreeState();
    items = 0;
    stretchStart = 0;
    // Both rings start cleared, mirrors included: the bytes behind a short
    // input take part in the comparisons (their lengths are clamped, but the
    // acceptance test counts compared bytes), so leftovers of an earlier call
    // could otherwise change the stream. Cleared, every call writes what the
    // first call after loading writes.
    std::memset(ring1, 0, sizeof ring1);
    std::memset(ring2, 0, sizeof ring2);
    std::uint8_t code[17];  // flag byte and up to eight items of two bytes
    code[0] = 0;
    int codeLength = 1;
    unsigned mask = 1;
    int s = 0;
    int r = N - F;
    std::memset(v.ring, ' ', static_cast<std::size_t>(r));
    int len = 0;
    int c;
    Ahead ahead;
    while (len < F && (c = in.Get()) != EOF) v.ring[r + len++] = static_cast<std::uint8_t>(c);
    textSize = len;
    if (len == 0) return;
    for (int i = 1; i <= F; ++i) InsertNodeOf<v>(r - i);
    InsertNodeOf<v>(r);
    do {
        if (matchLength > len) matchLength = len;
        if (matchLength <= v.threshold) {
            matchLength = 1;
            code[0] = static_cast<std::uint8_t>(code[0] | mask);
            code[codeLength++] = v.ring[r];
        } else {
            // textSize - len input bytes are encoded; the 12-bit value is the
            // back-distance minus one.
            const long word = (((textSize - len - matchPosition - (F + 1)) & 0xFFF) << 4) |
                              ((matchLength - (v.threshold + 1)) & 0xF);
            code[codeLength++] = static_cast<std::uint8_t>(word & 0xFF);
            code[codeLength++] = static_cast<std::uint8_t>(word >> 8);
        }
        mask <<= 1;
        if (mask == 0x100) {
            out.Put(code, codeLength);
            code[0] = 0;
            codeLength = 1;
            mask = 1;
        }
        ++items;
        if (indexed)
            Advance<v, true>(in, matchLength, s, r, len, ahead);
        else
            Advance<v, false>(in, matchLength, s, r, len, ahead);
        if (const long stretch = textSize - stretchStart; stretch >= kStretch && !ahead.inserted) {
            long levels = 0;
            for (int k = 0; k < kSample; ++k)
                if (const int x = (r - 1 - 8 * k) & (N - 1); parent[x] != NIL) levels += LevelsAbovePrefix<v>(x);
            const long levelsAbove = items * levels / kSample;
            if (!indexed && levelsAbove > kIndexOn * stretch)
                BuildIndex<v>();
            else if (indexed && levelsAbove < kIndexOff * stretch)
                indexed = false;
            items = 0;
            stretchStart = textSize;
        }
    } while (len > 0);
    if (codeLength > 1) out.Put(code, codeLength);
    indexed = false;
}

void CopyFile(std::FILE* in, std::FILE* out) {
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, got, out);
}

}  // namespace

}  // namespace tarvocompc

ORVANE_EXPORT void InitTree() { tarvocompc::InitTreeState(); }

// A direct caller may insert positions in any order, and the encoder's
// insertion beside the previous one's match takes each string to follow the
// previous one: these walk (which finds the same place and match).
ORVANE_EXPORT void InsertNode(std::int32_t r) {
    tarvocompc::nearLength = 0;
    tarvocompc::InsertNodeOf<tarvocompc::kType1>(r);
}

ORVANE_EXPORT void InsertNode2(std::int32_t r) {
    tarvocompc::nearLength = 0;
    tarvocompc::InsertNodeOf<tarvocompc::kType2>(r);
}

ORVANE_EXPORT void DeleteNode(std::int32_t p) { tarvocompc::DeleteNodeChecked(p); }

// No progress or statistics lines are printed: a library does not write to
// the standard output of the program that loads it.
ORVANE_EXPORT void Encode() {
    if (auto pair = tarvocompc::CurrentFilePair(); pair.input && pair.output) {
        tarvocompc::EncodeWith<tarvocompc::kType1>(pair.input, pair.output);
    }
}

ORVANE_EXPORT void Encode2() {
    if (auto pair = tarvocompc::CurrentFilePair(); pair.input && pair.output) {
        tarvocompc::EncodeWith<tarvocompc::kType2>(pair.input, pair.output);
    }
}

ORVANE_EXPORT std::int32_t CompressHOLZSS(const char* inputPath, const char* outputPath, std::int32_t type) {
    if (!tarvocompc::OpenFilePair(inputPath, outputPath)) return 0;
    const auto pair = tarvocompc::CurrentFilePair();
    switch (type) {
        case 0: tarvocompc::CopyFile(pair.input, pair.output); break;
        case 1: Encode(); break;
        case 2: Encode2(); break;
        default: break;  // writes nothing
    }
    tarvocompc::CloseFilePair();
    return 1;
}
