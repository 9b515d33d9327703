#include "app/LineHistoryWindow.h"

#include "data/FieldCodec.h"
#include "data/OrderGridModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

void LineHistoryWindow::appendRow(QTableWidget* rows, const QStringList& cells) {
    const int row = rows->rowCount();
    rows->insertRow(row);
    for (int column = 0; column < cells.size(); ++column)
        rows->setItem(row, column, new QTableWidgetItem(cells[column]));
}

QString LineHistoryWindow::timeText(const QDateTime& at) {
    return OrderGridModel::shortDate(at.date()) + u' ' + at.time().toString(QStringLiteral("HH:mm:ss"));
}

QString LineHistoryWindow::valueText(const QVariant& value, int column) {
    if (value.metaType().id() == QMetaType::QDate && value.toDate().isValid())
        return OrderGridModel::shortDate(value.toDate());
    return FieldCodec::displayText(value, column);
}

LineHistoryWindow::LineHistoryWindow(qint32 key, const QVector<LineHistory::Entry>& entries, QWidget* parent)
    : QDialog(parent), m_rows(new QTableWidget(0, 6, this)) {
    setObjectName(QStringLiteral("LineHistoryWindow"));
    setWindowTitle(QStringLiteral("History of line %1").arg(key));
    m_rows->setObjectName(QStringLiteral("HistoryRows"));
    m_rows->setHorizontalHeaderLabels({"When", "Who", "What", "Column", "Old", "New"});
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->verticalHeader()->hide();
    for (const LineHistory::Entry& entry : entries) {
        const QStringList head{timeText(entry.at), entry.who, entry.action};
        if (entry.changes.isEmpty())
            appendRow(m_rows, head);
        for (const LineHistory::Change& change : entry.changes)
            appendRow(m_rows, head + QStringList{QString::fromUtf8(OrderColumns::at(change.column).title),
                                                 valueText(change.before, change.column),
                                                 valueText(change.after, change.column)});
    }
    if (entries.isEmpty())
        appendRow(m_rows, {QString(), QString(), QStringLiteral("no change recorded")});
    m_rows->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rows);
    layout->addWidget(buttons);
    resize(720, 400);
}
