#include "app/OrderGrid.h"

#include "app/ColumnTitles.h"
#include "app/FocusExit.h"
#include "app/RowIndicator.h"
#include "app/RowSlots.h"
#include "data/OrderColumns.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"
#include "ui/Dialogs.h"

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>

// Space a cell keeps around its text, either side together.
static constexpr int DateCellPadding = 12;

OrderGrid::OrderGrid(OrderTable& table, Dialogs& dialogs, QWidget* parent)
    : QTableView(parent), m_table(table), m_dialogs(dialogs), m_model(new OrderGridModel(table, this)),
      m_rowSlots(new RowSlots(m_model, this)) {
    setVerticalHeader(new RowIndicator(table, this));
    setModel(m_model);
    verticalHeader()->setModel(m_rowSlots);
    horizontalHeader()->setModel(new ColumnTitles(m_model, this));
    // The title bar follows a change of its titles (a sort's colour) itself;
    // the grid would lay its rows out again for it, and paint them all a
    // second time after the sort's own paint.
    disconnect(m_model, SIGNAL(headerDataChanged(Qt::Orientation, int, int)), this,
               SLOT(_q_headerDataChanged()));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    setAlternatingRowColors(false);
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    // A title click sorts; it does not select the column.
    disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this, SLOT(_q_selectColumn(int)));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(72);
    verticalHeader()->setDefaultSectionSize(18);
    // Dates are written in the user's format, which may be wider than the
    // stored one ("28.12.2026 г."): the column takes the widest day of a year.
    const int widestDate = fontMetrics().horizontalAdvance(OrderGridModel::shortDate(QDate(2000, 12, 28)));
    setColumnWidth(OrderColumns::Date,
                   qMax(horizontalHeader()->defaultSectionSize(), widestDate + DateCellPadding));
    // The selection stays visible while another control has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    connect(&table, &OrderTable::currentRowChanged, this, &OrderGrid::followTable);
    connect(&table, &OrderTable::viewReset, this, &OrderGrid::followTable);
    // The header's sections stay when a row comes or goes or the view
    // changes, so the scroll range is set here, before the grid scrolls to
    // the new row.
    for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(m_model, rowsChanged, this, [this] {
            setScrollRange();
            followTable();
        });
    }
    connect(m_model, &QAbstractItemModel::modelReset, this, &OrderGrid::setScrollRange);
    connect(&table, &OrderTable::stateChanged, this, &OrderGrid::followTable);
}

void OrderGrid::setRowSelect(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    followTable();
}

void OrderGrid::followTable() {
    if (m_following)
        return;
    m_following = true;
    const int row = tableRow();
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex index = m_model->index(row, column);
        const bool rows = selectionBehavior() == SelectRows;
        // Told several times per store: marking the marked cell again would
        // repaint it each time.
        if (!marksOnly(index, rows))
            selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect |
                           (rows ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
        scrollTo(index);
    }
    verticalHeader()->viewport()->update();
    m_following = false;
}

void OrderGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == previous.row())
        return;
    const bool onPendingNewLine =
        m_table.state() == TableState::Insert && current.row() == m_table.viewRowCount() - 1;
    if (!onPendingNewLine)
        m_table.moveTo(current.row());
    // A refused move leaves the table where it was; so does the grid.
    followTable();
}

bool OrderGrid::marksOnly(const QModelIndex& index, bool rows) const {
    if (selectionModel()->currentIndex() != index)
        return false;
    const QItemSelection selection = selectionModel()->selection();
    const QItemSelectionRange marked =
        rows ? QItemSelectionRange(m_model->index(index.row(), 0),
                                   m_model->index(index.row(), m_model->columnCount() - 1))
             : QItemSelectionRange(index);
    return selection.size() == 1 && selection.first() == marked;
}

int OrderGrid::tableRow() const {
    return m_table.state() == TableState::Insert ? m_table.viewRowCount() - 1 : m_table.currentRow();
}

void OrderGrid::keepOnTableLine() {
    const int row = tableRow();
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    const bool marksOtherRow = currentIndex().row() != row ||
                               std::any_of(selected.begin(), selected.end(),
                                           [row](const QModelIndex& index) { return index.row() != row; });
    if (marksOtherRow)
        followTable();
}

void OrderGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    keepOnTableLine();
}

void OrderGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        keepOnTableLine();
}

void OrderGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    keepOnTableLine();
}

void OrderGrid::paintEvent(QPaintEvent* event) {
    const int rows = m_model->rowCount();
    const int bottom = rows > 0 ? rowViewportPosition(rows - 1) + rowHeight(rows - 1) : 0;
    QPaintEvent rowsOnly(event->region() & QRect(0, 0, viewport()->width(), bottom));
    QTableView::paintEvent(&rowsOnly);
}

void OrderGrid::updateGeometries() {
    QTableView::updateGeometries();
    setScrollRange();
}

void OrderGrid::setScrollRange() {
    // Every row has the header's fixed height.
    const int rows = m_model->rowCount();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    const int height = viewport()->height();
    const int end = verticalScrollMode() == ScrollPerItem ? rows - qMax(1, height / rowHeight)
                                                          : rows * rowHeight - height;
    verticalScrollBar()->setMaximum(qMax(0, end));
    endOnLastRow();
}

void OrderGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    endOnLastRow();
}

void OrderGrid::endOnLastRow() {
    const QScrollBar* bar = verticalScrollBar();
    const int rows = m_model->rowCount();
    if (verticalScrollMode() != ScrollPerItem || bar->maximum() == 0 || bar->value() < bar->maximum() ||
        rows == 0)
        return;
    QHeaderView* header = verticalHeader();
    const int end = header->sectionPosition(rows - 1) + header->sectionSize(rows - 1);
    const int offset = qMax(0, end - viewport()->height());
    if (header->offset() == offset)
        return;
    header->setOffset(offset);
    viewport()->update();
}

void OrderGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        // A closed register is reported before the question, not after it.
        if (m_table.checkActive() && m_dialogs.confirm(QStringLiteral("Delete record?")))
            m_table.remove();
        return;
    }
    QTableView::keyPressEvent(event);
}

void OrderGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    if (isFieldExit(event) && m_table.state() == TableState::Insert && !m_table.isModified())
        m_table.cancel();
}
