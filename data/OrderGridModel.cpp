#include "data/OrderGridModel.h"

#include "data/OrderColumns.h"
#include "data/OrderTable.h"

#include <QBrush>
#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>

OrderGridModel::OrderGridModel(OrderTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_rows(table.viewRowCount()) {
    connect(&m_table, &OrderTable::viewReset, this, &OrderGridModel::reset);
    connect(&m_table, &OrderTable::rowChanged, this, &OrderGridModel::refreshRow);
    connect(&m_table, &OrderTable::newLineShown, this, &OrderGridModel::newLineShown);
    connect(&m_table, &OrderTable::newLineDropped, this, &OrderGridModel::newLineDropped);
}

int OrderGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int OrderGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : OrderColumns::Count;
}

QVariant OrderGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole)
        return {};
    if (OrderColumns::at(index.column()).type == ColumnType::Date) {
        const QVariant value = m_table.cellValue(index.row(), index.column());
        if (value.metaType().id() == QMetaType::QDate && value.toDate().isValid())
            return shortDate(value.toDate());
    }
    return m_table.cellText(index.row(), index.column());
}

QString OrderGridModel::shortDate(const QDate& date) {
    const QLocale locale;
    // The C locale names no user's habit; the stored form reads best there.
    if (locale.language() == QLocale::C)
        return date.toString(Qt::ISODate);
    // The year in full: "7.12.26" leaves a reader of a register kept for
    // years to guess the century.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(date, format);
}

QVariant OrderGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= OrderColumns::Count)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(OrderColumns::at(section).title);
    if (role == Qt::BackgroundRole) {
        if (section == m_sortColumn)
            return QBrush(QColor(SortTitleColour));
        return QGuiApplication::palette().brush(QPalette::Button);
    }
    return {};
}

Qt::ItemFlags OrderGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void OrderGridModel::setSortTitleColumn(int column) {
    if (column == m_sortColumn)
        return;
    m_sortColumn = column;
    emit headerDataChanged(Qt::Horizontal, 0, OrderColumns::Count - 1);
}

void OrderGridModel::reset() {
    // The table has already changed; the views only ever see m_rows, which
    // changes inside the bracket.
    beginResetModel();
    m_rows = m_table.viewRowCount();
    endResetModel();
}

void OrderGridModel::newLineShown() {
    if (m_table.viewRowCount() != m_rows + 1)
        return reset();
    beginInsertRows(QModelIndex(), m_rows, m_rows);
    ++m_rows;
    endInsertRows();
}

void OrderGridModel::newLineDropped() {
    if (m_table.viewRowCount() != m_rows - 1)
        return reset();
    beginRemoveRows(QModelIndex(), m_rows - 1, m_rows - 1);
    --m_rows;
    endRemoveRows();
}

void OrderGridModel::refreshRow(int row) {
    if (row < 0 || row >= m_rows)
        return;
    emit dataChanged(index(row, 0), index(row, OrderColumns::Count - 1), {Qt::DisplayRole});
}
