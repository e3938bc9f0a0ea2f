#include "archive/helpers.h"

#include <cstdio>

namespace archive {

std::int32_t FindInArray(const std::int32_t* values, std::int32_t value, std::int32_t last) {
    for (std::int32_t i = 0; i <= last; ++i)
        if (values[i] == value) return i;
    return -1;
}

std::int32_t FindNextValidOffset(const std::int32_t* offsets, std::int32_t start, std::int32_t last) {
    for (std::int32_t i = start; i <= last; ++i) {
        if (offsets[i] > 0 && FindInArray(offsets, offsets[i], i) == i) return offsets[i];
    }
    return 0;
}

std::string CRatioStr(std::int32_t decompressedSize, std::int32_t storedSize) {
    if (decompressedSize <= 0) return "0.0%";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", 100.0 * storedSize / decompressedSize);
    return buf;
}

void FChar(Bytes& data, std::uint8_t flag) {
    if (!data.empty()) data[0] = flag ? kMarkerHiddenFollows : kMarkerRunEnds;
}

void FCharEx(Bytes& data, char restored) {
    if (!data.empty()) data[0] = static_cast<std::uint8_t>(restored);
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }

std::string IntToHex(std::int32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<std::uint32_t>(value));
    return buf;
}

}  // namespace archive
