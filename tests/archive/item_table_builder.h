// Small item tables built in memory, and archive bytes written independently
// of the archive writer, for the tests of the archive layer.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "archive/helpers.h"
#include "archive/item_table.h"
#include "support/test_support.h"

namespace testing_support {

struct ItemSpec {
    enum Kind { Normal, Pointer, Blank, Hidden } kind = Normal;
    std::string bytes;  // stored as type 0
    int target = 0;     // for Pointer
    std::string extension;
};

inline ItemSpec N(std::string bytes, std::string ext = "") { return {ItemSpec::Normal, std::move(bytes), 0, std::move(ext)}; }
inline ItemSpec P(int target) { return {ItemSpec::Pointer, "", target, ""}; }
inline ItemSpec B() { return {ItemSpec::Blank, "", 0, ""}; }
inline ItemSpec H(std::string bytes) { return {ItemSpec::Hidden, std::move(bytes), 0, ""}; }

inline archive::ItemTable BuildTable(const std::vector<ItemSpec>& items, const std::string& key = "TEST") {
    archive::ItemTable table;
    const auto count = static_cast<std::int32_t>(items.size());
    table.ItemCount = count;
    table.SlotCount = 0;
    table.ArchiveKey = key;
    table.Records.assign(items.size() + 1, archive::ItemRecord{});
    for (std::int32_t i = 0; i <= count; ++i) table[i].RefersTo = i;
    for (std::int32_t i = 0; i < count; ++i) {
        const ItemSpec& s = items[static_cast<std::size_t>(i)];
        archive::ItemRecord& r = table[i];
        if (s.kind != ItemSpec::Hidden) ++table.SlotCount;
        if (s.kind == ItemSpec::Blank) {
            r.IsBlank = true;
        } else if (s.kind == ItemSpec::Pointer) {
            r = table[s.target];
            r.RefersTo = s.target;
        } else {
            r.Data = archive::Bytes(s.bytes.begin(), s.bytes.end());
            r.IsHidden = s.kind == ItemSpec::Hidden;
        }
        r.DecompressedSize = r.CompressedSize = static_cast<std::int32_t>(r.Data.size());
        r.Extension = s.extension;
        archive::UpdateDisplayTexts(r);
    }
    archive::UpdateDisplayTexts(table[count]);
    return table;
}

// A voice archive whose counts all differ (4 normal, 3 hidden, 2 pointers,
// 1 blank) and whose last item is compressed (8 bytes stored, 40 'A's
// decompressed), so that any two counts or sizes swapped show.
inline archive::ItemTable DistinctCountsTable() {
    archive::ItemTable t = BuildTable({N("\x01" "first"), H("\x01" "h1"), H("\x01" "h2"), H(std::string("\0h3", 3)),
                                       N("fifth item"), P(0), P(4), B(), N("eighth"), N("")});
    t[9].Data = archive::Bytes{0x01, 'A', 0x0F, 0x00, 0x0F, 0x00, 0xE0, 0x00};
    t[9].CompressedSize = 8;
    t[9].DecompressedSize = 40;
    t[9].CompressionType = 2;
    archive::UpdateDisplayTexts(t[9]);
    return t;
}

inline std::string Text(const archive::Bytes& b) { return std::string(b.begin(), b.end()); }

inline std::vector<std::int32_t> RefersTos(const archive::ItemTable& t) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i <= t.ItemCount; ++i) out.push_back(t[i].RefersTo);
    return out;
}

// Every field of every record, for "nothing changed" checks.
inline bool SameTable(const archive::ItemTable& a, const archive::ItemTable& b) {
    auto fields = [](const archive::ItemRecord& x) {
        return std::tie(x.Offset, x.DecompressedSize, x.CompressedSize, x.CompressionType, x.IsBlank, x.RefersTo,
                        x.Data, x.Marked, x.Description, x.Extension, x.SourceFile, x.IsHidden, x.SizeText,
                        x.StoredSizeText, x.TypeText);
    };
    if (a.ItemCount != b.ItemCount || a.SlotCount != b.SlotCount || a.Records.size() != b.Records.size() ||
        a.RecordedScript != b.RecordedScript || a.RecordedScriptChanged != b.RecordedScriptChanged ||
        a.Generation != b.Generation)
        return false;
    for (std::size_t i = 0; i < a.Records.size(); ++i)
        if (fields(a.Records[i]) != fields(b.Records[i])) return false;
    return true;
}

// Little-endian archive bytes: an entry header and its data, and an archive
// of such entries, one slot each.
inline void PutInt32(Bytes& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

inline Bytes EntryBytes(std::int32_t decompressed, std::int16_t type, const Bytes& data) {
    Bytes out;
    PutInt32(out, decompressed);
    PutInt32(out, static_cast<std::int32_t>(data.size()));
    out.push_back(static_cast<std::uint8_t>(type));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(type) >> 8));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline Bytes RawArchive(const std::vector<Bytes>& entries) {
    Bytes table, body;
    const auto start = static_cast<std::int32_t>((entries.size() + 1) * 4);
    for (const Bytes& e : entries) {
        PutInt32(table, start + static_cast<std::int32_t>(body.size()));
        body.insert(body.end(), e.begin(), e.end());
    }
    PutInt32(table, start + static_cast<std::int32_t>(body.size()));
    table.insert(table.end(), body.begin(), body.end());
    return table;
}

}  // namespace testing_support
