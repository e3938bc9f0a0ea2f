// The operations that change an item table: add items from files, pointers
// and blank items, remove items, replace an item's contents, change its
// compression type, and turn it into a blank item or a pointer and back.
//
// Every check runs before anything changes: an operation that raises leaves
// the table exactly as it was (a file that cannot be read or compressed
// included). Item numbers must lie in 0..ItemCount-1, insert positions in
// 0..ItemCount; a negative number fails the same check as one too large.
#pragma once

#include <cstdint>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"

namespace archive {

// Inserts an item at pos from the file at path, compressed to type (lowered
// to 0 when that does not pay). Extension is the text after the last "." of
// the file's name, in upper case.
// Errors: 7168 + pos "Specified file not found"; 9216 + type "Invalid
// compression type"; 81920 + pos "Invalid .HQR item number" (bad position).
void AddItem(ItemTable& table, std::int32_t pos, const std::string& path, std::int16_t type,
             const MethodSettings& methods);

// Inserts a blank item at pos. Error: 81920 + pos for a bad position.
void InsertBlankItem(ItemTable& table, std::int32_t pos);

// Inserts at pos a pointer to target, numbered as after the insertion (so
// target == pos copies the item that was at pos and becomes a normal item).
// The pointer shares its target's stored bytes. Errors, the target checked
// first: 14400 + pos "Invalid pointing-to .HQR item number"; 81920 + pos.
void AddPointer(ItemTable& table, std::int32_t pos, std::int32_t target);

// AddPointer at pos, pos + 1, ... count times with the same target number;
// InsertBlankItem the same way. A count below 1 does nothing; a count that
// would take the table past its item bound raises error 6.
void AddMultiplePointers(ItemTable& table, std::int32_t pos, std::int32_t target, std::int32_t count);
void AddMultipleBlankItems(ItemTable& table, std::int32_t pos, std::int32_t count);

// Removes the item; the first later item sharing its bytes takes them over.
// Error: 51200 + item.
void RemoveItem(ItemTable& table, std::int32_t item);

// Removes every marked item.
void RemoveMarkedItems(ItemTable& table);

// Decompresses the item and compresses it again to type (lowered to 0 when
// that does not pay). Errors: 61440 + item; 9216 + type (source
// "CompressFile"); damaged stored data as ExpandCompressedFile reports it.
void ChangeItemCompressionType(ItemTable& table, std::int32_t item, std::int16_t type,
                               const MethodSettings& methods);

// Toggles between blank and not blank; either way the item ends up empty.
// Errors: 71680 + item; 30720 + item "Item is hidden".
void ChangeItemType(ItemTable& table, std::int32_t item);

// Replaces the item's contents with the file; a pointer becomes a normal
// item holding the new bytes.
// Errors: 5120 + item; 8192 + item "Specified file not found"; 9216 + type.
void ReplaceItemWithFile(ItemTable& table, std::int32_t item, const std::string& path, std::int16_t type,
                         const MethodSettings& methods);

// Makes item a pointer to target, or with target == item a normal item again.
// Records that referred to item keep its bytes (HandOverShares), so no
// reference ever forms a loop.
// Errors: 15360 + item; 28800 + item "Invalid pointing-to .HQR item number";
// 14400 + item "Item is hidden".
void ItemToFromPointer(ItemTable& table, std::int32_t item, std::int32_t target);

// The lowest record above start, up to ItemCount, that refers to target;
// start when there is none. Errors: 20480 + start; 32768 + start.
std::int32_t FindFirstRepetition(const ItemTable& table, std::int32_t start, std::int32_t target);

// Before item's stored copy goes away or changes: the first later record
// that shares it becomes a normal item keeping the bytes, and the later
// sharers refer to that one. Earlier records that refer to item become
// normal items keeping their bytes, since the saved file could otherwise
// give them bytes other than the ones the table shows.
void HandOverShares(ItemTable& table, std::int32_t item);

// The character that stands for a hidden item's run marker: 'R' when bytes
// 1..3 of the (decompressed) data read "IFF" (a RIFF wave behind its
// marker), else 'C'.
char RestoredFirstCharacter(const Bytes& data);

// Error bases.
constexpr int kBadPositionBase = 81920;
constexpr int kAddItemNotFoundBase = 7168;
constexpr int kAddPointerBadTargetBase = 14400;
constexpr int kRemoveItemBase = 51200;
constexpr int kChangeCompressionBase = 61440;
constexpr int kChangeItemTypeBase = 71680;
constexpr int kChangeItemTypeHiddenBase = 30720;
constexpr int kReplaceItemBase = 5120;
constexpr int kReplaceNotFoundBase = 8192;
constexpr int kToFromPointerBase = 15360;
constexpr int kToFromPointerBadTargetBase = 28800;
constexpr int kToFromPointerHiddenBase = 14400;
constexpr int kRepetitionBase = 20480;
constexpr int kRepetitionBadTargetBase = 32768;

}  // namespace archive
