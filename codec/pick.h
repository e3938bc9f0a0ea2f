// Choices by conditional move, for the tree walks of the encoders of both
// libraries: where a walk turns either way at random, a branch would be
// mispredicted half of the time. The compiler would be free to turn the
// plain expressions into branches, and does so in the walks.
#pragma once

#include <cstdint>

namespace codec {

// ifAbove when a > b (unsigned), else otherwise.
inline std::uint32_t PickIfAbove(std::uint64_t a, std::uint64_t b, std::uint32_t ifAbove, std::uint32_t otherwise) {
#if defined(__x86_64__)
    asm("cmpq %[b], %[a]\n\tcmova %[ifAbove], %[result]"
        : [result] "+r"(otherwise)
        : [ifAbove] "r"(ifAbove), [a] "r"(a), [b] "r"(b)
        : "cc");
    return otherwise;
#else
    return a > b ? ifAbove : otherwise;
#endif
}

// ifAtLeast when a >= b, else otherwise.
inline int PickIfAtLeast(int a, int b, int ifAtLeast, int otherwise) {
#if defined(__x86_64__)
    asm("cmpl %[b], %[a]\n\tcmovge %[ifAtLeast], %[result]"
        : [result] "+r"(otherwise)
        : [ifAtLeast] "r"(ifAtLeast), [a] "r"(a), [b] "r"(b)
        : "cc");
    return otherwise;
#else
    return a >= b ? ifAtLeast : otherwise;
#endif
}

// For a walk that keeps the longest length met and the first and the last
// node met with it: given the length k at node, first takes node when k >
// best, last when k >= best, and best the larger of the two. One comparison.
inline void KeepLongest(int k, std::uint32_t node, int& best, std::uint32_t& first, std::uint32_t& last) {
#if defined(__x86_64__)
    asm("cmpl %[best], %[k]\n\t"
        "cmovg %[node], %[first]\n\t"
        "cmovge %[node], %[last]\n\t"
        "cmovg %[k], %[best]"
        : [first] "+r"(first), [last] "+r"(last), [best] "+r"(best)
        : [k] "r"(k), [node] "r"(node)
        : "cc");
#else
    first = k > best ? node : first;
    last = k >= best ? node : last;
    best = k > best ? k : best;
#endif
}

// ifTrue when c, else otherwise (32- or 64-bit values).
template <typename T>
inline T PickIf(bool c, T ifTrue, T otherwise) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
#if defined(__x86_64__)
    asm("test %[c], %[c]\n\tcmovne %[ifTrue], %[result]"
        : [result] "+r"(otherwise)
        : [ifTrue] "r"(ifTrue), [c] "r"(c)
        : "cc");
    return otherwise;
#else
    return c ? ifTrue : otherwise;
#endif
}

}  // namespace codec
