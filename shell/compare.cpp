#include "shell/compare.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive/error.h"
#include "archive/item_table.h"

namespace shell {

namespace {

constexpr const char* kSource = "CompareArchives";

struct EntryHeader {
    std::int32_t DecompressedSize = 0;
    std::int32_t StoredSize = 0;
    std::int16_t CompressionType = 0;
};

std::int32_t Int32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
}

// What the comparison needs of one archive: its first slot, its item count
// and, for the items it compares, slot and entry header.
struct ArchiveFacts {
    std::int32_t First = 0;
    std::int32_t Count = 0;
    std::vector<std::int32_t> Slots;
    std::vector<EntryHeader> Headers;
};

class ArchiveFile {
public:
    explicit ArchiveFile(const std::string& path) : path_(path) {
        std::error_code ec;
        auto status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status))
            throw archive::Error(kCompareFileNotFound, kSource, "Specified file not found: '" + path + "'");
        if (!std::filesystem::is_regular_file(status))
            throw archive::Error(kCompareCannotRead, kSource, "Cannot read the archive '" + path + "'");
        in_.open(path, std::ios::binary);
        if (!in_) throw archive::Error(kCompareCannotRead, kSource, "Cannot read the archive '" + path + "'");
        in_.seekg(0, std::ios::end);
        auto end = in_.tellg();
        if (end < 0) throw archive::Error(kCompareCannotRead, kSource, "Cannot read the archive '" + path + "'");
        size_ = static_cast<std::int64_t>(end);
    }

    std::int64_t Size() const { return size_; }

    // Reads length bytes at offset; the caller has checked the range.
    void Read(std::int64_t offset, std::uint8_t* to, std::size_t length) {
        in_.seekg(offset);
        in_.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(length));
        if (!in_) throw archive::Error(kCompareCannotRead, kSource, "Cannot read the archive '" + path_ + "'");
    }

    [[noreturn]] void Truncated(const std::string& detail = "") const {
        throw archive::Error(kCompareTruncated, kSource,
                             "The archive '" + path_ + "' is shorter than its offset table claims" + detail);
    }

private:
    std::string path_;
    std::ifstream in_;
    std::int64_t size_ = 0;
};

ArchiveFacts ReadFirstSlot(ArchiveFile& file) {
    ArchiveFacts facts;
    if (file.Size() < 4) file.Truncated();
    std::uint8_t b[4];
    file.Read(0, b, 4);
    facts.First = Int32At(b);
    // The slot count as the comparison has always derived it: the remainder
    // of the division is dropped (loading rounds instead).
    facts.Count = facts.First / 4 - 1;
    if (facts.Count >= 0 && (static_cast<std::int64_t>(facts.Count) + 1) * 4 > file.Size()) file.Truncated();
    return facts;
}

// Reads slots and entry headers of items 0..count-1.
void ReadItems(ArchiveFile& file, ArchiveFacts& facts, std::int32_t count) {
    if (count <= 0) return;
    archive::Bytes table(static_cast<std::size_t>(count) * 4);
    file.Read(0, table.data(), table.size());
    facts.Slots.resize(static_cast<std::size_t>(count));
    facts.Headers.resize(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t offset = Int32At(&table[static_cast<std::size_t>(i) * 4]);
        facts.Slots[static_cast<std::size_t>(i)] = offset;
        // A blank slot has no header: it compares as zero sizes and type 0.
        if (offset == 0) continue;
        if (offset < 0 || static_cast<std::int64_t>(offset) + archive::kEntryHeaderSize > file.Size())
            file.Truncated(" (item " + std::to_string(i) + ")");
        std::uint8_t h[archive::kEntryHeaderSize];
        file.Read(offset, h, sizeof h);
        EntryHeader& header = facts.Headers[static_cast<std::size_t>(i)];
        header.DecompressedSize = Int32At(h);
        header.StoredSize = Int32At(h + 4);
        header.CompressionType = static_cast<std::int16_t>(h[8] | h[9] << 8);
    }
}

void AddRow(std::vector<ComparisonRow>& rows, bool match, std::string value1, std::string value2,
            std::string subject, const char* what) {
    if (match)
        rows.push_back({"", "", subject + ": " + what + " match"});
    else
        rows.push_back({std::move(value1), std::move(value2), subject + ": " + what + " mismatch"});
}

}  // namespace

std::string OffsetText(int value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::vector<ComparisonRow> CompareArchives(const std::string& path1, const std::string& path2) {
    ArchiveFile file1(path1);
    ArchiveFile file2(path2);
    ArchiveFacts facts1 = ReadFirstSlot(file1);
    ArchiveFacts facts2 = ReadFirstSlot(file2);
    std::int32_t compared = std::max(0, std::min(facts1.Count, facts2.Count));
    ReadItems(file1, facts1, compared);
    ReadItems(file2, facts2, compared);

    std::vector<ComparisonRow> rows;
    rows.reserve(2 + static_cast<std::size_t>(compared) * 4);
    if (facts1.First != facts2.First)
        rows.push_back({OffsetText(facts1.First), OffsetText(facts2.First), "Mismatch"});
    else
        rows.push_back({"", "", "Match"});
    for (std::int32_t i = 0; i < facts1.Count; ++i) {
        if (i >= facts2.Count) {
            rows.push_back({"Item", "EOF", "The first archive has more items, than the second archive"});
            break;
        }
        auto k = static_cast<std::size_t>(i);
        std::int32_t off1 = facts1.Slots[k], off2 = facts2.Slots[k];
        const EntryHeader& h1 = facts1.Headers[k];
        const EntryHeader& h2 = facts2.Headers[k];
        std::string subject = "Item " + std::to_string(i);
        AddRow(rows, off1 == off2, OffsetText(off1), OffsetText(off2), subject, "Offset");
        AddRow(rows, h1.DecompressedSize == h2.DecompressedSize, std::to_string(h1.DecompressedSize),
               std::to_string(h2.DecompressedSize), subject, "Decompressed size");
        AddRow(rows, h1.StoredSize == h2.StoredSize, std::to_string(h1.StoredSize), std::to_string(h2.StoredSize),
               subject, "Compressed size");
        AddRow(rows, h1.CompressionType == h2.CompressionType, std::to_string(h1.CompressionType),
               std::to_string(h2.CompressionType), subject, "Compression type");
    }
    return rows;
}

}  // namespace shell
