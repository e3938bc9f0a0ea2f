#include <gtest/gtest.h>

#include "archive/dispatcher.h"
#include "archive/item_operations.h"
#include "archive/save.h"
#include "shell/drag_drop.h"
#include "support/test_support.h"

namespace {

using shell::ItemCall;

// A drop decides as the add and replace dialogs do: voice archives and
// hidden items are only stored, an empty file is a blank item.
TEST(PlanFileDrop, TakesTheDialogsDecisions) {
    testing_support::TempDir dir;
    const std::string full = dir.write("full.bin", "data");
    const std::string empty = dir.write("empty.bin", "");
    struct Case {
        const char* name;
        bool voice;
        bool hidden;  // item 1 is a hidden entry
        std::string file;
        std::int32_t target;
        bool replace;
        ItemCall call;
    };
    const Case cases[] = {
        {"add", false, false, full, 1, false, {1, archive::kOpAddItem, 1, full, 0}},
        {"add to a voice archive", true, false, full, 1, false, {1, archive::kOpAddItem, 0, full, 0}},
        {"replace a hidden item", false, true, full, 1, true, {1, archive::kOpReplaceItem, 0, full, 0}},
        {"add an empty file", false, false, empty, -1, false, {2, archive::kOpInsertBlank, 0, "", 0}},
        {"replace with an empty file", false, false, empty, 0, true, {0, archive::kOpChangeItemType, 0, "", 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        archive::ItemTable table;
        archive::NewArchive(table);
        archive::AddItem(table, 0, full, 0, {});
        archive::AddItem(table, 1, full, 0, {});
        table.IsVoiceArchive = c.voice;
        table[1].IsHidden = c.hidden;
        const shell::DropPlan plan = shell::PlanFileDrop(table, {{c.file, false}}, c.target, c.replace);
        EXPECT_TRUE(plan.Refusal.empty());
        ASSERT_EQ(plan.Operations.size(), 1u);
        EXPECT_EQ(plan.Operations[0], c.call);
    }
}

}  // namespace
