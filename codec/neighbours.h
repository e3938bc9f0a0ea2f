// Finding a new string's place in the order of a tree encoder's strings
// without a walk from the top, shared by the tree encoders of both libraries.
#pragma once

#include <cstdint>

#include "codec/pick.h"

namespace codec {

// The nodes right before and after a key in the order (none at an end), how
// the key compares with each, and the node whose string equals the key's
// (none when no node's does).
template <typename Node, typename Order>
struct Neighbours {
    Node before, after;
    Order b, a;
    Node equal;
};

// Finds the key's neighbours by stepping from guess through the order,
// passing at most kSteps nodes. compare(node) gives an Order of the key
// against node, whose sign is that of key - node; beforeOf and afterOf give
// a node's neighbours, or none. g is compare(guess), which the caller may
// know without comparing. Returns false when the key lies farther. The Order
// of a missing neighbour is left as it is, or with kMarkMissing given the
// length -1, as PlaceBetween takes it (cheaper for the type 2 tree than
// picking it after, dearer for the others).
template <int kSteps, bool kMarkMissing = false, typename Node, typename Order, typename Compare, typename BeforeOf,
          typename AfterOf>
[[gnu::always_inline]] inline bool FindNeighbours(Node guess, Order g, Node none, Compare compare, BeforeOf beforeOf,
                                                  AfterOf afterOf, Neighbours<Node, Order>& found) {
    Node before = guess, after = guess;
    auto b = g, a = g;
    if (g.sign > 0) {
        for (int step = 0;; ++step) {
            after = afterOf(before);
            if (after == none) {
                if constexpr (kMarkMissing) a.length = -1;
                break;
            }
            if ((a = compare(after)).sign <= 0) break;
            if (step == kSteps) return false;
            before = after;
            b = a;
        }
    } else if (g.sign < 0) {
        for (int step = 0;; ++step) {
            before = beforeOf(after);
            if (before == none) {
                if constexpr (kMarkMissing) b.length = -1;
                break;
            }
            if ((b = compare(before)).sign >= 0) break;
            if (step == kSteps) return false;
            after = before;
            a = b;
        }
    }
    const Node equal = g.sign == 0                      ? guess
                       : before != none && b.sign == 0 ? before
                       : after != none && a.sign == 0  ? after
                                                       : none;
    found = {before, after, b, a, equal};
    return true;
}

// How a key compares with guess, the string one past the previous key's
// nearest neighbour, known without a comparison: unless the previous key
// equalled that neighbour in all `longest` bytes, the key shares one byte less
// with guess (previousLength - 1) and lies on the same side of it
// (previousAfter), as both strings lost the same first byte; if it did, the
// key equals guess in all but the last byte. key and guessString are the two
// strings, of `longest` bytes. For FindNeighbours.
template <typename Order>
[[gnu::always_inline]] inline Order OrderFromPrevious(int previousLength, bool previousAfter, int longest,
                                                      const std::uint8_t* key, const std::uint8_t* guessString) {
    if (previousLength < longest) return {previousLength - 1, previousAfter ? 1 : -1};
    const int c = key[longest - 1] - guessString[longest - 1];
    return {c == 0 ? longest : longest - 1, c == 0 ? 0 : c > 0 ? 1 : -1};
}

template <int kSteps, typename Node, typename Compare, typename BeforeOf, typename AfterOf>
[[gnu::always_inline]] inline bool FindNeighbours(Node guess, Node none, Compare compare, BeforeOf beforeOf,
                                                  AfterOf afterOf, Neighbours<Node, decltype(compare(guess))>& found) {
    return FindNeighbours<kSteps>(guess, compare(guess), none, compare, beforeOf, afterOf, found);
}

// Where a new string hangs between its neighbours in the order, and which of
// them is its match, as the walk down from the top would find.
template <typename Node>
struct Between {
    Node deeper;   // the neighbour the new node hangs below
    int side;      // 1: it hangs after deeper (the neighbour before it), 0: before
    int length;    // the longer of the two lengths
    Node nearest;  // the neighbour sharing that many bytes, the deeper on a tie
};

// The walk ends below the deeper of the two neighbours: of two neighbours in
// the order one lies above the other, and the deeper has no child towards
// the other (beforeIsDeeper: the one before is, false when there is none).
// The neighbours share the most with the key of all the nodes the walk
// meets, and of them it meets the deeper last. A missing neighbour's length
// is -1. Picked by conditional moves: each choice goes either way at random.
template <typename Node>
[[gnu::always_inline]] inline Between<Node> PlaceBetween(Node before, Node after, bool beforeIsDeeper, int beforeLength,
                                                         int afterLength) {
    const auto deeper = static_cast<Node>(
        PickIf<std::uint32_t>(beforeIsDeeper, static_cast<std::uint32_t>(before), static_cast<std::uint32_t>(after)));
    const int nearest = PickIfAtLeast(beforeLength, afterLength + 1, static_cast<int>(before),
                                      PickIfAtLeast(afterLength, beforeLength + 1, static_cast<int>(after),
                                                    static_cast<int>(deeper)));
    return {deeper, beforeIsDeeper, PickIfAtLeast(beforeLength, afterLength, beforeLength, afterLength),
            static_cast<Node>(nearest)};
}

// The match of type 2 for a key placed below deeper, between its neighbours
// sharing beforeLength and afterLength bytes with it (-1: none): of the
// nodes sharing longest bytes, the longer of the two, the first that the walk
// from the top would meet, the highest. c is how the key compares with
// deeper (a sign as FindNeighbours takes it), parentOf(x) gives x's parent
// or none where the climb must stop, compare(x) how the key compares with x.
// On each side of the key, the nodes above come farther from it in the order
// the higher they lie, so once one on a side shares less, none higher on
// that side shares as much: the last node met that shares as much is the
// highest, and the climb ends when neither side can hold another. The sides
// still open are bits (1 before the key, 2 after) kept by conditional moves,
// so that a level takes one branch.
template <typename Node, typename Order, typename ParentOf, typename Compare>
[[gnu::always_inline]] inline Node HighestOfLongest(Node deeper, Order c, int beforeLength, int afterLength, int longest,
                                                    Node none, ParentOf parentOf, Compare compare) {
    unsigned open = static_cast<unsigned>(beforeLength >= longest) | (afterLength >= longest) << 1;
    Node match = deeper;
    for (Node x = deeper;;) {
        const bool shares = c.length >= longest;
        match = static_cast<Node>(PickIf<std::uint32_t>(shares, static_cast<std::uint32_t>(x),
                                                        static_cast<std::uint32_t>(match)));
        open &= PickIf<std::uint32_t>(shares, ~0u, c.sign > 0 ? ~1u : ~2u);
        if (open == 0) break;
        x = parentOf(x);
        if (x == none) break;
        c = compare(x);
    }
    return match;
}

// The first (side 0) or last (side 1) node in the order of those whose
// strings start with prefix, below top, the highest of them: nodes of the
// prefix lie on the way towards that side, others past it on the other.
// childOf(node, side) gives a child, neighbourOf(node, side) the node before
// (side 0) or after (side 1) it in the order; either none.
template <typename Node, typename PrefixOf, typename ChildOf, typename NeighbourOf>
Node EndOfPrefix(Node top, Node none, unsigned prefix, int side, PrefixOf prefixOf, ChildOf childOf,
                 NeighbourOf neighbourOf) {
    // The nodes of a prefix are neighbours in the order: top is that end
    // when its neighbour there has another prefix, as it has when top is the
    // prefix's only node (most are, in random-like data).
    const Node next = neighbourOf(top, side);
    if (next == none || prefixOf(next) != prefix) return top;
    Node found = top;
    for (Node x = childOf(top, side); x != none;) {
        const bool same = prefixOf(x) == prefix;
        found = same ? x : found;
        x = childOf(x, same ? side : 1 - side);
    }
    return found;
}

// The index of first two bytes of a tree encoder: for each, the highest node
// whose string starts with them. The nodes of one prefix are neighbours in
// the order, and the highest of them lies above all the others. In each
// tree the larger strings lie after a node (side 1), and a removed node with
// two children gives its place to its predecessor. The tree is seen through
// `tree`, which has:
//   none                        no node
//   PrefixOf(x)                 the first two bytes of x's string
//   Child(x, side)              x's child, side 0 before x in the order, 1 after
//   Neighbour(x, side)          the node right before (0) or after (1) x
//   Top(prefix)                 the entry of the index, a reference
//   Unmark(prefix)              no node has the prefix any more

// The highest node with the given first two bytes in the subtree of node.
template <typename Node, typename Tree>
Node FirstWithPrefix(Node node, unsigned prefix, const Tree& tree) {
    while (node != tree.none) {
        const unsigned p = tree.PrefixOf(node);
        if (p == prefix) break;
        node = tree.Child(node, prefix > p ? 1 : 0);
    }
    return node;
}

// Whether x, a node before node in the order, lies below node (else it lies
// above): then it is on the way from node's smaller child to its
// predecessor, the node that moves up when node goes with two children.
template <typename Node, typename Tree>
bool OnWayToReplacement(Node x, Node node, const Tree& tree) {
    for (Node y = tree.Child(node, 0); y != tree.none; y = tree.Child(y, 1))
        if (y == x) return true;
    return false;
}

// Keeps the index right for the removal of node, before the tree changes;
// first and second are its children.
template <typename Node, typename Tree>
[[gnu::always_inline]] inline void UnindexNode(Node node, Node first, Node second, Tree& tree) {
    const Node none = tree.none;
    const unsigned prefix = tree.PrefixOf(node);
    Node& top = tree.Top(prefix);
    // The rest of node's prefix below child, when node was its highest:
    // found from node's neighbour on the child's side, else there is none.
    const auto rest = [&](Node child, Node neighbour) {
        return neighbour != none && tree.PrefixOf(neighbour) == prefix ? FirstWithPrefix(child, prefix, tree) : none;
    };
    if (first == none || second == none) {
        if (top == node) {
            top = first != none ? rest(first, tree.Neighbour(node, 0)) : rest(second, tree.Neighbour(node, 1));
            if (top == none) tree.Unmark(prefix);
        }
        return;
    }
    const Node moved = tree.Neighbour(node, 0);
    const unsigned movedPrefix = tree.PrefixOf(moved);
    if (movedPrefix == prefix) {
        top = static_cast<Node>(PickIf<std::uint32_t>(top == node, moved, top));
        return;
    }
    // node was the first of its prefix: the rest of it lies after it.
    if (top == node) {
        top = rest(tree.Child(node, 1), tree.Neighbour(node, 1));
        if (top == none) tree.Unmark(prefix);
    }
    // The moved node rises above the nodes on its way up, all below node: if
    // the highest of its prefix was one of them, it is now.
    Node& movedTop = tree.Top(movedPrefix);
    if (movedTop != moved && OnWayToReplacement(movedTop, node, tree)) movedTop = moved;
}

template <typename Node, typename Tree>
[[gnu::always_inline]] inline void UnindexNode(Node node, Tree& tree) {
    UnindexNode(node, tree.Child(node, 0), tree.Child(node, 1), tree);
}

}  // namespace codec
