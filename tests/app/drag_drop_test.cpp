#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QDropEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>

#include "app/item_drag_drop.h"
#include "app/item_list_model.h"
#include "app/item_views.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "archive/compression_dispatch.h"
#include "archive/extraction.h"
#include "archive/load.h"
#include "support/test_support.h"
#include "tests/app/scripted_dialogs.h"

namespace {

using testing_support::TempDir;

// File URLs as a file manager drops them.
const QMimeData& Files(const std::vector<std::string>& paths) {
    static QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(QUrl::fromLocalFile(app::FromPath(path)));
    data.setUrls(urls);
    return data;
}

// Drags files over the row of `item` (-1: below the last row) of a shown
// view and drops them there; true when the view took the drop.
bool DropFilesOnRow(QAbstractItemView& view, const std::vector<std::string>& paths, int item, bool shift) {
    const QPoint at = item >= 0 ? view.visualRect(view.model()->index(item, 0)).center()
                                : QPoint(5, view.viewport()->height() - 5);
    const Qt::KeyboardModifiers keys = shift ? Qt::ShiftModifier : Qt::NoModifier;
    QDragEnterEvent enter(at, Qt::CopyAction, &Files(paths), Qt::LeftButton, keys);
    QApplication::sendEvent(view.viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &Files(paths), Qt::LeftButton, keys);
    QApplication::sendEvent(view.viewport(), &drop);
    return drop.isAccepted();
}

class DragDrop : public testing::Test {
protected:
    void SetUp() override {
        archive::LoadArchive(services.Table_, std::string(ORVANE_SOURCE_DIR) + "/samples/SAMPLE.HQR");
        services.Settings_.EnableDragDrop = true;
        services.Table_.RecordedScript.clear();
        model.setRowCount(services.Table_.ItemCount);
        model.setColumnCount(1);
        view.setModel(&model);
        view.resize(300, 800);
        view.show();
    }

    bool DropOnRow(const std::vector<std::string>& paths, int item, bool shift) {
        return DropFilesOnRow(view, paths, item, shift);
    }

    testing_support::FakeServices services;
    TempDir dir;
    QStandardItemModel model;
    QTableView view;
    app::ItemDragDrop dragDrop{services, view};
};

// Each dragged item arrives as its decompressed bytes, under the name bulk
// extraction gives it: the selected rows and the checked ones alike.
TEST_F(DragDrop, DragOutWritesTheItemsAsBulkExtractionNamesThem) {
    archive::ItemTable& table = services.Table_;
    table[3].Marked = true;
    const app::ItemDrag drag = app::MakeItemDrag(services, {1, 0});
    ASSERT_TRUE(drag.Data);
    const QList<QUrl> urls = drag.Data->urls();
    ASSERT_EQ(urls.size(), 3);
    const std::int32_t items[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        const std::string path = app::ToPath(urls[i].toLocalFile());
        EXPECT_EQ(path, archive::BulkExtractionName(table, items[i], app::ToPath(drag.Folder->path())));
        archive::Bytes expected;
        archive::ExpandCompressedFile(table[items[i]].Data, expected, table[items[i]].DecompressedSize,
                                      table[items[i]].CompressionType, services.Methods());
        EXPECT_EQ(testing_support::ReadBytes(path), expected);
    }
    EXPECT_TRUE(table.RecordedScript.empty());
}

TEST_F(DragDrop, DropAddsBeforeTheRowOrAtTheEndAndShiftReplaces) {
    const std::string a = dir.write("a.bin", std::string(300, 'a'));
    const std::string b = dir.write("b.bin", "bbbb");
    const std::int32_t count = services.Table_.ItemCount;
    EXPECT_TRUE(DropOnRow({a, b}, 2, false));
    EXPECT_TRUE(DropOnRow({b}, -1, false));
    EXPECT_TRUE(DropOnRow({b}, 0, true));
    EXPECT_EQ(services.Table_.ItemCount, count + 3);
    EXPECT_EQ(services.Table_.RecordedScript, "ADD 2 1 \"" + a + "\"\r\nADD 3 1 \"" + b + "\"\r\nADD " +
                                                  std::to_string(count + 2) + " 1 \"" + b + "\"\r\nRPL 0 1 \"" + b +
                                                  "\"\r\n");
    EXPECT_EQ(services.Table_[2].CompressionType, 1);  // 300 bytes of one letter do compress
    EXPECT_TRUE(services.Context.ArchiveModified);
    EXPECT_TRUE(services.Dialogs.Messages.empty());
}

// Nothing moves while the option is off, and a folder refuses the drop whole.
TEST_F(DragDrop, RefusedWhenOffOrForFolders) {
    const std::string file = dir.write("f.bin", "ffff");
    const archive::ItemTable before = services.Table_;
    services.Dialogs.Messages.clear();
    EXPECT_FALSE(DropOnRow({file, dir.path().string()}, 0, false));
    EXPECT_EQ(services.Dialogs.Messages.size(), 1u);

    services.Settings_.EnableDragDrop = false;
    EXPECT_FALSE(DropOnRow({file}, 0, false));
    EXPECT_FALSE(app::DropItemFiles(services, Files({file}), 0, false));
    EXPECT_FALSE(app::MakeItemDrag(services, {0}).Data);
    EXPECT_EQ(services.Table_.ItemCount, before.ItemCount);
    EXPECT_TRUE(services.Table_.RecordedScript.empty());
    EXPECT_EQ(services.Dialogs.Messages.size(), 1u);
}

// The main window's list takes drops only with the option on, and shows
// the added item at once.
TEST(DragDropMainWindow, DroppedFileBecomesARowOfTheList) {
    TempDir dir;
    testing_support::ScriptedDialogs dialogs;
    app::MainWindowOptions options;
    options.Dialogs = &dialogs;
    options.SettingsDirectory = dir.path().string();
    app::frmMain window(options);
    window.Startup("", false);
    const std::string archive = dir.file("SAMPLE.HQR");
    std::filesystem::copy_file(std::string(ORVANE_SOURCE_DIR) + "/samples/SAMPLE.HQR", archive);
    dialogs.Files = {archive};
    window.OpenCommand();
    window.resize(900, 700);
    window.show();
    const int rows = window.Model().rowCount();
    const std::string file = dir.write("new.bin", "new item");

    EXPECT_FALSE(DropFilesOnRow(window.DetailsView(), {file}, 1, false));
    window.CurrentSettings().EnableDragDrop = true;
    EXPECT_TRUE(DropFilesOnRow(window.DetailsView(), {file}, 1, false));
    EXPECT_EQ(window.Model().rowCount(), rows + 1);
    EXPECT_TRUE(window.IsModified());
    EXPECT_EQ(window.Table().RecordedScript.substr(window.Table().RecordedScript.rfind("ADD")),
              "ADD 1 1 \"" + file + "\"\r\n");
    EXPECT_TRUE(dialogs.Messages.empty());
}

}  // namespace
