#include "app/DeletedLinesWindow.h"

#include "app/LineHistoryWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

DeletedLinesWindow::DeletedLinesWindow(Engine& engine, Report report, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_report(std::move(report)), m_search(new QLineEdit(this)),
      m_rows(new QTableWidget(0, 5, this)), m_restore(new QPushButton(QStringLiteral("Restore"), this)) {
    setObjectName(QStringLiteral("DeletedLinesWindow"));
    setWindowTitle(QStringLiteral("Deleted lines of the last %1 days").arg(LineHistory::KeptDays));
    m_search->setObjectName(QStringLiteral("DeletedSearch"));
    m_search->setPlaceholderText(QStringLiteral("article or supplier"));
    m_rows->setObjectName(QStringLiteral("DeletedRows"));
    m_rows->setHorizontalHeaderLabels({"Deleted", "Who",
                                       QString::fromUtf8(OrderColumns::at(OrderColumns::Key).title),
                                       QString::fromUtf8(OrderColumns::at(OrderColumns::Artikul).title),
                                       QString::fromUtf8(OrderColumns::at(OrderColumns::Dostavcik).title)});
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rows->verticalHeader()->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_restore, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &DeletedLinesWindow::restoreSelected);
    connect(m_search, &QLineEdit::textChanged, this, &DeletedLinesWindow::fill);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_rows);
    layout->addWidget(buttons);
    resize(640, 400);
    fill();
}

void DeletedLinesWindow::fill() {
    QString error;
    if (!LineHistory::deletedLines(m_engine, QDateTime::currentDateTime().addDays(-LineHistory::KeptDays),
                                   m_search->text(), MostShown, &m_entries, &error))
        m_report(error);
    m_rows->setRowCount(0);
    for (const LineHistory::Entry& entry : m_entries)
        LineHistoryWindow::appendRow(m_rows, {LineHistoryWindow::timeText(entry.at), entry.who,
                                              QString::number(entry.key),
                                              entry.line.value(OrderColumns::Artikul).toString(),
                                              entry.line.value(OrderColumns::Dostavcik).toString()});
    m_rows->resizeColumnsToContents();
    if (!m_entries.isEmpty())
        m_rows->selectRow(0);
    m_restore->setEnabled(!m_entries.isEmpty());
}

void DeletedLinesWindow::restoreSelected() {
    const int row = m_rows->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    QString error;
    if (!LineHistory::restore(m_engine, m_entries[row], &error)) {
        m_report(error);
        fill();
        return;
    }
    m_restored = m_entries[row].key;
    accept();
}
