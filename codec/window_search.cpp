// The greedy encoder of the search methods. Their choices are those of a scan
// of the whole window, oldest candidate first; here the scan visits only the
// candidates that can matter, in the same order, so it makes the same choices.
//
// Every candidate of three bytes or more shares the first three bytes with the
// current string, so it lies on the chain of earlier positions whose first
// three bytes hash alike; the chain is walked oldest first and keeps the
// scan's rules, including its stop at the first candidate of the longest
// copy. Candidates on the chain with fewer equal bytes (hash collisions) never
// beat one of three. For type 1 a two-byte match counts too: when no
// candidate has three equal bytes, every candidate with the same two first
// bytes matches exactly two, and the scan, which keeps the later of equally
// long ones, ends with the newest of them.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "codec/lz_encode.h"

namespace codec {

namespace {

constexpr std::int32_t kNone = -1;
constexpr int kHashBits = 14;
// The chain links are kept by position modulo a power of two above the
// window, so no two positions on the chains share one.
constexpr std::int32_t kSlots = 8192;

struct Chains {
    std::int32_t oldest[1 << kHashBits];  // per hash: the oldest position in the window, or kNone
    std::int32_t newest[1 << kHashBits];  // per hash: the newest position (valid while oldest is)
    std::int32_t newer[kSlots];           // per position: the next newer one of its hash, or kNone
    std::int32_t newestPair[1 << 16];     // type 1: the newest position of each two bytes
};

inline std::uint32_t Hash3(const std::uint8_t* p) {
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                            static_cast<std::uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

inline std::uint32_t Pair(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0]) << 8 | p[1]; }

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The equal leading bytes of a and b, at most limit (<= 18). With wide, both
// hold 24 readable bytes and are compared a word at a time.
inline int CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, int limit, bool wide) {
    static_assert(std::endian::native == std::endian::little);
    if (wide) {
        for (int k = 0; k < 24; k += 8) {
            const std::uint64_t d = Load64(a + k) ^ Load64(b + k);
            if (d != 0) return std::min(k + std::countr_zero(d) / 8, limit);
        }
        return limit;
    }
    int k = 0;
    while (k < limit && a[k] == b[k]) ++k;
    return k;
}

}  // namespace

std::int32_t CompressWindowSearch(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, int type) {
    if (!IsLZType(type)) return -1;
    const auto n = static_cast<std::int32_t>(input.size());
    if (n == 0) return 0;
    const std::unique_ptr<Chains> chains(new (std::nothrow) Chains);
    if (!chains) return -1;
    std::fill(std::begin(chains->oldest), std::end(chains->oldest), kNone);
    if (type == 1) std::fill(std::begin(chains->newestPair), std::end(chains->newestPair), kNone);
    std::int32_t* const oldest = chains->oldest;
    std::int32_t* const newest = chains->newest;
    std::int32_t* const newer = chains->newer;
    std::int32_t* const newestPair = chains->newestPair;

    const std::uint8_t* in = input.data();
    std::uint8_t* out = output.data();
    const int bias = LengthBias(type);
    const int longest = type + 16;
    std::int64_t count = 0;
    std::int64_t flagAt = 0;
    int items = 8;
    std::int32_t chained = 0;  // positions below this are on the chains
    for (std::int32_t a = 0; a < n;) {
        // Positions before a join their chains; each one 4096 older leaves them.
        for (; chained < a; ++chained) {
            const std::int32_t p = chained;
            const std::int32_t leaving = p - kWindowSize;
            if (leaving >= 0) {
                const std::uint32_t h = Hash3(in + leaving);
                if (oldest[h] == leaving) oldest[h] = newer[leaving & (kSlots - 1)];
            }
            if (p + 3 <= n) {
                const std::uint32_t h = Hash3(in + p);
                newer[p & (kSlots - 1)] = kNone;
                if (oldest[h] == kNone)
                    oldest[h] = p;
                else
                    newer[newest[h] & (kSlots - 1)] = p;
                newest[h] = p;
            }
            if (type == 1) newestPair[Pair(in + p)] = p;  // p + 2 <= a + 1 <= n
        }
        if (items == 8) {
            flagAt = count;
            out[count++] = 0;
            items = 0;
        }
        const int limit = static_cast<int>(std::min<std::int32_t>(longest, n - a));
        int best = 2;
        std::int32_t from = kNone;
        if (limit >= 3) {
            const bool wide = a + 24 <= n;
            const std::uint8_t* here = in + a;
            for (std::int32_t q = oldest[Hash3(here)]; q != kNone; q = newer[q & (kSlots - 1)]) {
                const int e = CommonPrefix(in + q, here, limit, wide);
                // Type 1 keeps an equally long later candidate, type 2 only a longer one.
                if (type == 1 ? e >= std::max(best, 3) : e > best) {
                    best = e;
                    from = q;
                    if (e >= longest) break;
                }
            }
        }
        if (type == 1 && from == kNone && limit >= 2) {
            const std::int32_t q = newestPair[Pair(in + a)];
            if (q != kNone && q >= a - kWindowSize) from = q;
        }
        if (from == kNone) {
            out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | (1u << items));
            out[count++] = in[a];
            a += 1;
        } else {
            const unsigned word = static_cast<unsigned>(a - from - 1) << 4 | static_cast<unsigned>(best - bias);
            out[count++] = static_cast<std::uint8_t>(word);
            out[count++] = static_cast<std::uint8_t>(word >> 8);
            a += best;
        }
        ++items;
    }
    return static_cast<std::int32_t>(count);
}

}  // namespace codec
