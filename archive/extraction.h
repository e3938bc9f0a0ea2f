// Writing items to files: decompressed (ExtractItem) or with their stored
// bytes as they are (ExtractItemAsIs), one at a time or every marked item
// into a folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"

namespace archive {

// Writes the item's decompressed bytes to file, replacing it. A hidden
// item's first byte is restored ('R' when "IFF" follows it in the
// decompressed bytes, else 'C'). The bytes pass through table.WorkBuffer.
// Error: 40960 + item "Invalid .HQR item number".
void ExtractItem(ItemTable& table, std::int32_t item, const std::string& file, const MethodSettings& methods);

// Writes the item's stored bytes, without header and undecoded, to file.
// Error: 1024 + item "Invalid .HQR item number".
void ExtractItemAsIs(const ItemTable& table, std::int32_t item, const std::string& file);

// Extracts every marked record in order to BulkExtractionName and clears its
// mark. An error stops the run; the later marked items stay marked.
void ExtractMarkedItems(ItemTable& table, const std::string& folder, const MethodSettings& methods);
void ExtractMarkedItemsAsIs(ItemTable& table, const std::string& folder);

// The path bulk extraction writes record index to: folder, ArchiveKey, the
// index with at least four digits, ".", Extension ("RESS0012.pal"). Path
// separators inside the key or the extension become "_", so the file always
// lies in folder itself; a folder not ending in a separator gets "/".
std::string BulkExtractionName(const ItemTable& table, std::int32_t index, const std::string& folder);

// Decimal text of value with leading zeros up to width digits; longer values
// are not cut.
std::string NumberText(std::int32_t value, int width);

// Writes data to path, replacing any file there. Error 75 naming the path
// and the reason when the file cannot be written.
void WriteToFile(const std::string& path, const Bytes& data, const char* source);

constexpr int kExtractItemBase = 40960;
constexpr int kExtractItemAsIsBase = 1024;

}  // namespace archive
