#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "app/frm_compare.h"
#include "shell/compare.h"
#include "app/app_fixtures.h"

namespace {

using testing_support::FakeServices;
using testing_support::SamplePath;

std::vector<shell::ComparisonRow> Rows(QTreeWidget* list) {
    std::vector<shell::ComparisonRow> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.push_back({app::ToText(item->text(0)), app::ToText(item->text(1)), app::ToText(item->text(2))});
    }
    return rows;
}

struct Pick {
    std::optional<std::string> Archive1, Archive2;
};

// Drives a window through choosing and two Compares; returns what it lists.
std::vector<shell::ComparisonRow> CompareTwice(FakeServices& services, const Pick& pick) {
    app::frmCompare window(services);
    const std::pair<const char*, std::optional<std::string>> choices[] = {{"cmdArchive1", pick.Archive1},
                                                                          {"cmdArchive2", pick.Archive2}};
    for (const auto& [name, answer] : choices) {
        services.Dialogs.Files = {answer};
        window.findChild<QPushButton*>(name)->click();
    }
    window.findChild<QPushButton*>("cmdCompare")->click();
    window.findChild<QPushButton*>("cmdCompare")->click();
    return Rows(window.findChild<QTreeWidget*>("lstComparison"));
}

TEST(CompareWindow, ListsTheComparisonOncePerCompare) {
    for (const auto& [a, b] : {std::pair{"SAMPLE.HQR", "SAMPLE.HQR"}, std::pair{"SAMPLE.HQR", "HARBOUR.HQS"}}) {
        SCOPED_TRACE(std::string(a) + " / " + b);
        FakeServices services;
        std::vector<shell::ComparisonRow> once = shell::CompareArchives(SamplePath(a), SamplePath(b));
        ASSERT_GT(once.size(), 1u);
        std::vector<shell::ComparisonRow> twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        EXPECT_EQ(CompareTwice(services, {SamplePath(a), SamplePath(b)}), twice);
        EXPECT_TRUE(services.Dialogs.Messages.empty());
    }
}

TEST(CompareWindow, MissingArchiveOrUnreadableFileGivesOneMessageAndNoRows) {
    FakeServices services;
    EXPECT_TRUE(CompareTwice(services, {SamplePath("SAMPLE.HQR"), std::nullopt}).empty());
    EXPECT_EQ(services.Dialogs.Messages,
              std::vector<std::string>(2, shell::kCompareNotSpecifiedMessage));

    FakeServices broken;
    EXPECT_TRUE(CompareTwice(broken, {SamplePath("SAMPLE.HQR"), SamplePath("NO-SUCH.HQR")}).empty());
    ASSERT_EQ(broken.Dialogs.Messages.size(), 2u);
    EXPECT_NE(broken.Dialogs.Messages[0].find("NO-SUCH.HQR"), std::string::npos);
}

}  // namespace
