#include "app/ColumnTitles.h"

ColumnTitles::ColumnTitles(QAbstractItemModel* rows, QObject* parent)
    : QAbstractTableModel(parent), m_rows(rows) {
    connect(m_rows, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
}

int ColumnTitles::rowCount(const QModelIndex&) const {
    return 0;
}

int ColumnTitles::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows->columnCount();
}

QVariant ColumnTitles::data(const QModelIndex&, int) const {
    return {};
}

QVariant ColumnTitles::headerData(int section, Qt::Orientation orientation, int role) const {
    return m_rows->headerData(section, orientation, role);
}
