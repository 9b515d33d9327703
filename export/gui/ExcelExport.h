#pragma once
// Export in Excel: the view, with its filter and sort, as the report
// workbook Orders.xls in the application directory, then opened on the
// desktop.
//
// Two stages, each saved whole: the raw sheet "Orders" (the column names of
// the export statement in row 1, the view's lines from row 2, as a database
// engine's select-into would write it), then the report laid out on the same
// workbook and saved over it. A failure of the second stage leaves the raw
// workbook, which is opened all the same so the user can work from it.
//
// Every save goes to a temporary file beside Orders.xls that is renamed over
// it only once complete, so there is never a half-written Orders.xls and a
// failed export leaves the previous report in place.
//
// The view is read anew at the click, its lines in the same read of the
// register as its keys, so a line another clerk deleted is not left as a
// blank row and one changed is not shown with its old values. The report's
// counters are summed in that same read, over those very lines, and the
// window's counters are set to them, so the report and the window agree with
// the report's rows. A view too large for a sheet is counted, not read.
//
// When no program opens the finished report, the user is told where it is.
//
// The window owns one and calls Button3Click() from Button3's click.

#include <QString>
#include <QVariant>

class Dialogs;
class OrderTable;
class QLineEdit;
class StatusPanels;
class SummaryCounters;
struct ViewSums;
class Workbook;

class ExcelExport {
  public:
    // Lines that fit on a sheet of 65,536 rows under the report's 7 title rows.
    static constexpr int MaxLines = 65536 - 7;
    static QString fileName() { return QStringLiteral("Orders.xls"); }
    static QString inUseMessage();
    // The refusal when the report is open elsewhere, naming the file to close.
    static QString inUseMessage(const QString& path);
    static QString folderRefusedMessage(const QString& folder, const QString& reason);
    static QString notOpenedMessage(const QString& path);
    static QString formattingFailedMessage();
    static QString tooLargeMessage(int lines, int maxLines);

    // maxLines can be lowered so that tests need not fill a whole sheet.
    ExcelExport(OrderTable& table, Dialogs& dialogs, const StatusPanels& status, SummaryCounters& counters,
                const QLineEdit* company, const QString& creditLine, const QString& applicationDirectory,
                int maxLines = MaxLines);

    void Button3Click();

    // Stores the line being edited, then whether the report name in directory
    // may be written: not while another program holds it (the error inUse
    // is shown); a stale lock file is removed.
    static bool mayWrite(OrderTable& table, Dialogs& dialogs, const QString& directory, const QString& name,
                         const QString& inUse);
    // Puts one line's values into the raw sheet's row: money and counts as
    // numbers, non-empty texts as texts.
    static void putValues(Workbook* book, int row, const QVariant* values, int count);

  private:
    enum class Saved { Yes, FolderRefused, Failed };

    // Reads the view anew with its sums, and its lines into the raw sheet
    // unless there are more than m_maxLines.
    bool readView(Workbook* book, ViewSums* sums);
    Saved save(const Workbook& book, QString* error) const;
    int sortColumn() const;

    OrderTable& m_table;
    Dialogs& m_dialogs;
    const StatusPanels& m_status;
    SummaryCounters& m_counters;
    const QLineEdit* m_company;
    QString m_creditLine;
    QString m_directory;
    int m_maxLines;
};
