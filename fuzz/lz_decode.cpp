// The LZ decoders on arbitrary bytes with an arbitrary declared size: the
// bounded decoder must stay inside both buffers (the output is allocated at
// exactly the declared size so ASan sees any overrun), the plain decoder must
// agree with it wherever the stream is complete, and the ring decoder must
// survive anything.
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/lz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int type = (data[0] & 1) + 1;
    const std::size_t declared = (static_cast<std::size_t>(data[1]) << 8 | data[2]) * ((data[0] >> 1) % 4 + 1);
    data += 3;
    size -= 3;

    std::vector<std::uint8_t> input(data, data + size);  // exactly sized
    std::vector<std::uint8_t> out(declared);
    const codec::DecodeResult r = codec::DecodeLZType(input, out, type);
    if (r.consumed > input.size() || r.produced > out.size()) __builtin_trap();
    if (r.ok() && r.produced != out.size()) __builtin_trap();

    if (declared > 0 && (r.ok() || r.status == codec::DecodeStatus::ReferencePastEnd)) {
        // The plain decoder reads at most one input byte per output byte plus
        // the flag bytes; give it that much so a complete stream is all it sees.
        std::vector<std::uint8_t> padded(input);
        padded.resize(codec::MaxCompressedSize(declared) + 64, 0);
        std::vector<std::uint8_t> plain(declared);
        const codec::DecodeStatus s =
            codec::ExpandBuffer(plain.data(), padded.data(), static_cast<std::int32_t>(declared), codec::LengthBias(type));
        if (s != r.status || plain != out) __builtin_trap();
    }

    if (size <= 4096) {
        std::vector<std::uint8_t> ring;
        codec::RingDecode(input, type, ring);
        if (ring.size() > codec::MaxDecompressedSize(input.size(), type) + 18) __builtin_trap();
    }
    return 0;
}
