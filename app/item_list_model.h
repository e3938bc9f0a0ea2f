// The item list's rows as a Qt model over the open archive's table: one row
// per item, the nine columns of the details view, the row icon and the check
// box in column 0. A row's texts are built when a view asks for them, by the
// same functions as shell::FillItemRows, so a refill costs no more than the
// row labels and one model reset however long the list is.
#pragma once

#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "archive/item_table.h"
#include "shell/item_list.h"

namespace app {

class ItemListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Shows the rows of `table`, which must outlive the model.
    explicit ItemListModel(archive::ItemTable& table, QObject* parent = nullptr)
        : QAbstractTableModel(parent), table_(table) {}

    // Lists items 0..ItemCount - 1 of the table in one model reset.
    void Refill(bool itemsIndexTarvoDeCOMP);
    // Shows no rows.
    void Clear();
    // The table's marks changed: redraws the check boxes.
    void MarksChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A check box sets or clears the item's Marked.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    // The row of item `row`, or null when the table no longer holds it
    // (it changed and the list was not refilled yet).
    const shell::ItemRow* Row(int row) const;

    archive::ItemTable& table_;
    int rowCount_ = 0;
    // The TarvoDeCOMP numbering's labels; empty for the plain numbering.
    std::vector<std::string> labels_;
    // The last row built: a view asks for one row's cells one after another.
    mutable int cachedRow_ = -1;
    mutable shell::ItemRow cached_;
};

}  // namespace app
