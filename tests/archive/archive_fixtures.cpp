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

archive::ItemTable StartTable() {
    archive::ItemTable t;
    t.Records.clear();
    return t;
}

namespace {
archive::ItemRecord& Append(archive::ItemTable& t) {
    t.Records.emplace_back();
    auto& r = t.Records.back();
    r.RefersTo = static_cast<std::int32_t>(t.Records.size()) - 1;
    return r;
}
}  // namespace

void AddNormal(archive::ItemTable& t, const Bytes& data, std::int16_t type, std::int32_t decompressed) {
    auto& r = Append(t);
    r.Data = data;
    r.CompressedSize = static_cast<std::int32_t>(data.size());
    r.DecompressedSize = decompressed < 0 ? r.CompressedSize : decompressed;
    r.CompressionType = type;
    archive::UpdateDisplayTexts(r);
}

void AddPointer(archive::ItemTable& t, std::int32_t target) {
    auto& r = Append(t);
    const auto& to = t.Records[static_cast<std::size_t>(target)];
    r.RefersTo = target;
    r.Data = to.Data;
    r.CompressedSize = to.CompressedSize;
    r.DecompressedSize = to.DecompressedSize;
    r.CompressionType = to.CompressionType;
    archive::UpdateDisplayTexts(r);
}

void AddBlank(archive::ItemTable& t) {
    auto& r = Append(t);
    r.IsBlank = true;
    archive::UpdateDisplayTexts(r);
}

void AddHidden(archive::ItemTable& t, const Bytes& data) {
    AddNormal(t, data);
    t.Records.back().IsHidden = true;
}

void Finish(archive::ItemTable& t) {
    t.Records.emplace_back();
    t.ItemCount = static_cast<std::int32_t>(t.Records.size()) - 1;
    t.Records.back().RefersTo = t.ItemCount;
    archive::UpdateDisplayTexts(t.Records.back());
    t.SlotCount = 0;
    for (std::int32_t i = 0; i < t.ItemCount; ++i) t.SlotCount += t.Records[static_cast<std::size_t>(i)].IsHidden ? 0 : 1;
}

}  // namespace fixtures
