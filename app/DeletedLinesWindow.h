#pragma once
// The lines deleted in the last days, newest first, searchable by article
// and supplier, from which the user brings one back (LineHistory::restore).
// A refused or failed restore is reported and the window stays open.

#include "data/LineHistory.h"

#include <QDialog>
#include <functional>

class Engine;
class QLineEdit;
class QPushButton;
class QTableWidget;

class DeletedLinesWindow : public QDialog {
    Q_OBJECT
  public:
    using Report = std::function<void(const QString& message)>;
    DeletedLinesWindow(Engine& engine, Report report, QWidget* parent = nullptr);

    // The key of the line brought back (once accepted); 0 before.
    qint32 restoredKey() const { return m_restored; }
    QLineEdit* search() const { return m_search; }
    QTableWidget* rows() const { return m_rows; }
    // Brings back the line of the selected row.
    void restoreSelected();

  private:
    void fill();

    static constexpr int MostShown = 1000;
    Engine& m_engine;
    Report m_report;
    QVector<LineHistory::Entry> m_entries;
    QLineEdit* m_search;
    QTableWidget* m_rows;
    QPushButton* m_restore;
    qint32 m_restored = 0;
};
