// Drag and drop between the item list and the file manager, for the list
// views to call from their drag and drop events. Everything is refused while
// the "Drag-and-Drop" option is off or no archive is open.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QMimeData>
#include <QObject>
#include <QPoint>
#include <QTemporaryDir>

class QAbstractItemView;
class QWidget;

namespace app {

class AppServices;

struct ItemDrag {
    std::unique_ptr<QMimeData> Data;        // nullptr: no drag
    std::unique_ptr<QTemporaryDir> Folder;  // holds the files the URLs name
};

// Starts a drag of the selected items and the checked ones: each is
// extracted decompressed into a fresh temporary folder under the name bulk
// extraction gives it, and the data lists the files as URLs. The caller keeps
// Folder until the drop target is done with the files (the list keeps the
// last drag's folder until the next drag or until it goes). An extraction
// error shows one message box and starts no drag.
ItemDrag MakeItemDrag(AppServices& services, const std::vector<std::int32_t>& selected);

// Whether the list takes this drop: option on, an archive open, and only
// local files or folders in it.
bool AcceptsItemDrop(AppServices& services, const QMimeData& data);

// Drops the files of data on the row of item `target` (-1: below the last
// row): each is added before it, or with replace (Shift held) the one file
// replaces that item, as shell::PlanFileDrop decides, each through
// RunItemOperation. Folders are refused with a message. An error stops the
// drop with one message box. True when the archive changed.
bool DropItemFiles(AppServices& services, const QMimeData& data, std::int32_t target, bool replace);

// Drag and drop on one view of the item list (model row r shows item r):
// watches the view's viewport, starts drags with the left button and takes
// drops, asking the functions above. Installed once per view; the option is
// read at each drag and drop, so turning it on or off needs no re-wiring.
class ItemDragDrop : public QObject {
public:
    ItemDragDrop(AppServices& services, QAbstractItemView& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The item of the row under pos; -1 below the last row.
    std::int32_t ItemAt(const QPoint& pos) const;
    void StartDrag();

    AppServices& services_;
    QAbstractItemView& view_;
    // Kept apart from view_: the viewport sends events while the view is
    // being destroyed, when view_ may no longer be asked for it.
    QWidget* viewport_;
    QPoint pressedAt_;
    bool pressed_ = false;
    std::unique_ptr<QTemporaryDir> lastDragFolder_;
};

}  // namespace app
