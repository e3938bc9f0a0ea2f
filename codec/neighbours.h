// Finding a new string's place in the order of a tree encoder's strings
// without a walk from the top, shared by the tree encoders of both libraries.
#pragma once

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
// a node's neighbours, or none. Returns false when the key lies farther.
template <int kSteps, typename Node, typename Compare, typename BeforeOf, typename AfterOf>
[[gnu::always_inline]] inline bool FindNeighbours(Node guess, Node none, Compare compare, BeforeOf beforeOf,
                                                  AfterOf afterOf, Neighbours<Node, decltype(compare(guess))>& found) {
    const auto g = compare(guess);
    Node before = guess, after = guess;
    auto b = g, a = g;
    if (g.sign > 0) {
        for (int step = 0;; ++step) {
            after = afterOf(before);
            if (after == none || (a = compare(after)).sign <= 0) break;
            if (step == kSteps) return false;
            before = after;
            b = a;
        }
    } else if (g.sign < 0) {
        for (int step = 0;; ++step) {
            before = beforeOf(after);
            if (before == none || (b = compare(before)).sign >= 0) break;
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

// Where a new string hangs between its neighbours in the order, and which of
// them is its match, as the walk down from the top would find.
template <typename Node>
struct Between {
    Node deeper;   // the neighbour the new node hangs below
    int side;      // 1: it hangs after deeper (the neighbour before it), 0: before
    int length;    // the longer of the two lengths
    Node nearest;  // the neighbour sharing that many bytes, the deeper on a tie
};

// The walk ends below the deeper of the two neighbours (the other lies above
// it): the one whose place is younger; a missing neighbour's place counts as
// 0, older than any. The neighbours share the most with the key of all the
// nodes it meets, and of them it meets the deeper last. A missing
// neighbour's length is -1. Picked by conditional moves: each choice goes
// either way at random.
template <typename Node, typename Age>
[[gnu::always_inline]] inline Between<Node> PlaceBetween(Node before, Node after, Age beforePlaced, Age afterPlaced,
                                                         int beforeLength, int afterLength) {
    const auto deeper = static_cast<Node>(PickIfAbove(beforePlaced, afterPlaced, static_cast<std::uint32_t>(before),
                                                      static_cast<std::uint32_t>(after)));
    const int nearest = PickIfAtLeast(beforeLength, afterLength + 1, static_cast<int>(before),
                                      PickIfAtLeast(afterLength, beforeLength + 1, static_cast<int>(after),
                                                    static_cast<int>(deeper)));
    return {deeper, beforePlaced > afterPlaced, PickIfAtLeast(beforeLength, afterLength, beforeLength, afterLength),
            static_cast<Node>(nearest)};
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

}  // namespace codec
