// ItemOperation: the one entry through which the desktop program changes or
// extracts items. It checks the item number, runs the operation, records it
// as a script line in the table's RecordedScript, keeps the archive-modified
// flag and tells the item list which row to select afterwards.
//
// Scripts call the operations directly, so what they do is never recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"

namespace archive {

enum ItemOperationCode : std::uint8_t {
    kOpExtract = 0,                // "EXT " item "file"
    kOpExtractAsIs = 1,            // "EXA " item "file"
    kOpAddItem = 2,                // "ADD " pos type "file"
    kOpRemoveItem = 3,             // "DEL " item
    kOpChangeCompression = 4,      // "CMT " item type
    kOpChangeItemType = 5,         // "RPB " item
    kOpReplaceItem = 6,            // "RPL " item type "file"
    kOpItemToFromPointer = 7,      // "RPP " item target
    kOpInsertBlank = 8,            // "ADB " pos
    kOpAddPointer = 9,             // "ADP " pos target
    kOpRemoveMarked = 10,          // not recorded
    kOpAddMultiplePointers = 11,   // "AMP " pos target count
    kOpAddMultipleBlanks = 12,     // "AMB " pos count
    kOpExtractMarked = 13,         // not recorded; file is the folder
    kOpExtractMarkedAsIs = 14,     // not recorded; file is the folder
};

// What the dispatcher works on and what it leaves for the window.
struct OperationContext {
    explicit OperationContext(ItemTable& table) : Table(table) {}

    ItemTable& Table;
    MethodSettings Methods;
    // Set by every successful operation with a code above 1; the window
    // clears it when it saves.
    bool ArchiveModified = false;
    // The 1-based row of the selected item; updated to the row selected
    // after each operation (0 when the list is empty).
    std::int32_t SelectedRow = 0;
    // Refills the item list and selects (and shows) the given row, 0 for
    // none. May be empty.
    std::function<void(std::int32_t row)> RefreshItemList;
};

// Runs one operation (codes above). number is a compression type, a target
// item or a count, by code; count is used by code 11 only.
//
// Errors: an item number outside 0..ItemCount-1 for a code that needs an
// existing item (all but 2, 8, 9, 11, 12): 81920 + item "Invalid .HQR item
// number"; an unknown code: 4096 + code "Invalid .HQR item operation"; a
// type or target outside 16 bits for codes 2, 4, 6, 7: 6 "Overflow"; a file
// name holding a line break, which no script line can carry: 52 "Bad file
// name or number". Every other error is the operation's own. A failing
// operation records nothing, changes no flag and refreshes nothing.
void ItemOperation(OperationContext& context, std::int32_t item, std::uint8_t operation, std::int32_t number,
                   const std::string& file, std::int32_t count);

// The script line ItemOperation records for these arguments, CR LF
// included; empty for the codes that record nothing.
std::string RecordedLine(std::int32_t item, std::uint8_t operation, std::int32_t number, const std::string& file,
                         std::int32_t count);

constexpr int kItemOperationItemBase = 81920;
constexpr int kItemOperationCodeBase = 4096;
constexpr int kOverflow = 6;
constexpr int kBadFileName = 52;

}  // namespace archive
