// The item list's rows as a Qt model: one row per item, the nine columns of
// the details view, the row icon and the check box in column 0. The rows are
// the ones shell::FillItemRows builds; the model only hands them to the views
// and is reset once per refill.
#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "shell/item_list.h"

namespace app {

class ItemListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ItemListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Replaces every row in one model reset.
    void SetRows(std::vector<shell::ItemRow> rows);
    void Clear() { SetRows({}); }
    const std::vector<shell::ItemRow>& Rows() const { return rows_; }

    // The check state of every row, row 1 first.
    std::vector<bool> CheckStates() const;
    // Checks or unchecks every row.
    void SetAllChecked(bool checked);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // The user checked or unchecked a row.
    void CheckStateEdited();

private:
    std::vector<shell::ItemRow> rows_;
};

}  // namespace app
