// The exports of library Pack: thin shells over codec/optimal_parse.h and the
// bounded decoder of codec/lz.h. Nothing thrown leaves them.
#include "pack/pack.h"

#include <new>

#include "codec/export.h"
#include "codec/lz.h"
#include "codec/optimal_parse.h"

ORVANE_EXPORT int32_t CompressNewEx(const uint8_t* input, int32_t inputLength, uint8_t* output,
                                    int32_t outputCapacity, int32_t* outputLength, int32_t type) {
    if (outputLength) *outputLength = 0;
    if (!outputLength || inputLength < 0 || outputCapacity < 0 || (inputLength > 0 && !input) ||
        (outputCapacity > 0 && !output)) {
        return PACK_BAD_ARGUMENT;
    }
    if (!codec::IsLZType(type)) return PACK_BAD_TYPE;
    try {
        const std::int64_t length = codec::CompressOptimal({input, static_cast<std::size_t>(inputLength)}, type,
                                                           {output, static_cast<std::size_t>(outputCapacity)});
        if (length < 0) return PACK_OUTPUT_TOO_SMALL;
        *outputLength = static_cast<int32_t>(length);
        return PACK_OK;
    } catch (const std::bad_alloc&) {
        return PACK_OUT_OF_MEMORY;
    } catch (...) {
        return PACK_BAD_ARGUMENT;
    }
}

ORVANE_EXPORT int32_t Unpack(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t outputCapacity,
                             int32_t type, int32_t decompressedSize) {
    if (inputLength < 0 || decompressedSize < 0 || (inputLength > 0 && !input) ||
        (decompressedSize > 0 && !output)) {
        return PACK_BAD_ARGUMENT;
    }
    if (!codec::IsLZType(type)) return PACK_BAD_TYPE;
    if (outputCapacity < decompressedSize) return PACK_OUTPUT_TOO_SMALL;
    const auto result = codec::DecodeLZType({input, static_cast<std::size_t>(inputLength)},
                                            {output, static_cast<std::size_t>(decompressedSize)}, type);
    switch (result.status) {
        case codec::DecodeStatus::Ok:
        case codec::DecodeStatus::ReferencePastEnd:
            return decompressedSize;
        default:
            return PACK_DAMAGED_STREAM;
    }
}
