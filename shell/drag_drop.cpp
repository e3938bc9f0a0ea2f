#include "shell/drag_drop.h"

#include <algorithm>

#include "archive/dispatcher.h"

namespace shell {

std::vector<std::int32_t> DraggedItems(const archive::ItemTable& table, const std::vector<std::int32_t>& selected) {
    std::vector<bool> carried(static_cast<std::size_t>(std::max(table.ItemCount, 0)), false);
    for (std::int32_t item : selected) {
        if (item >= 0 && item < table.ItemCount) carried[static_cast<std::size_t>(item)] = true;
    }
    std::vector<std::int32_t> items;
    for (std::int32_t item = 0; item < table.ItemCount; ++item) {
        if (carried[static_cast<std::size_t>(item)] || table[item].Marked) items.push_back(item);
    }
    return items;
}

DropPlan PlanFileDrop(const archive::ItemTable& table, const std::vector<DroppedFile>& files, std::int32_t target,
                      bool replace) {
    DropPlan plan;
    for (const DroppedFile& file : files) {
        if (file.IsFolder) {
            plan.Refusal = "Folders cannot be added to the archive:\r\n" + file.Path;
            return plan;
        }
    }
    const bool ontoItem = target >= 0 && target < table.ItemCount;
    if (replace && ontoItem && files.size() != 1) {
        plan.Refusal = "Only one file at a time can replace an item.";
        return plan;
    }
    const AddReplaceMode mode = replace && ontoItem ? AddReplaceMode::Replace : AddReplaceMode::Add;
    std::int32_t position = ontoItem ? target : table.ItemCount;
    for (const DroppedFile& file : files) {
        const AddReplaceSetup setup = SetUpAddReplace(table, mode, position);
        AddReplaceInput input;
        input.Mode = mode;
        input.Item = position++;
        input.File = file.Path;
        input.Type = kDropCompressionType;
        if (OkOutcome outcome = DecideAddReplace(table, setup, input); outcome.Call)
            plan.Operations.push_back(std::move(*outcome.Call));
    }
    return plan;
}

}  // namespace shell
