#include "app/RowSlots.h"

RowSlots::RowSlots(QAbstractItemModel* rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {
    m_slots = m_rows->rowCount() + Spare;
    // A smaller view keeps the sections it does not use as spares: going
    // back and forth between all lines and a filtered view then renumbers
    // nothing (the sections of a million rows take 8 MB). A removed row
    // leaves one more spare section behind.
    connect(m_rows, &QAbstractItemModel::modelReset, this, &RowSlots::coverRows);
    connect(m_rows, &QAbstractItemModel::rowsInserted, this, &RowSlots::coverRows);
}

int RowSlots::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_slots;
}

int RowSlots::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant RowSlots::data(const QModelIndex&, int) const {
    return {};
}

void RowSlots::coverRows() {
    const int needed = m_rows->rowCount();
    if (needed <= m_slots)
        return;
    beginInsertRows(QModelIndex(), m_slots, needed + Spare - 1);
    m_slots = needed + Spare;
    endInsertRows();
}
