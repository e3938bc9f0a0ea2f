#include "archive/item_operations.h"

#include <sys/stat.h>

#include <climits>

#include "archive/change_log.h"
#include "archive/error.h"
#include "archive/helpers.h"
#include "archive/load.h"

namespace archive {

namespace {

// The offset table is addressed with signed 32-bit byte offsets (at most
// 536,870,910 slots), and every item costs a record in memory; real archives
// hold thousands of items, so four million is a bound no genuine archive
// meets and one that a stray count in a script cannot turn into gigabytes.
constexpr std::int64_t kMaxItemCount = std::int64_t{1} << 22;

bool ValidItem(const ItemTable& table, std::int32_t item) { return item >= 0 && item < table.ItemCount; }

void CheckItem(const ItemTable& table, std::int32_t item, int base, const char* source) {
    if (!ValidItem(table, item)) throw Error(base + item, source, "Invalid .HQR item number");
}

void CheckPosition(const ItemTable& table, std::int32_t pos, const char* source, std::int64_t adding = 1) {
    if (pos < 0 || pos > table.ItemCount) throw Error(kBadPositionBase + pos, source, "Invalid .HQR item number");
    if (table.ItemCount + adding > kMaxItemCount) throw Error(6, source, "Too many items for one archive");
}

bool IsRegularFile(const std::string& path, std::int64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = st.st_size;
    return true;
}

// Reads an item's source file; its length must fit the entry header.
Bytes ReadItemFile(const std::string& path, std::int64_t size, const char* source) {
    if (size > INT32_MAX / 2) throw Error(7, source, "The file '" + path + "' is too large for an archive item");
    Bytes data;
    ReadFromFile(path, data);
    if (data.size() > static_cast<std::size_t>(INT32_MAX / 2))
        throw Error(7, source, "The file '" + path + "' is too large for an archive item");
    return data;
}

// The text after the last "." of the file's name (not of a folder's), in
// upper case.
std::string ExtensionOf(const std::string& path) {
    std::size_t nameStart = path.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return "";
    std::string ext = path.substr(dot + 1);
    for (auto& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

void CheckType(std::int16_t type, const char* source) {
    if (type < 0 || type > 2) throw Error(kInvalidCompressTypeBase + type, source, "Invalid compression type");
}

// Inserts a record at pos holding a copy of the one that moves up, and
// renumbers every reference to a moved record.
void OpenSlot(ItemTable& table, std::int32_t pos) {
    if (table.Changes) table.Changes->BeforeInsert(table, pos, 1);
    ItemRecord copy = table[pos];
    copy.Stamp = NextGeneration();
    table.Records.insert(table.Records.begin() + pos, std::move(copy));
    table.Generation = NextGeneration();
    ++table.ItemCount;
    ++table.SlotCount;
    for (auto& record : table.Records)
        if (record.RefersTo >= pos) ++record.RefersTo;
}

// Called after HandOverShares: no other record refers to item any more.
void RemoveRecord(ItemTable& table, std::int32_t item) {
    if (table.Changes) table.Changes->BeforeErase(table, item);
    const bool hidden = table[item].IsHidden;
    table.Records.erase(table.Records.begin() + item);
    table.Generation = NextGeneration();
    --table.ItemCount;
    if (!hidden) --table.SlotCount;
    for (std::int32_t k = 0; k <= table.ItemCount; ++k) {
        auto& record = table[k];
        if (record.RefersTo > item)
            --record.RefersTo;
        else if (record.RefersTo == item)
            record.RefersTo = k;
    }
}

void ClearHeader(ItemRecord& record) {
    record.DecompressedSize = 0;
    record.CompressedSize = 0;
    record.CompressionType = 0;
    record.Data.clear();
}

// Makes record the normal item `index` holding data, the stored form of a
// file of decompressedSize bytes read from path.
void TakeFileContents(ItemRecord& record, std::int32_t index, std::size_t decompressedSize, Bytes data,
                      std::int16_t type, const std::string& path) {
    record.RefersTo = index;
    record.DecompressedSize = static_cast<std::int32_t>(decompressedSize);
    record.Data = std::move(data);
    record.CompressionType = type;
    record.CompressedSize = static_cast<std::int32_t>(record.Data.size());
    record.IsBlank = false;
    record.Extension = ExtensionOf(path);
    UpdateDisplayTexts(record);
}

// Makes record the blank item `index`.
void MakeBlank(ItemRecord& record, std::int32_t index) {
    ClearHeader(record);
    record.IsBlank = true;
    record.RefersTo = index;
    record.Marked = false;
    record.IsHidden = false;
    record.Description.clear();
    record.Extension.clear();
    record.SourceFile.clear();
    record.SizeText.clear();
    record.StoredSizeText.clear();
    record.TypeText.clear();
}

// The target of a new pointer is checked before its position.
void CheckTarget(const ItemTable& table, std::int32_t pos, std::int32_t target) {
    if (!ValidItem(table, target))
        throw Error(kAddPointerBadTargetBase + pos, "AddPointer", "Invalid pointing-to .HQR item number");
}

// What a new pointer takes over from its target (sharing its bytes).
void CopyPointerFields(const ItemRecord& from, ItemRecord& record) {
    record.DecompressedSize = from.DecompressedSize;
    record.CompressedSize = from.CompressedSize;
    record.CompressionType = from.CompressionType;
    record.Data = from.Data;
    record.IsBlank = from.IsBlank;
    record.Extension = from.Extension;
    record.SizeText = from.SizeText;
    record.StoredSizeText = from.StoredSizeText;
    record.TypeText = from.TypeText;
}

}  // namespace

char RestoredFirstCharacter(const Bytes& data) {
    return data.size() >= 4 && data[1] == 'I' && data[2] == 'F' && data[3] == 'F' ? 'R' : 'C';
}

std::int32_t FindFirstRepetition(const ItemTable& table, std::int32_t start, std::int32_t target) {
    constexpr const char* kSource = "FindFirstRepetition";
    CheckItem(table, start, kRepetitionBase, kSource);
    if (!ValidItem(table, target))
        throw Error(kRepetitionBadTargetBase + start, kSource, "Invalid pointing-to .HQR item number");
    for (std::int32_t k = start + 1; k <= table.ItemCount; ++k)
        if (table[k].RefersTo == target) return k;
    return start;
}

void HandOverShares(ItemTable& table, std::int32_t item) {
    for (std::int32_t k = 0; k < item; ++k) {
        if (table[k].RefersTo == item) {
            NoteChange(table, k);
            table[k].RefersTo = k;
            table.Generation = NextGeneration();
        }
    }
    const std::int32_t heir = FindFirstRepetition(table, item, item);
    if (heir == item) return;
    table.Generation = NextGeneration();
    // The heir already holds the bytes (changing them later gives it a
    // buffer of its own); it only stops referring.
    NoteChange(table, heir);
    table[heir].RefersTo = heir;
    UpdateDisplayTexts(table[heir]);
    for (std::int32_t k = heir + 1; k <= table.ItemCount; ++k) {
        if (table[k].RefersTo == item) {
            NoteChange(table, k);
            table[k].RefersTo = heir;
        }
    }
}

void AddItem(ItemTable& table, std::int32_t pos, const std::string& path, std::int16_t type,
             const MethodSettings& methods) {
    constexpr const char* kSource = "AddItem";
    std::int64_t size = 0;
    if (!IsRegularFile(path, size)) throw Error(kAddItemNotFoundBase + pos, kSource, "Specified file not found");
    CheckType(type, kSource);
    CheckPosition(table, pos, kSource);

    Bytes bytes = ReadItemFile(path, size, kSource);
    Bytes data;
    CompressFile(bytes, data, type, methods);

    OpenSlot(table, pos);
    ItemRecord& record = table[pos];
    record.Marked = false;
    record.IsHidden = false;
    record.Description.clear();
    record.SourceFile.clear();
    TakeFileContents(record, pos, bytes.size(), std::move(data), type, path);
}

void InsertBlankItem(ItemTable& table, std::int32_t pos) {
    CheckPosition(table, pos, "InsertBlankItem");
    OpenSlot(table, pos);
    MakeBlank(table[pos], pos);
}

void AddPointer(ItemTable& table, std::int32_t pos, std::int32_t target) {
    constexpr const char* kSource = "AddPointer";
    CheckTarget(table, pos, target);
    CheckPosition(table, pos, kSource);
    OpenSlot(table, pos);
    // The target is numbered as after the insertion.
    if (target != pos) CopyPointerFields(table[target], table[pos]);
    ItemRecord& record = table[pos];
    record.RefersTo = target;
    record.Marked = false;
    record.IsHidden = false;
    record.Description.clear();
    record.SourceFile.clear();
}

// Both multiple insertions give exactly the table that count single
// insertions at pos, pos + 1, ... would give, but build it in one pass: one
// at a time, every insertion moves and renumbers the whole table, and a
// script asking for many thousands of items would run for hours.
namespace {

// Moves the records of table into the new order old[0..pos-1], inserted,
// old[pos..], and renumbers the old records' references past pos.
void SpliceRecords(ItemTable& table, std::int32_t pos, std::vector<ItemRecord> inserted) {
    const auto count = static_cast<std::int32_t>(inserted.size());
    if (table.Changes) table.Changes->BeforeInsert(table, pos, count);
    for (auto& r : inserted) r.Stamp = NextGeneration();
    for (auto& r : table.Records)
        if (r.RefersTo >= pos) r.RefersTo += count;
    table.Records.insert(table.Records.begin() + pos, std::make_move_iterator(inserted.begin()),
                         std::make_move_iterator(inserted.end()));
    table.Generation = NextGeneration();
    table.ItemCount += count;
    table.SlotCount += count;
}

}  // namespace

void AddMultiplePointers(ItemTable& table, std::int32_t pos, std::int32_t target, std::int32_t count) {
    if (count < 1) return;
    CheckTarget(table, pos, target);
    CheckPosition(table, pos, "AddMultiplePointers", count);

    // The k-th single insertion (at pos + k) starts from a copy of the record
    // that moves up, old[pos], and reads its target in the numbering of that
    // moment: an old record before pos, one of the pointers inserted before
    // it, the new slot itself (then it copies nothing), or an old record
    // behind them. Its reference is renumbered by the insertions after it
    // only when it points behind the slot.
    std::vector<ItemRecord> inserted;
    inserted.reserve(static_cast<std::size_t>(count));
    ItemRecord withoutData = table[pos];
    withoutData.Data.clear();
    for (std::int32_t k = 0; k < count; ++k) {
        const ItemRecord* from = target < pos       ? &table[target]
                                 : target < pos + k ? &inserted[static_cast<std::size_t>(target - pos)]
                                 : target > pos + k ? &table[target - k - 1]
                                                    : nullptr;
        ItemRecord record = from ? withoutData : table[pos];
        if (from) CopyPointerFields(*from, record);
        record.RefersTo = target <= pos + k ? target : target + (count - 1 - k);
        record.Marked = false;
        record.IsHidden = false;
        record.Description.clear();
        record.SourceFile.clear();
        inserted.push_back(std::move(record));
    }
    SpliceRecords(table, pos, std::move(inserted));
}

void AddMultipleBlankItems(ItemTable& table, std::int32_t pos, std::int32_t count) {
    if (count < 1) return;
    CheckPosition(table, pos, "AddMultipleBlankItems", count);
    ItemRecord blank = table[pos];
    MakeBlank(blank, pos);
    std::vector<ItemRecord> inserted(static_cast<std::size_t>(count), blank);
    for (std::int32_t k = 0; k < count; ++k) inserted[static_cast<std::size_t>(k)].RefersTo = pos + k;
    SpliceRecords(table, pos, std::move(inserted));
}

void RemoveItem(ItemTable& table, std::int32_t item) {
    CheckItem(table, item, kRemoveItemBase, "RemoveItem");
    HandOverShares(table, item);
    // Voice archives mark runs of hidden entries in the first stored byte of
    // each; removing one inside or at the end of a run re-marks the one
    // before it. Compressed data has no such byte to spare: its first byte
    // belongs to the stream.
    if (item > 0 && table[item - 1].IsHidden && table[item].IsHidden && table[item - 1].CompressionType == 0) {
        Bytes& before = ChangeItem(table, item - 1).Data.Edit();
        if (table[item + 1].IsHidden)
            FCharEx(before, RestoredFirstCharacter(before));
        else
            FChar(before, kMarkerRunEnds);
    }
    RemoveRecord(table, item);
}

void RemoveMarkedItems(ItemTable& table) {
    std::int32_t k = 0;
    while (k < table.ItemCount) {
        if (table[k].Marked)
            RemoveItem(table, k);
        else
            ++k;
    }
}

void ChangeItemCompressionType(ItemTable& table, std::int32_t item, std::int16_t type,
                               const MethodSettings& methods) {
    CheckItem(table, item, kChangeCompressionBase, "ChangeItemCompressionType");
    CheckType(type, "CompressFile");
    const ItemRecord& old = table[item];
    Bytes data;
    ExpandCompressedFile(old.Data, table.WorkBuffer, old.DecompressedSize, old.CompressionType, methods);
    CompressFile(table.WorkBuffer, data, type, methods);
    ItemRecord& record = ChangeItem(table, item);
    record.Data = std::move(data);
    record.CompressionType = type;
    record.CompressedSize = static_cast<std::int32_t>(record.Data.size());
    UpdateDisplayTexts(record);
}

void ChangeItemType(ItemTable& table, std::int32_t item) {
    constexpr const char* kSource = "ChangeItemType";
    CheckItem(table, item, kChangeItemTypeBase, kSource);
    if (table[item].IsHidden) throw Error(kChangeItemTypeHiddenBase + item, kSource, "Item is hidden");
    ChangeItem(table, item);
    table.Generation = NextGeneration();
    table[item].IsBlank = !table[item].IsBlank;
    if (table[item].IsBlank) {
        HandOverShares(table, item);
    } else {
        // An item made non-blank holds no bytes; left referring to another
        // record it would be saved with that record's bytes instead.
        table[item].RefersTo = item;
    }
    ItemRecord& record = table[item];
    ClearHeader(record);
    record.SizeText = "0";
    record.StoredSizeText = "0";
    record.TypeText = "0";
}

void ReplaceItemWithFile(ItemTable& table, std::int32_t item, const std::string& path, std::int16_t type,
                         const MethodSettings& methods) {
    constexpr const char* kSource = "ReplaceItemWithFile";
    CheckItem(table, item, kReplaceItemBase, kSource);
    std::int64_t size = 0;
    if (!IsRegularFile(path, size)) throw Error(kReplaceNotFoundBase + item, kSource, "Specified file not found");
    CheckType(type, "CompressFile");

    Bytes bytes = ReadItemFile(path, size, kSource);
    if (table[item + 1].IsHidden)
        FChar(bytes, kMarkerHiddenFollows);
    else if (table[item].IsHidden)
        FChar(bytes, kMarkerRunEnds);
    Bytes data;
    CompressFile(bytes, data, type, methods);

    HandOverShares(table, item);
    ItemRecord& record = ChangeItem(table, item);
    if (record.RefersTo != item || record.IsBlank) table.Generation = NextGeneration();
    record.SourceFile = path;
    // A pointer keeps no bytes of its own in the file: still referring, the
    // replacement would silently not be saved. TakeFileContents makes it an
    // item of its own.
    TakeFileContents(record, item, bytes.size(), std::move(data), type, path);
}

void ItemToFromPointer(ItemTable& table, std::int32_t item, std::int32_t target) {
    constexpr const char* kSource = "ItemToFromPointer";
    CheckItem(table, item, kToFromPointerBase, kSource);
    if (!ValidItem(table, target))
        throw Error(kToFromPointerBadTargetBase + item, kSource, "Invalid pointing-to .HQR item number");
    if (table[item].IsHidden) throw Error(kToFromPointerHiddenBase + item, kSource, "Item is hidden");
    // Handed over even when item is already a pointer: a record that
    // referred to it would otherwise follow it to the new target (or, when
    // the new target refers to item, form a loop the saver cannot resolve).
    HandOverShares(table, item);
    table.Generation = NextGeneration();
    ItemRecord& record = ChangeItem(table, item);
    record.RefersTo = target;
    if (target != item) {
        const ItemRecord& from = table[target];
        record.DecompressedSize = from.DecompressedSize;
        record.CompressedSize = from.CompressedSize;
        record.CompressionType = from.CompressionType;
        record.IsBlank = from.IsBlank;
        record.Data = from.Data;
    }
    UpdateDisplayTexts(record);
}

}  // namespace archive
