#include "app/item_views.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace app {

namespace {

// The window's "Select All" (Ctrl+A) marks items; the views' own select-all
// must not take the key away from it.
bool IsWindowShortcut(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return key->matches(QKeySequence::SelectAll);
}

void CommonSetup(QAbstractItemView& view) {
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    view.setDragEnabled(false);
    view.setAcceptDrops(false);
    view.setDragDropMode(QAbstractItemView::NoDragDrop);
}

}  // namespace

ItemTableView::ItemTableView(QWidget* parent) : QTableView(parent) {
    CommonSetup(*this);
    setSortingEnabled(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void ItemTableView::ApplyListFlags(bool gridLines, bool columnsReordering, bool rowsSelection) {
    setShowGrid(gridLines);
    horizontalHeader()->setSectionsMovable(columnsReordering);
    setSelectionBehavior(rowsSelection ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void ItemTableView::FitColumns() {
    if (!model()) return;
    const int width = viewport()->width();
    auto widths = shell::FitItemColumns(width);
    // Rounding may give a few units more than the width; the last column
    // gives them back so that no horizontal scroll bar appears.
    std::int32_t total = 0;
    for (std::int32_t w : widths) total += w;
    if (total > width) widths.back() = std::max(0, widths.back() - (total - width));
    for (int c = 0; c < shell::kItemColumnCount && c < model()->columnCount(); ++c)
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

bool ItemTableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) FitColumns();
    return QTableView::viewportEvent(event);
}

bool ItemTableView::event(QEvent* event) {
    if (IsWindowShortcut(event)) {
        event->ignore();
        return true;
    }
    return QTableView::event(event);
}

ItemIconView::ItemIconView(QWidget* parent) : QListView(parent) {
    CommonSetup(*this);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setWrapping(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
}

void ItemIconView::SetMode(shell::ViewMode mode) {
    const int text = fontMetrics().horizontalAdvance(QStringLiteral("000000"));
    const int line = fontMetrics().height();
    if (mode == shell::ViewMode::LargeIcons) {
        setViewMode(QListView::IconMode);
        setFlow(QListView::LeftToRight);
        setIconSize(QSize(32, 32));
        setGridSize(QSize(std::max(72, text + 28), 32 + line + 14));
        setWordWrap(true);
    } else {
        setViewMode(QListView::ListMode);
        setFlow(mode == shell::ViewMode::SmallIcons ? QListView::LeftToRight : QListView::TopToBottom);
        setIconSize(QSize(16, 16));
        setGridSize(QSize(text + 52, std::max(20, line + 4)));
        setWordWrap(false);
    }
    setMovement(QListView::Static);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
}

bool ItemIconView::event(QEvent* event) {
    if (IsWindowShortcut(event)) {
        event->ignore();
        return true;
    }
    return QListView::event(event);
}

}  // namespace app
