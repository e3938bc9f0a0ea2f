#include "app/item_list_model.h"

#include "app/item_icons.h"
#include "app/qt_dialogs.h"

namespace app {

void ItemListModel::SetRows(std::vector<shell::ItemRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

std::vector<bool> ItemListModel::CheckStates() const {
    std::vector<bool> states(rows_.size());
    for (std::size_t r = 0; r < rows_.size(); ++r) states[r] = rows_[r].Checked;
    return states;
}

void ItemListModel::SetAllChecked(bool checked) {
    if (rows_.empty()) return;
    for (shell::ItemRow& row : rows_) row.Checked = checked;
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

int ItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shell::kItemColumnCount;
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const shell::ItemRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return FromText(row.Texts[static_cast<std::size_t>(index.column())]);
    case Qt::DecorationRole:
        if (index.column() == shell::kColumnIndex) return ItemIcon(row.Icon);
        break;
    case Qt::CheckStateRole:
        if (index.column() == shell::kColumnIndex) return row.Checked ? Qt::Checked : Qt::Unchecked;
        break;
    default: break;
    }
    return {};
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= shell::kItemColumnCount)
        return {};
    return QString::fromLatin1(shell::kItemColumnCaptions[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags ItemListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == shell::kColumnIndex) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool ItemListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != shell::kColumnIndex ||
        index.row() >= rowCount())
        return false;
    rows_[static_cast<std::size_t>(index.row())].Checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit CheckStateEdited();
    return true;
}

}  // namespace app
