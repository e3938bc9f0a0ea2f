#include <gtest/gtest.h>

#include "shell/main_window_state.h"

namespace {

std::vector<int> EnabledButtons(const shell::MainWindowLook& look) {
    std::vector<int> enabled;
    for (const shell::ToolButton& button : shell::kToolButtons)
        if (look.ButtonEnabled[static_cast<std::size_t>(button.Index)]) enabled.push_back(button.Index);
    return enabled;
}

// The three states, from the open flag and the item count alone.
TEST(MainWindowLook, FollowsOpenFlagAndItemCount) {
    const auto none = shell::LookOf(false, 5, false, "A.HQR");
    EXPECT_EQ(none.State, shell::DisplayState::NoArchive);
    EXPECT_EQ(EnabledButtons(none), (std::vector<int>{1, 3, 27, 28, 30}));
    EXPECT_FALSE(none.EditVisible || none.ItemVisible || none.FileCommands);

    const auto open = shell::LookOf(true, 5, false, "/a/A.HQR");
    EXPECT_EQ(open.State, shell::DisplayState::ArchiveOpen);
    EXPECT_EQ(open.Caption, "Tarvo Resource Manager - [/a/A.HQR]");
    EXPECT_EQ(EnabledButtons(open).size(), shell::kToolButtons.size());
    EXPECT_TRUE(open.EditVisible && open.ItemVisible && open.ItemOnItemCommands);

    const auto empty = shell::LookOf(true, 0, true, "");
    EXPECT_EQ(empty.State, shell::DisplayState::EmptyArchive);
    EXPECT_EQ(empty.Caption, "Tarvo Resource Manager - [Untitled]");
    EXPECT_EQ(EnabledButtons(empty), (std::vector<int>{1, 3, 4, 6, 14, 24, 25, 27, 28, 30}));
    EXPECT_TRUE(empty.ItemVisible && empty.FileCommands);
    EXPECT_FALSE(empty.EditVisible || empty.ItemOnItemCommands);
}

// The search starts at item 0, goes on after the last hit, wraps round, and
// says -1 when nothing has the size.
TEST(FindItemBySize, ContinuesAfterTheLastHit) {
    archive::ItemTable table;
    table.Records.resize(5);
    table.ItemCount = 4;
    for (std::int32_t i = 0; i < 4; ++i) table[i].DecompressedSize = i % 2 ? 7 : 3;
    EXPECT_EQ(shell::FindItemBySize(table, 3, -1), 0);
    EXPECT_EQ(shell::FindItemBySize(table, 3, 0), 2);
    EXPECT_EQ(shell::FindItemBySize(table, 3, 2), 0);
    EXPECT_EQ(shell::FindItemBySize(table, 9, -1), -1);
    EXPECT_EQ(shell::FindItemBySize(archive::ItemTable{}, 0, -1), -1);
}

TEST(CommandLineArchive, JoinsArgumentsWithSingleSpaces) {
    EXPECT_EQ(shell::CommandLineArchive({}), "");
    EXPECT_EQ(shell::CommandLineArchive({"/tmp/My Archive.HQR"}), "/tmp/My Archive.HQR");
    EXPECT_EQ(shell::CommandLineArchive({"/tmp/My", "Archive.HQR"}), "/tmp/My Archive.HQR");
}

}  // namespace
