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
#include <memory>
#include <string>
#include <vector>

namespace archive {

using Bytes = std::vector<std::uint8_t>;

constexpr int kEntryHeaderSize = 10;

// The stored bytes of an item. Copies share one immutable buffer: a pointer
// and its target, or a record and its copy, hold the same bytes once.
// Assigning new bytes or Edit() gives this record a buffer of its own (Edit()
// copies the shared bytes first), so changing one record's bytes never changes
// another's. Reads go through the const interface or the conversion to
// const Bytes&.
class SharedBytes {
public:
    SharedBytes() = default;
    SharedBytes(Bytes bytes) { *this = std::move(bytes); }
    SharedBytes& operator=(Bytes bytes) {
        buffer_ = bytes.empty() ? nullptr : std::make_shared<Bytes>(std::move(bytes));
        return *this;
    }

    const Bytes& bytes() const { return buffer_ ? *buffer_ : Empty(); }
    operator const Bytes&() const { return bytes(); }
    std::size_t size() const { return bytes().size(); }
    bool empty() const { return bytes().empty(); }
    const std::uint8_t* data() const { return bytes().data(); }
    std::uint8_t operator[](std::size_t i) const { return bytes()[i]; }
    Bytes::const_iterator begin() const { return bytes().begin(); }
    Bytes::const_iterator end() const { return bytes().end(); }
    void clear() { buffer_ = nullptr; }

    // The bytes of this record alone, to change in place; valid until the
    // record is copied or assigned.
    Bytes& Edit() {
        if (!buffer_ || buffer_.use_count() > 1) buffer_ = std::make_shared<Bytes>(bytes());
        return *buffer_;
    }

    // True when both hold the same buffer (not merely equal bytes).
    bool SharesWith(const SharedBytes& other) const { return buffer_ && buffer_ == other.buffer_; }

    friend bool operator==(const SharedBytes& a, const SharedBytes& b) { return a.bytes() == b.bytes(); }
    friend bool operator==(const SharedBytes& a, const Bytes& b) { return a.bytes() == b; }

private:
    static const Bytes& Empty() {
        static const Bytes empty;
        return empty;
    }

    std::shared_ptr<Bytes> buffer_;  // null when empty
};

// Display names of compression types 0, 1 and 2.
inline constexpr const char* kTypeNames[3] = {"Store", "LZSS", "LZMIT"};

// The display name of a compression type; an Error (number 9) for a type
// outside 0..2.
const char* TypeName(int type);

// A number no table or record has had before in this process (never 0).
std::uint64_t NextGeneration();

struct ItemRecord {
    std::int32_t Offset = 0;            // slot value as loaded: 0 blank, -1 hidden
    std::int32_t DecompressedSize = 0;
    std::int32_t CompressedSize = 0;    // always Data.size()
    std::int16_t CompressionType = 0;
    bool IsBlank = false;
    std::int32_t RefersTo = 0;          // own index, or the target of a pointer
    SharedBytes Data;                   // stored bytes; a pointer shares its target's
    bool Marked = false;
    std::string Description;
    std::string Extension;
    std::string SourceFile;
    bool IsHidden = false;
    std::string SizeText;
    std::string StoredSizeText;
    std::string TypeText;
    // Changes whenever the item's contents or kind change (replaced, retyped,
    // made blank or a pointer, its bytes edited) and differs between any two
    // records: an editor holding (item number, Stamp) sees whether that
    // number still names the item it opened, unchanged.
    std::uint64_t Stamp = NextGeneration();
};

class ChangeLog;

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
    // While set, the item operations note in it every record they change,
    // insert or remove (archive/change_log.h). Not owned.
    ChangeLog* Changes = nullptr;

    ItemRecord& operator[](std::int32_t i) { return Records[static_cast<std::size_t>(i)]; }
    const ItemRecord& operator[](std::int32_t i) const { return Records[static_cast<std::size_t>(i)]; }

    // True when record i uses another record's stored copy.
    bool IsPointer(std::int32_t i) const { return (*this)[i].RefersTo != i; }
};

// Sets SizeText, StoredSizeText and TypeText from the header fields.
void UpdateDisplayTexts(ItemRecord& record);

}  // namespace archive
