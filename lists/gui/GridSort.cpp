#include "lists/gui/GridSort.h"

#include "data/OrderColumns.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"

#include <QHeaderView>

GridSort::GridSort(OrderTable& table, OrderGridModel& model, QHeaderView* header, int& sortColumnIndex)
    : m_table(table), m_model(model), m_header(header), m_sortColumnIndex(sortColumnIndex) {}

QString GridSort::toggled(const QString& currentSort, const QString& field) {
    // The whole text, case counted: "artikul DESC" or "Artikul" is not "artikul".
    return currentSort == field ? field + QStringLiteral(" DESC") : field;
}

bool GridSort::DBGrid1TitleClick(int logicalColumn) {
    if (logicalColumn < 0 || logicalColumn >= OrderColumns::Count)
        return false;
    if ((m_table.state() == TableState::Edit || m_table.state() == TableState::Insert) && !m_table.post())
        return false;
    if (!m_table.setSort(toggled(m_table.sort(), OrderColumns::name(logicalColumn))))
        return false;
    m_model.setSortTitleColumn(logicalColumn);
    m_sortColumnIndex = m_header->visualIndex(logicalColumn);
    return true;
}

void GridSort::reset() {
    m_table.setSort(OrderColumns::name(OrderColumns::Key));
    m_model.setSortTitleColumn(OrderColumns::Key);
    m_sortColumnIndex = 0;
}
