#pragma once
// The history of one line, read-only: one row per changed column of a
// change (its old and new value), one row for an addition, a delete or a
// restore; newest first. Times and dates are in the user's date format,
// columns under the grid's titles, values as the grid shows them.

#include "data/LineHistory.h"

#include <QDialog>

class QTableWidget;

class LineHistoryWindow : public QDialog {
    Q_OBJECT
  public:
    LineHistoryWindow(qint32 key, const QVector<LineHistory::Entry>& entries, QWidget* parent = nullptr);
    QTableWidget* rows() const { return m_rows; }

    // A time as the window shows it: the user's short date and the time to the second.
    static QString timeText(const QDateTime& at);
    // A value of column as the grid shows it.
    static QString valueText(const QVariant& value, int column);
    // Adds a row of read-only texts at the end of rows.
    static void appendRow(QTableWidget* rows, const QStringList& cells);

  private:
    QTableWidget* m_rows;
};
