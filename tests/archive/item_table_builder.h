// Builds small item tables in memory for the tests of the item operations,
// the dispatcher and extraction.
#pragma once

#include <string>
#include <vector>

#include "archive/helpers.h"
#include "archive/item_table.h"

namespace testing_support {

struct ItemSpec {
    enum Kind { Normal, Pointer, Blank, Hidden } kind = Normal;
    std::string bytes;      // stored as type 0
    int target = 0;         // for Pointer
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
            r.Marked = false;
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

inline std::string Text(const archive::Bytes& b) { return std::string(b.begin(), b.end()); }

inline std::vector<std::int32_t> RefersTos(const archive::ItemTable& t) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i <= t.ItemCount; ++i) out.push_back(t[i].RefersTo);
    return out;
}

// Every field of every record, for "nothing changed" checks.
inline bool SameTable(const archive::ItemTable& a, const archive::ItemTable& b) {
    if (a.ItemCount != b.ItemCount || a.SlotCount != b.SlotCount || a.Records.size() != b.Records.size() ||
        a.RecordedScript != b.RecordedScript || a.RecordedScriptChanged != b.RecordedScriptChanged ||
        a.Generation != b.Generation)
        return false;
    for (std::size_t i = 0; i < a.Records.size(); ++i) {
        const auto& x = a.Records[i];
        const auto& y = b.Records[i];
        if (x.Offset != y.Offset || x.DecompressedSize != y.DecompressedSize || x.CompressedSize != y.CompressedSize ||
            x.CompressionType != y.CompressionType || x.IsBlank != y.IsBlank || x.RefersTo != y.RefersTo ||
            x.Data != y.Data || x.Marked != y.Marked || x.Description != y.Description || x.Extension != y.Extension ||
            x.SourceFile != y.SourceFile || x.IsHidden != y.IsHidden || x.SizeText != y.SizeText ||
            x.StoredSizeText != y.StoredSizeText || x.TypeText != y.TypeText)
            return false;
    }
    return true;
}

}  // namespace testing_support
