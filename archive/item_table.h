// The in-memory item table of an HQR archive.
//
// File layout (all integers little-endian): an offset table of N + 1 signed
// 32-bit slots (slot 0 holds the table's own size, so N = slot0 / 4 - 1; slot
// N holds the file length), then the entries. An entry is a 10-byte header
// (decompressed size, stored size: int32; compression type: int16) and the
// stored bytes. A slot of 0 is a blank item; a slot repeating an earlier slot
// is a pointer to that item; in voice archives (".VOX") entries may also lie
// between two indexed entries with no slot of their own (hidden entries).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace archive {

using Bytes = std::vector<std::uint8_t>;

constexpr int kEntryHeaderSize = 10;

// Display names of compression types 0, 1 and 2.
inline constexpr const char* kTypeNames[3] = {"Store", "LZSS", "LZMIT"};

// The display name of a compression type; an Error (number 9) for a type
// outside 0..2.
const char* TypeName(int type);

struct ItemRecord {
    std::int32_t Offset = 0;            // slot value as loaded: 0 blank, -1 hidden
    std::int32_t DecompressedSize = 0;
    std::int32_t CompressedSize = 0;    // always Data.size()
    std::int16_t CompressionType = 0;
    bool IsBlank = false;
    std::int32_t RefersTo = 0;          // own index, or the target of a pointer
    Bytes Data;                         // stored bytes; a pointer holds its own copy
    bool Marked = false;
    std::string Description;
    std::string Extension;
    std::string SourceFile;
    bool IsHidden = false;
    std::string SizeText;
    std::string StoredSizeText;
    std::string TypeText;
};

// A number no table has had before in this process (never 0).
std::uint64_t NextGeneration();

struct ItemTable {
    // Changes whenever records are inserted, removed or renumbered, a
    // pointer or blank item changes kind, or the table is loaded or made
    // new: a window holding an item number compares it to see whether that
    // number still names the same item. A new table starts with a fresh one.
    std::uint64_t Generation = NextGeneration();
    std::int32_t ItemCount = 0;   // records 0..ItemCount; the last is the end record
    std::int32_t SlotCount = 0;   // records below ItemCount that are not hidden
    bool IsVoiceArchive = false;
    std::string ArchiveKey;
    std::string ArchiveTitle;
    Bytes WorkBuffer;
    std::string RecordedScript;
    bool RecordedScriptChanged = false;
    std::vector<ItemRecord> Records = std::vector<ItemRecord>(1);

    ItemRecord& operator[](std::int32_t i) { return Records[static_cast<std::size_t>(i)]; }
    const ItemRecord& operator[](std::int32_t i) const { return Records[static_cast<std::size_t>(i)]; }

    // True when record i uses another record's stored copy.
    bool IsPointer(std::int32_t i) const { return (*this)[i].RefersTo != i; }
};

// Sets SizeText, StoredSizeText and TypeText from the header fields.
void UpdateDisplayTexts(ItemRecord& record);

}  // namespace archive
