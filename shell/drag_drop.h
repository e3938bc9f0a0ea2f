// Drag and drop between the item list and the file manager, as decisions:
// which items a drag carries, and what a drop of files does to the archive.
// The list view turns mouse positions into item numbers and runs the plan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"
#include "shell/add_replace.h"
#include "shell/add_replace.h"

namespace shell {

// The items a drag out of the list carries, in item order: the selected
// items and the checked (marked) ones together, each once.
std::vector<std::int32_t> DraggedItems(const archive::ItemTable& table, const std::vector<std::int32_t>& selected);

struct DroppedFile {
    std::string Path;
    bool IsFolder = false;
};

struct DropPlan {
    // Each run through ItemOperation, so that it is recorded and marks the
    // archive modified.
    std::vector<ItemCall> Operations;
    std::string Refusal;  // when not empty: shown, and nothing is done
};

// Dropped items are compressed with this type where the add and replace
// dialogs would offer a choice.
constexpr std::int16_t kDropCompressionType = 1;

// What dropping `files` on the row of item `target` does (target -1, or any
// number not below ItemCount: below the last row). The files are added as
// new items before target, in the order given (at the end below the last
// row). With replace (Shift held) onto an item, the one file replaces that
// item. Each file takes the add and replace dialogs' decision as if chosen
// there with kDropCompressionType: voice archives and hidden items are only
// stored, an empty file makes a blank item. A folder among the files, or
// replace with more than one file, refuses the whole drop.
DropPlan PlanFileDrop(const archive::ItemTable& table, const std::vector<DroppedFile>& files, std::int32_t target,
                      bool replace);

}  // namespace shell
