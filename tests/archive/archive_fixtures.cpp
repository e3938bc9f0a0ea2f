#include "archive/archive_fixtures.h"

namespace fixtures {

void PutInt32(Bytes& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

void PutInt16(Bytes& out, std::int16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
}

Bytes EntryBytes(const RawEntry& e) {
    Bytes out;
    PutInt32(out, e.decompressed);
    PutInt32(out, static_cast<std::int32_t>(e.data.size()));
    PutInt16(out, e.type);
    out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

Bytes RawArchive(const std::vector<RawEntry>& entries) {
    Bytes body;
    std::vector<std::int32_t> slots;
    const auto tableSize = static_cast<std::int32_t>((entries.size() + 1) * 4);
    for (const auto& e : entries) {
        slots.push_back(tableSize + static_cast<std::int32_t>(body.size()));
        auto b = EntryBytes(e);
        body.insert(body.end(), b.begin(), b.end());
    }
    slots.push_back(tableSize + static_cast<std::int32_t>(body.size()));
    Bytes out;
    for (auto s : slots) PutInt32(out, s);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace fixtures
