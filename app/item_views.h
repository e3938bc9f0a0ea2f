// The two views of the item list over one model and one selection: the
// details view (a table) and the icon and list modes (a list view). Both are
// small subclasses so that the windows can add behaviour in one place; drag
// and drop stays off until a window turns it on.
#pragma once

#include <QListView>
#include <QTableView>

#include "shell/item_list.h"

namespace app {

// The details view: fixed row heights, no row header, header clicks that do
// nothing, and the nine column widths fitted to the visible width whenever
// it changes.
class ItemTableView : public QTableView {
    Q_OBJECT

public:
    explicit ItemTableView(QWidget* parent = nullptr);

    // Grid lines, column reordering and whole-row selection.
    void ApplyListFlags(bool gridLines, bool columnsReordering, bool rowsSelection);
    // Sets the column widths for the current visible width.
    void FitColumns();

protected:
    bool viewportEvent(QEvent* event) override;
    bool event(QEvent* event) override;
};

// Large icons, small icons and list mode.
class ItemIconView : public QListView {
    Q_OBJECT

public:
    explicit ItemIconView(QWidget* parent = nullptr);

    // Lays the items out for mode (anything but details).
    void SetMode(shell::ViewMode mode);

protected:
    bool event(QEvent* event) override;
};

}  // namespace app
