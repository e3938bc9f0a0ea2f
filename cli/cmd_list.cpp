// orvane-cli list / info: what an archive holds, as the item list shows it.
#include <algorithm>
#include <cstdio>

#include "archive/helpers.h"
#include "archive/load.h"
#include "cli/command.h"
#include "shell/item_list.h"
#include "shell/settings.h"

namespace cli {
namespace {

const char* KindName(shell::RowKind kind) {
    switch (kind) {
        case shell::RowKind::Blank: return "blank";
        case shell::RowKind::Pointer: return "pointer";
        case shell::RowKind::Hidden: return "hidden";
        case shell::RowKind::Normal: break;
    }
    return "normal";
}

using Line = std::array<std::string, shell::kItemColumnCount>;

// The header and the rows' texts in columns as wide as their widest text.
void PrintTable(const Line& header, const std::vector<shell::ItemRow>& rows) {
    std::array<std::size_t, shell::kItemColumnCount> width{};
    auto widen = [&](const Line& line) {
        for (int c = 0; c < shell::kItemColumnCount; ++c) width[c] = std::max(width[c], line[c].size());
    };
    widen(header);
    for (const auto& row : rows) widen(row.Texts);
    auto print = [&](const Line& line) {
        std::string out;
        int last = shell::kItemColumnCount - 1;
        while (last > 0 && line[last].empty()) --last;
        for (int c = 0; c <= last; ++c) {
            out += line[c];
            if (c < last) out.append(width[c] - line[c].size() + 2, ' ');
        }
        std::printf("%s\n", out.c_str());
    };
    print(header);
    for (const auto& row : rows) print(row.Texts);
}

void PrintJson(const archive::ItemTable& table, const std::string& path) {
    std::printf("{\"path\": %s, \"key\": %s, \"title\": %s, \"voice\": %s, \"item_count\": %d, \"slot_count\": %d, "
                "\"items\": [",
                JsonString(path).c_str(), JsonString(table.ArchiveKey).c_str(), JsonString(table.ArchiveTitle).c_str(),
                table.IsVoiceArchive ? "true" : "false", table.ItemCount, table.SlotCount);
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        const auto& r = table[i];
        const bool compressed = r.CompressionType > 0;
        std::printf("%s\n  {\"index\": %d, \"kind\": \"%s\", \"refers_to\": %d, \"offset\": %d, "
                    "\"decompressed_size\": %d, \"stored_size\": %d, \"type\": %d, \"type_name\": %s, "
                    "\"ratio\": %s, \"extension\": %s, \"description\": %s, \"source_file\": %s}",
                    i == 0 ? "" : ",", i, KindName(shell::ItemRowKind(table, i)), r.RefersTo, r.Offset,
                    r.DecompressedSize, r.CompressedSize, r.CompressionType, JsonString(r.TypeText).c_str(),
                    JsonString(compressed ? archive::CRatioStr(r.DecompressedSize, r.CompressedSize) : "").c_str(),
                    JsonString(r.Extension).c_str(), JsonString(r.Description).c_str(),
                    JsonString(r.SourceFile).c_str());
    }
    std::printf("%s]}\n", table.ItemCount ? "\n" : "");
}

extern const Command kList;
int RunList(const Args& args) {
    auto parsed = ParseArgs(args, {"json"}, {});
    if (!parsed.error.empty()) return UsageError(kList, parsed.error);
    if (parsed.positionals.size() != 1) return UsageError(kList, "expected one ARCHIVE");
    const std::string& path = parsed.positionals[0];
    archive::ItemTable table;
    archive::LoadArchive(table, path);
    if (parsed.Has("json")) {
        PrintJson(table, path);
        return kExitOk;
    }
    Line header;
    for (int c = 0; c < shell::kItemColumnCount; ++c) header[c] = shell::kItemColumnCaptions[c];
    // Number the rows as the desktop list does, by the program's settings.
    const bool tarvoNumbering = shell::LoadSettings().ItemsIndexTarvoDeCOMP;
    PrintTable(header, shell::FillItemRows(table, tarvoNumbering));
    return kExitOk;
}

extern const Command kInfo;
int RunInfo(const Args& args) {
    auto parsed = ParseArgs(args, {"json"}, {});
    if (!parsed.error.empty()) return UsageError(kInfo, parsed.error);
    if (parsed.positionals.size() != 1) return UsageError(kInfo, "expected one ARCHIVE");
    const std::string& path = parsed.positionals[0];
    archive::ItemTable table;
    archive::LoadArchive(table, path);
    int counts[4] = {};
    std::int64_t stored = 0, decompressed = 0;
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        counts[static_cast<int>(shell::ItemRowKind(table, i))]++;
        if (!table.IsPointer(i)) {
            stored += table[i].CompressedSize;
            decompressed += table[i].DecompressedSize;
        }
    }
    const auto& kinds = counts;
    if (parsed.Has("json")) {
        std::printf("{\"path\": %s, \"key\": %s, \"title\": %s, \"voice\": %s, \"item_count\": %d, \"slot_count\": %d, "
                    "\"file_size\": %d, \"normal\": %d, \"pointers\": %d, \"blank\": %d, \"hidden\": %d, "
                    "\"stored_bytes\": %lld, \"decompressed_bytes\": %lld}\n",
                    JsonString(path).c_str(), JsonString(table.ArchiveKey).c_str(),
                    JsonString(table.ArchiveTitle).c_str(), table.IsVoiceArchive ? "true" : "false", table.ItemCount,
                    table.SlotCount, table[table.ItemCount].Offset, kinds[3], kinds[1], kinds[0], kinds[2],
                    static_cast<long long>(stored), static_cast<long long>(decompressed));
        return kExitOk;
    }
    std::printf("Path:               %s\n", path.c_str());
    std::printf("Key:                %s\n", table.ArchiveKey.c_str());
    std::printf("Title:              %s\n", table.ArchiveTitle.c_str());
    std::printf("Voice archive:      %s\n", table.IsVoiceArchive ? "yes" : "no");
    std::printf("Items:              %d (%d normal, %d pointers, %d blank, %d hidden)\n", table.ItemCount, kinds[3],
                kinds[1], kinds[0], kinds[2]);
    std::printf("Slots:              %d\n", table.SlotCount);
    std::printf("File size:          %d\n", table[table.ItemCount].Offset);
    std::printf("Stored bytes:       %lld\n", static_cast<long long>(stored));
    std::printf("Decompressed bytes: %lld\n", static_cast<long long>(decompressed));
    return kExitOk;
}

const Command kList{"list", "list [--json] ARCHIVE", "List the items of an archive, as the item list shows them.",
                    "Prints one line per item with the columns Index, Offset, Decompressed size, Compressed size,\n"
                    "Compression type, Replace with, Ratio, Extension and Description.\n\n"
                    "Options:\n"
                    "  --json   print one JSON object with the archive's fields and an array of items\n",
                    RunList};
const Command kInfo{"info", "info [--json] ARCHIVE", "Show the table-level facts of an archive.",
                    "Prints the key, title, voice flag, item and slot counts, file size and byte totals.\n\n"
                    "Options:\n"
                    "  --json   print them as one JSON object\n",
                    RunInfo};
const CommandRegistration registerList(kList);
const CommandRegistration registerInfo(kInfo);

}  // namespace
}  // namespace cli
