// Decoders of the LZ stream. The hot loop treats every item as a copy: a
// literal copies one byte from the input, a reference its length from the
// output. The flag bit only picks source, length and input step, with
// conditional moves: a branch on it would follow the data and be mispredicted
// about half the time. Each copy moves a fixed 24 bytes (the longest item is
// 18) as one 16-byte and one 8-byte move while there is room on both sides;
// the surplus lands beyond the new end of the output and is overwritten by
// the items that follow. Only references under distance 16 take a branch:
// distance 1 is a fill, the others are copied byte by byte. Their source was
// written by the last few items, and a wider load that spans the stores of
// several of them cannot be forwarded from those stores: it waits until they
// reach the cache, which costs far more than a few single-byte moves (a byte
// load is always served by the one store that wrote it). A flag byte of
// eight literals gets no copy of its own: where such groups are common the
// branch on it is mispredicted, and measured it saved nothing elsewhere. No
// distance is checked once 4096 bytes are out. Near the ends of the buffers a
// careful per-item loop takes over.
#include "codec/lz.h"

#include <algorithm>
#include <cstring>

namespace codec {

namespace {

// The fast loop needs this much output room for one group: seven items of at
// most 18 bytes, then the last one, whose copy stores 24 bytes past its start.
constexpr std::ptrdiff_t kFastOutputRoom = 7 * 18 + 24;
// ... and this much input: a flag byte, eight items of at most 2 bytes, and a
// 24-byte copy starting at the last literal.
constexpr std::ptrdiff_t kFastInputRoom = 1 + 16 + 24;
// The unbounded decoder does not know where the input ends, but a complete
// stream needs at least one input byte per 9 output bytes still to come
// (a 2-byte reference yields at most 18), so this much output still to come
// vouches for kFastInputRoom input bytes.
constexpr std::ptrdiff_t kUnboundedOutputRoom = 9 * kFastInputRoom;
// Longest copy the fast loop handles: 15 + bias.
constexpr int kFastMaxBias = 3;

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void Store64(std::uint8_t* p, std::uint64_t v) { std::memcpy(p, &v, 8); }
// One 16-byte load, then one 16-byte store.
inline void Move16(std::uint8_t* to, const std::uint8_t* from) {
    std::uint8_t v[16];
    std::memcpy(v, from, 16);
    std::memcpy(to, v, 16);
}

// The fast loop computes sources as plain addresses: a damaged reference
// may point before the output, and only the check says whether it does.
using Address = std::uintptr_t;
inline Address AddressOf(const std::uint8_t* p) { return reinterpret_cast<Address>(p); }
inline std::uint8_t* At(Address a) { return reinterpret_cast<std::uint8_t*>(a); }

// Takes the next flag bit: for a literal the source becomes the input, the
// length 1, the distance field `back` the input's address (far enough never
// to count as near), the address of the distance check `check` becomes
// `first` (so a literal never fails it; only with kCheck), and the input
// advances by 1; for a reference by 2. Conditional moves, no branch.
template <bool kCheck>
inline void NextItem(unsigned& flags, const std::uint8_t*& ip, Address& src, std::size_t& len, std::size_t& back,
                     Address& check, Address first) {
#if defined(__x86_64__) && defined(__GNUC__)
    const std::size_t one = 1;
    if constexpr (kCheck) {
        __asm__("shrl $1, %[flags]\n\t"
                "cmovc %[ip], %[src]\n\t"
                "cmovc %[ip], %[back]\n\t"
                "cmovc %[one], %[len]\n\t"
                "cmovc %[first], %[check]\n\t"
                "sbbq $-2, %[ip]"
                : [flags] "+r"(flags), [ip] "+r"(ip), [src] "+r"(src), [len] "+r"(len), [back] "+r"(back),
                  [check] "+r"(check)
                : [one] "r"(one), [first] "r"(first)
                : "cc");
    } else {
        __asm__("shrl $1, %[flags]\n\t"
                "cmovc %[ip], %[src]\n\t"
                "cmovc %[ip], %[back]\n\t"
                "cmovc %[one], %[len]\n\t"
                "sbbq $-2, %[ip]"
                : [flags] "+r"(flags), [ip] "+r"(ip), [src] "+r"(src), [len] "+r"(len), [back] "+r"(back)
                : [one] "r"(one)
                : "cc");
    }
#else
    const std::size_t lit = flags & 1;
    flags >>= 1;
    if (lit) {
        src = back = AddressOf(ip);
        len = 1;
        check = first;
    }
    ip += 2 - lit;
#endif
}

struct Cursor {
    const std::uint8_t* ip;
    std::uint8_t* op;
};

// Forward copy of len bytes from dist back, the result of a byte loop.
inline void CopyMatch(std::uint8_t* op, std::size_t dist, std::size_t len) {
    const std::uint8_t* src = op - dist;
    if (dist == 1) {
        std::memset(op, src[0], len);
    } else if (dist >= len) {
        std::memcpy(op, src, len);
    } else {
        for (std::size_t i = 0; i < len; ++i) op[i] = src[i];
    }
}

// The rest of a reference under distance 16 longer than 4 bytes, byte by
// byte (see the top of the file); out of the loop's way.
[[gnu::noinline]] void CopyNearTail(std::uint8_t* op, const std::uint8_t* src, std::size_t len) {
    for (std::size_t i = 4; i < len; ++i) op[i] = src[i];
}

// Decodes whole groups while both buffers have the fast loop's room.
// kCheckDistance: the output is still shorter than the window, so a reference
// may reach before its start; it leaves as soon as that can no longer happen.
template <bool kBounded, bool kCheckDistance>
inline bool FastGroups(Cursor& c, const std::uint8_t* iend, std::uint8_t* const ostart,
                       std::uint8_t* const oend, unsigned bias) {
    const std::uint8_t* ip = c.ip;
    // The address of the last byte out: a reference's source is then
    // last - D, with D the distance field as it stands (distance - 1).
    Address last = AddressOf(c.op) - 1;
    const Address first = AddressOf(ostart), end = AddressOf(oend);
    bool failed = false;
    while (end - last > (kBounded ? kFastOutputRoom : kUnboundedOutputRoom) &&
           (!kBounded || iend - ip >= kFastInputRoom)) {
        if (kCheckDistance && last + 1 - first >= kWindowSize) break;
        unsigned flags = *ip++;
#pragma GCC unroll 8  // measured faster than a loop
        for (int k = 0; k < 8; ++k) {
            const std::size_t w = ip[0] | (std::size_t{ip[1]} << 8);
            std::size_t back = w >> 4;
            Address src = last - back;
            Address check = src;
            std::size_t len = (w & 15) + bias;
            NextItem<kCheckDistance>(flags, ip, src, len, back, check, first);
            if (back < 15 || (kCheckDistance && check < first)) [[unlikely]] {
                if (kCheckDistance && check < first) {
                    failed = true;
                    break;
                }
                // Addressed from the last byte out, as the far copy is: a
                // separate pointer to the next byte would be computed for
                // every item, near or not.
                std::uint8_t* const before = At(last);
                const std::uint8_t* const from = At(src);
                if (back == 0) {
                    const std::uint64_t v = 0x0101010101010101ull * before[0];
                    Store64(before + 1, v);
                    Store64(before + 9, v);
                    Store64(before + 17, v);
                } else {
                    // Four bytes whatever the length (a reference has at
                    // least two): the surplus is overwritten like any other.
                    before[1] = from[0];
                    before[2] = from[1];
                    before[3] = from[2];
                    before[4] = from[3];
                    if (len > 4) CopyNearTail(before + 1, from, len);
                }
            } else {
                // The second load follows the first store, so a reference
                // 16 or 17 back reads the bytes this item has just written.
                Move16(At(last + 1), At(src));
                Store64(At(last + 17), Load64(At(src + 16)));
            }
            last += len;
        }
        if (failed) break;
    }
    c.ip = ip;
    c.op = At(last + 1);
    return !failed;
}

template <bool kBounded>
DecodeStatus DecodeCore(Cursor& c, const std::uint8_t* iend, std::uint8_t* const ostart,
                        std::uint8_t* const oend, int bias) {
    if (bias < 1) return DecodeStatus::BadBias;
    const unsigned ubias = static_cast<unsigned>(bias);
    if (bias <= kFastMaxBias) {
        if (!FastGroups<kBounded, true>(c, iend, ostart, oend, ubias)) return DecodeStatus::DistanceBeforeStart;
        if (c.op - ostart >= kWindowSize) FastGroups<kBounded, false>(c, iend, ostart, oend, ubias);
    }
    // The careful loop: every read and write checked.
    const std::uint8_t* ip = c.ip;
    std::uint8_t* op = c.op;
    DecodeStatus status = DecodeStatus::Ok;
    while (op < oend) {
        if (kBounded && ip >= iend) {
            status = DecodeStatus::TruncatedInput;
            break;
        }
        unsigned flags = *ip++;
        for (int k = 0; k < 8 && op < oend; ++k, flags >>= 1) {
            if (flags & 1) {
                if (kBounded && ip >= iend) {
                    status = DecodeStatus::TruncatedInput;
                    goto done;
                }
                *op++ = *ip++;
                continue;
            }
            if (kBounded && iend - ip < 2) {
                status = DecodeStatus::TruncatedInput;
                goto done;
            }
            const unsigned w = ip[0] | (unsigned(ip[1]) << 8);
            ip += 2;
            const std::size_t dist = (w >> 4) + 1;
            std::size_t len = (w & 15) + ubias;
            if (dist > static_cast<std::size_t>(op - ostart)) {
                status = DecodeStatus::DistanceBeforeStart;
                goto done;
            }
            const std::size_t room = static_cast<std::size_t>(oend - op);
            if (len > room) {
                CopyMatch(op, dist, room);
                op = oend;
                status = DecodeStatus::ReferencePastEnd;
                goto done;
            }
            CopyMatch(op, dist, len);
            op += len;
        }
    }
done:
    c.ip = ip;
    c.op = op;
    return status;
}

}  // namespace

const char* DecodeStatusText(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::Ok: return "ok";
        case DecodeStatus::TruncatedInput: return "the compressed data ends too early";
        case DecodeStatus::DistanceBeforeStart: return "a back-reference reaches before the start of the data";
        case DecodeStatus::ReferencePastEnd: return "a back-reference runs past the declared size";
        case DecodeStatus::BadBias: return "invalid length bias";
    }
    return "unknown status";
}

DecodeResult DecodeLZ(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, int bias) {
    DecodeResult result;
    if (output.empty()) return result;
    Cursor c{input.data(), output.data()};
    result.status = DecodeCore<true>(c, input.data() + input.size(), output.data(),
                                     output.data() + output.size(), bias);
    result.consumed = static_cast<std::size_t>(c.ip - input.data());
    result.produced = static_cast<std::size_t>(c.op - output.data());
    return result;
}

DecodeStatus ExpandBuffer(std::uint8_t* output, const std::uint8_t* input, std::int32_t decompressedSize,
                          int bias) {
    if (decompressedSize <= 0) return DecodeStatus::Ok;
    if (bias < 1) return DecodeStatus::BadBias;
    Cursor c{input, output};
    return DecodeCore<false>(c, nullptr, output, output + decompressedSize, bias);
}

std::uint64_t MaxDecompressedSizeForBias(std::uint64_t storedSize, int bias) {
    if (bias < 1) return 0;
    const std::uint64_t longest = 15 + static_cast<std::uint64_t>(bias);
    const std::uint64_t groups = storedSize / 17;
    const std::uint64_t rest = storedSize % 17;
    std::uint64_t size = groups * 8 * longest;
    if (rest > 0) size += (rest - 1) / 2 * longest + (rest - 1) % 2;  // an odd byte is a literal
    return size;
}

std::uint64_t MaxDecompressedSize(std::uint64_t storedSize, int type) {
    if (!IsLZType(type)) return storedSize;
    return MaxDecompressedSizeForBias(storedSize, LengthBias(type));
}

void RingDecode(std::span<const std::uint8_t> input, int type, std::vector<std::uint8_t>& output) {
    if (!IsLZType(type)) return;
    constexpr unsigned N = kWindowSize;
    const unsigned F = type == 1 ? 17 : 18;
    std::uint8_t ring[N];
    std::memset(ring, ' ', N - F);
    std::memset(ring + (N - F), 0, F);
    unsigned r = N - F;
    std::uint32_t produced = 0;
    unsigned flags = 0;
    std::size_t pos = 0;
    const std::size_t end = input.size();
    output.reserve(output.size() + end * 2);
    for (;;) {
        flags >>= 1;
        if ((flags & 0x100) == 0) {
            if (pos >= end) break;
            flags = input[pos++] | 0xFF00u;
        }
        if (flags & 1) {
            if (pos >= end) break;
            const std::uint8_t b = input[pos++];
            output.push_back(b);
            ring[r] = b;
            r = (r + 1) & (N - 1);
            produced += 1;
        } else {
            if (pos >= end) break;
            const unsigned i = input[pos++];
            if (pos >= end) break;
            const unsigned j = input[pos++];
            const unsigned offset = ((i & 0xF0) | (j << 8)) >> 4;
            const unsigned count = (i & 0x0F) + F - 15;
            const unsigned start = (produced - offset - F + 4095) & (N - 1);
            for (unsigned k = 0; k < count; ++k) {
                const std::uint8_t b = ring[(start + k) & (N - 1)];
                output.push_back(b);
                ring[r] = b;
                r = (r + 1) & (N - 1);
            }
            produced += count;
        }
    }
}

}  // namespace codec
