#include <QApplication>
#include <QDropEvent>
#include <QUrl>

#include "app/item_drag_drop.h"
#include "app/item_views.h"
#include "archive/extraction.h"
#include "app/app_fixtures.h"

namespace {

// File URLs as a file manager drops them.
const QMimeData& Files(const std::vector<std::string>& paths) {
    static QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(QUrl::fromLocalFile(app::FromPath(path)));
    data.setUrls(urls);
    return data;
}

// The main window with a copy of SAMPLE.HQR open and drag and drop on.
class DragDrop : public testing_support::MainWindowFixture {
protected:
    void SetUp() override {
        Restart();
        Open(Copy("SAMPLE.HQR"));
        window->CurrentSettings().EnableDragDrop = true;
        window->resize(900, 700);
        window->show();
    }

    // Drags files over the row of `item` (-1: below the last row) and drops
    // them there; true when the list took the drop.
    bool DropOnRow(const std::vector<std::string>& paths, int item, bool shift) {
        QAbstractItemView& view = window->DetailsView();
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

};

// Each dragged item arrives as its decompressed bytes, under the name bulk
// extraction gives it: the selected rows and the checked ones alike.
TEST_F(DragDrop, DragOutWritesTheItemsAsBulkExtractionNamesThem) {
    archive::ItemTable& table = window->Table();
    table[3].Marked = true;
    const std::string recorded = table.RecordedScript;
    const app::ItemDrag drag = app::MakeItemDrag(*window, {1, 0});
    ASSERT_TRUE(drag.Data);
    const QList<QUrl> urls = drag.Data->urls();
    ASSERT_EQ(urls.size(), 3);
    const std::int32_t items[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        const std::string path = app::ToPath(urls[i].toLocalFile());
        EXPECT_EQ(path, archive::BulkExtractionName(table, items[i], app::ToPath(drag.Folder->path())));
        EXPECT_EQ(testing_support::ReadBytes(path), testing_support::ItemBytes(table, items[i], window->Methods()));
    }
    EXPECT_EQ(table.RecordedScript, recorded);
}

// Drops add before the row, at the end below the last row, or with Shift
// replace the row's item; each is recorded, marks the archive modified,
// shows in the list at once and is undone as a whole.
TEST_F(DragDrop, DropAddsBeforeTheRowOrAtTheEndAndShiftReplaces) {
    const std::string a = dir.write("a.bin", std::string(300, 'a'));
    const std::string b = dir.write("b.bin", "bbbb");
    const std::int32_t count = window->Table().ItemCount;
    const std::string recorded = window->Table().RecordedScript;
    EXPECT_TRUE(DropOnRow({a, b}, 2, false));
    EXPECT_TRUE(DropOnRow({b}, -1, false));
    EXPECT_TRUE(DropOnRow({b}, 0, true));
    EXPECT_EQ(window->Model().rowCount(), count + 3);
    EXPECT_EQ(window->Table().RecordedScript, recorded + "ADD 2 1 \"" + a + "\"\r\nADD 3 1 \"" + b + "\"\r\nADD " +
                                                  std::to_string(count + 2) + " 1 \"" + b + "\"\r\nRPL 0 1 \"" + b +
                                                  "\"\r\n");
    EXPECT_EQ(window->Table()[2].CompressionType, 1);  // 300 bytes of one letter do compress
    EXPECT_TRUE(window->IsModified());
    EXPECT_TRUE(dialogs.Messages.empty());
    // Each drop is one undo step, however many files it brings.
    for (int step = 0; step < 3; ++step) Trigger("mnuUndo");
    EXPECT_EQ(window->Model().rowCount(), count);
    EXPECT_EQ(window->Table().RecordedScript, recorded);
}

// Nothing moves while the option is off, and a folder refuses the drop whole.
TEST_F(DragDrop, RefusedWhenOffOrForFolders) {
    const std::string file = dir.write("f.bin", "ffff");
    const std::int32_t count = window->Table().ItemCount;
    EXPECT_FALSE(DropOnRow({file, dir.path().string()}, 0, false));
    EXPECT_EQ(dialogs.Messages.size(), 1u);

    window->CurrentSettings().EnableDragDrop = false;
    EXPECT_FALSE(DropOnRow({file}, 0, false));
    EXPECT_FALSE(app::DropItemFiles(*window, Files({file}), 0, false));
    EXPECT_FALSE(app::MakeItemDrag(*window, {0}).Data);
    EXPECT_EQ(window->Table().ItemCount, count);
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(dialogs.Messages.size(), 1u);
}

}  // namespace
