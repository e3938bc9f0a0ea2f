// Reading HQR archives into an item table.
#pragma once

#include <string>

#include "archive/item_table.h"

namespace archive {

// Replaces table with the archive at path: normal items, pointers, blank
// slots and, for ".VOX" files, hidden entries; labels ".HQS" items and
// applies the archive's description file; starts RecordedScript with its
// "OPN" line.
//
// A missing file raises 2144 ("Specified file not found: '<path>'"). A
// damaged file (shorter than its offset table, an absurd slot count, an entry
// or size reaching past the end of the file, a compression type outside 0..2)
// raises an Error naming the file. The archive is read into a fresh table
// that replaces `table` only on success, so a failed load leaves it as it was.
// No allocation is larger than the file.
void LoadArchive(ItemTable& table, const std::string& path);

// Reads the whole file at path. A missing file raises 769 ("File "<path>" not
// found"); an unreadable one 75.
void ReadFromFile(const std::string& path, Bytes& data);

// The slot count an offset table of slot0 bytes gives: slot0 / 4 - 1, rounded
// to the nearest integer with halves to even.
std::int64_t SlotCountFromSlot0(std::int32_t slot0);

}  // namespace archive
