#include "archive/dispatcher.h"

#include <algorithm>

#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/item_operations.h"

namespace archive {

namespace {

constexpr const char* kSource = "ItemOperation";

bool InsertsAtPosition(std::uint8_t code) {
    return code == kOpAddItem || code == kOpInsertBlank || code == kOpAddPointer || code == kOpAddMultiplePointers ||
           code == kOpAddMultipleBlanks;
}

bool RecordsFile(std::uint8_t code) {
    return code == kOpExtract || code == kOpExtractAsIs || code == kOpAddItem || code == kOpReplaceItem;
}

std::int16_t Narrow(std::int32_t value) {
    if (value < INT16_MIN || value > INT16_MAX) throw Error(kOverflow, kSource, "Overflow");
    return static_cast<std::int16_t>(value);
}

std::string Quoted(const std::string& file) { return "\"" + file + "\""; }

}  // namespace

std::string RecordedLine(std::int32_t item, std::uint8_t operation, std::int32_t number, const std::string& file,
                         std::int32_t count) {
    const std::string i = std::to_string(item);
    const std::string n = std::to_string(number);
    std::string line;
    switch (operation) {
        case kOpExtract: line = "EXT " + i + " " + Quoted(file); break;
        case kOpExtractAsIs: line = "EXA " + i + " " + Quoted(file); break;
        case kOpAddItem: line = "ADD " + i + " " + n + " " + Quoted(file); break;
        case kOpRemoveItem: line = "DEL " + i; break;
        case kOpChangeCompression: line = "CMT " + i + " " + n; break;
        case kOpChangeItemType: line = "RPB " + i; break;
        case kOpReplaceItem: line = "RPL " + i + " " + n + " " + Quoted(file); break;
        case kOpItemToFromPointer: line = "RPP " + i + " " + n; break;
        case kOpInsertBlank: line = "ADB " + i; break;
        case kOpAddPointer: line = "ADP " + i + " " + n; break;
        case kOpAddMultiplePointers: line = "AMP " + i + " " + n + " " + std::to_string(count); break;
        case kOpAddMultipleBlanks: line = "AMB " + i + " " + n; break;
        default: return "";
    }
    return line + "\r\n";
}

void ItemOperation(OperationContext& context, std::int32_t item, std::uint8_t operation, std::int32_t number,
                   const std::string& file, std::int32_t count) {
    ItemTable& table = context.Table;
    std::int32_t row = table.ItemCount > 0 && context.SelectedRow >= 1 ? context.SelectedRow : 1;

    // Codes 10, 13 and 14 do not use the item, but still need one to exist;
    // a negative number is refused only where it would name an item.
    const bool usesItem = !InsertsAtPosition(operation) && operation != kOpRemoveMarked &&
                          operation != kOpExtractMarked && operation != kOpExtractMarkedAsIs;
    if ((item > table.ItemCount - 1 && !InsertsAtPosition(operation)) || (item < 0 && usesItem))
        throw Error(kItemOperationItemBase + item, kSource, "Invalid .HQR item number");
    // A line break in a recorded file name would split its line and replay
    // as other operations.
    if (RecordsFile(operation) && file.find_first_of("\r\n") != std::string::npos)
        throw Error(kBadFileName, kSource, "Bad file name or number");

    const MethodSettings& methods = context.Methods;
    switch (operation) {
        case kOpExtract: ExtractItem(table, item, file, methods); break;
        case kOpExtractAsIs: ExtractItemAsIs(table, item, file); break;
        case kOpAddItem: AddItem(table, item, file, Narrow(number), methods); break;
        case kOpRemoveItem: RemoveItem(table, item); break;
        case kOpChangeCompression: ChangeItemCompressionType(table, item, Narrow(number), methods); break;
        case kOpChangeItemType: ChangeItemType(table, item); break;
        case kOpReplaceItem: ReplaceItemWithFile(table, item, file, Narrow(number), methods); break;
        case kOpItemToFromPointer: ItemToFromPointer(table, item, Narrow(number)); break;
        case kOpInsertBlank: InsertBlankItem(table, item); break;
        case kOpAddPointer: AddPointer(table, item, number); break;
        case kOpRemoveMarked: RemoveMarkedItems(table); break;
        case kOpAddMultiplePointers: AddMultiplePointers(table, item, number, count); break;
        case kOpAddMultipleBlanks: AddMultipleBlankItems(table, item, number); break;
        case kOpExtractMarked: ExtractMarkedItems(table, file, methods); break;
        case kOpExtractMarkedAsIs: ExtractMarkedItemsAsIs(table, file); break;
        default:
            throw Error(kItemOperationCodeBase + operation, kSource, "Invalid .HQR item operation");
    }

    const std::string line = RecordedLine(item, operation, number, file, count);
    table.RecordedScript += line;
    if (!line.empty()) table.RecordedScriptChanged = true;

    switch (operation) {
        case kOpAddItem:
        case kOpInsertBlank:
        case kOpAddPointer: row += 1; break;
        case kOpRemoveItem: row -= 1; break;
        case kOpAddMultiplePointers: row += std::max(count, 0); break;
        case kOpAddMultipleBlanks: row += std::max(number, 0); break;
        default: break;
    }
    row = std::clamp(row, std::min<std::int32_t>(1, table.ItemCount), table.ItemCount);
    context.SelectedRow = row;
    if (context.RefreshItemList) context.RefreshItemList(row);
    if (operation > kOpExtractAsIs) context.ArchiveModified = true;
}

}  // namespace archive
