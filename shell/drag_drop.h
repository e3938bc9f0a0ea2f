// Drag and drop between the item list and the file manager, as decisions:
// which items a drag carries, and what a drop of files does to the archive.
// The list view turns mouse positions into item numbers and runs the plan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"

namespace shell {

// The items a drag out of the list carries, in item order: the selected
// items and the checked (marked) ones together, each once.
std::vector<std::int32_t> DraggedItems(const archive::ItemTable& table, const std::vector<std::int32_t>& selected);

struct DroppedFile {
    std::string Path;
    bool IsFolder = false;
};

// One item operation of a drop, run through ItemOperation so that it is
// recorded and marks the archive modified.
struct DropOperation {
    std::int32_t Item = 0;
    std::uint8_t Code = 0;  // archive::kOpAddItem or archive::kOpReplaceItem
    std::string File;
};

struct DropPlan {
    std::vector<DropOperation> Operations;
    std::string Refusal;  // when not empty: shown, and nothing is done
};

// Dropped items are stored with this compression type.
constexpr std::int16_t kDropCompressionType = 1;

// What dropping `files` on the row of item `target` does (target -1, or any
// number not below itemCount: below the last row). The files are added as
// new items before target, in the order given (at the end below the last
// row). With replace (Shift held) onto an item, the one file replaces that
// item. A folder among the files, or replace with more than one file,
// refuses the whole drop.
DropPlan PlanFileDrop(const std::vector<DroppedFile>& files, std::int32_t target, std::int32_t itemCount, bool replace);

}  // namespace shell
