#include "app/item_list_model.h"

#include "app/item_icons.h"
#include "app/qt_dialogs.h"

namespace app {

void ItemListModel::Refill(bool itemsIndexTarvoDeCOMP) {
    beginResetModel();
    rowCount_ = std::max(table_.ItemCount, 0);
    labels_ = itemsIndexTarvoDeCOMP ? shell::ItemRowLabels(table_, true) : std::vector<std::string>();
    cachedRow_ = -1;
    endResetModel();
}

void ItemListModel::Clear() {
    beginResetModel();
    rowCount_ = 0;
    labels_.clear();
    cachedRow_ = -1;
    endResetModel();
}

void ItemListModel::MarksChanged() {
    if (rowCount_ == 0) return;
    cachedRow_ = -1;
    emit dataChanged(index(0, 0), index(rowCount_ - 1, 0), {Qt::CheckStateRole});
}

const shell::ItemRow* ItemListModel::Row(int row) const {
    if (row < 0 || row >= rowCount_ || row >= table_.ItemCount ||
        static_cast<std::size_t>(row) >= table_.Records.size())
        return nullptr;
    if (row != cachedRow_) {
        cached_ = shell::MakeItemRow(table_, row);
        if (!labels_.empty()) cached_.Texts[shell::kColumnIndex] = labels_[static_cast<std::size_t>(row)];
        cachedRow_ = row;
    }
    return &cached_;
}

int ItemListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int ItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shell::kItemColumnCount;
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const shell::ItemRow* row = Row(index.row());
    if (!row) return {};
    switch (role) {
    case Qt::DisplayRole: return FromText(row->Texts[static_cast<std::size_t>(index.column())]);
    case Qt::DecorationRole:
        if (index.column() == shell::kColumnIndex) return ItemIcon(row->Icon);
        break;
    case Qt::CheckStateRole:
        if (index.column() == shell::kColumnIndex) return row->Checked ? Qt::Checked : Qt::Unchecked;
        break;
    default: break;
    }
    return {};
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The tip repeats the caption: at the fixed column shares a narrow column
    // cuts its caption short.
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole) || section < 0 ||
        section >= shell::kItemColumnCount)
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
        !Row(index.row()))
        return false;
    table_[index.row()].Marked = value.toInt() == Qt::Checked;
    cachedRow_ = -1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

}  // namespace app
