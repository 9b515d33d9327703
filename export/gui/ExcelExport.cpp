#include "export/gui/ExcelExport.h"

#include "export/ReportColumns.h"

#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "export/ExportQuery.h"
#include "export/ReportLayout.h"
#include "export/ReportLock.h"
#include "export/Workbook.h"
#include "export/WorkbookWriter.h"
#include "lists/gui/SummaryCounters.h"
#include "ui/Dialogs.h"
#include "ui/StatusPanels.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSaveFile>

QString ExcelExport::inUseMessage() {
    return QStringLiteral(
        "Operation can not be completed!\r\nFile \"Orders.xls\" probably is open by another "
        "application!\r\nPlease close application that use file and try again.");
}

QString ExcelExport::inUseMessage(const QString& path) {
    return inUseMessage() + QStringLiteral("\r\nThe file to close: ") + QDir::toNativeSeparators(path);
}

QString ExcelExport::folderRefusedMessage(const QString& folder, const QString& reason) {
    return QStringLiteral(
               "Operation can not be completed!\r\nThe report can not be written in the folder\r\n%1\r\n"
               "(%2). Please allow writing in that folder and try again.")
        .arg(QDir::toNativeSeparators(folder), reason);
}

QString ExcelExport::notOpenedMessage(const QString& path) {
    return QStringLiteral("The report is saved as\r\n%1\r\nbut no program could open it. Please open it "
                          "with a spreadsheet program.")
        .arg(QDir::toNativeSeparators(path));
}

QString ExcelExport::formattingFailedMessage() {
    return QStringLiteral(
        "ERROR!\r\nNelvo said: Sorry! Unbelieveble I made a mistake :)\r\nYou can try to work "
        "from this point :)\r\nBy the way, do you have MS Excel installed?");
}

QString ExcelExport::tooLargeMessage(int lines, int maxLines) {
    return QStringLiteral(
               "The view has %1 lines, but a report holds at most %2 lines.\r\nPlease narrow the view "
               "with the supplier or batch filter and try again.")
        .arg(lines)
        .arg(maxLines);
}

ExcelExport::ExcelExport(OrderTable& table, Dialogs& dialogs, const StatusPanels& status,
                         SummaryCounters& counters, const QLineEdit* company, const QString& creditLine,
                         const QString& applicationDirectory, int maxLines)
    : m_table(table), m_dialogs(dialogs), m_status(status), m_counters(counters), m_company(company),
      m_creditLine(creditLine), m_directory(applicationDirectory), m_maxLines(maxLines) {}

bool ExcelExport::mayWrite(OrderTable& table, Dialogs& dialogs, const QString& directory, const QString& name,
                           const QString& inUse) {
    const TableState state = table.state();
    if ((state == TableState::Edit || state == TableState::Insert) && !table.post())
        return false;
    QDir::setCurrent(directory);

    // The old report is replaced, not deleted first; one that is open in
    // another program must not be replaced under it. A lock file that no
    // program holds any more is only in the way.
    switch (ReportLock::state(directory, name)) {
    case ReportLock::State::Live:
        dialogs.error(inUse);
        return false;
    case ReportLock::State::Stale:
        ReportLock::removeStale(directory, name);
        break;
    case ReportLock::State::Free:
        break;
    }
    return true;
}

void ExcelExport::Button3Click() {
    const QString path = m_directory + fileName();
    if (!mayWrite(m_table, m_dialogs, m_directory, fileName(), inUseMessage(path)))
        return;

    Workbook book;
    ViewSums sums;
    if (!readView(&book, &sums))
        return; // the table reported the engine's error
    m_counters.show(sums);
    // Refused before the old report is touched: the format has no room for more.
    const int lines = int(sums.count);
    if (lines > m_maxLines) {
        m_dialogs.error(tooLargeMessage(lines, m_maxLines));
        return;
    }
    QString error;
    switch (save(book, &error)) {
    case Saved::Yes:
        break;
    case Saved::FolderRefused:
        m_dialogs.error(folderRefusedMessage(m_directory, error));
        return;
    case Saved::Failed:
        m_dialogs.standardError(error);
        return;
    }
    const ReportLayout::Texts texts{m_creditLine, m_company->text(), m_status.text(StatusPanels::Filter),
                                    m_status.text(StatusPanels::Pieces), m_status.text(StatusPanels::Money)};
    if (!ReportLayout::apply(book, texts, lines, sortColumn(), &error) || save(book, &error) != Saved::Yes)
        m_dialogs.error(formattingFailedMessage());
    if (!m_dialogs.openWithDesktop(path))
        m_dialogs.information(notOpenedMessage(path));
}

bool ExcelExport::readView(Workbook* book, ViewSums* sums) {
    QVector<int> columns;
    book->setSheetName(QStringLiteral("Orders"));
    book->reserveRows(qMin(m_table.recordCount(), m_maxLines) + 1 + ReportLayout::TitleRows);
    for (int c = 0; c < ReportColumns::Count; ++c) {
        columns.append(ReportColumns::All[c].field);
        book->setText(0, c, OrderColumns::name(ReportColumns::All[c].field));
    }
    return m_table.refreshLines(sums, m_maxLines, columns, [&](int row, const QVariant* values) {
        putValues(book, row + 1, values, int(columns.size()));
    });
}

void ExcelExport::putValues(Workbook* book, int row, const QVariant* values, int count) {
    const int currencyType = qMetaTypeId<Currency>();
    for (int c = 0; c < count; ++c) {
        const QVariant& value = values[c];
        const int type = value.userType();
        if (type == currencyType)
            book->setNumber(row, c, value.value<Currency>().toDouble());
        else if (type == QMetaType::Int || type == QMetaType::LongLong)
            book->setNumber(row, c, value.toDouble());
        else if (type == QMetaType::QString && !value.toString().isEmpty())
            book->setText(row, c, value.toString());
    }
}

ExcelExport::Saved ExcelExport::save(const Workbook& book, QString* error) const {
    QSaveFile file(m_directory + fileName());
    WorkbookWriter writer;
    // The new file is made beside the old one: failing that, the folder
    // itself refuses.
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return Saved::FolderRefused;
    }
    if (!writer.write(book, &file)) {
        *error = writer.errorString();
        file.cancelWriting();
        return Saved::Failed;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return Saved::Failed;
    }
    return Saved::Yes;
}

int ExcelExport::sortColumn() const {
    // The field of the sort text, whatever its direction. The grid's column
    // index of the last title click is not used: the user may have dragged
    // the columns since, and the sort text always names the field.
    const QString field = m_table.sort().section(QLatin1Char(' '), 0, 0);
    return ReportColumns::ofField(OrderColumns::indexOf(field));
}
