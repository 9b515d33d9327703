#pragma once
// The grid's view of the order table: the 24 columns with their titles, one
// row per line of the view plus the pending new line. It reads every cell
// through OrderTable and runs no SQL of its own, so a million lines cost
// nothing until they are shown; it writes dates in the user's format.
// Read-only: lines change through the form.

#include <QAbstractTableModel>
#include <QColor>

class QDate;

class OrderTable;

class OrderGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr QRgb SortTitleColour = 0xA5DB92; // light green

    explicit OrderGridModel(OrderTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The title of this column turns light green, all others the button face
    // colour. -1 marks none.
    void setSortTitleColumn(int column);
    int sortTitleColumn() const { return m_sortColumn; }

    // A date as the grid shows it: the user's short date format with the year
    // in full ("7.12.2026 г." in Bulgarian); the register stores YYYY-MM-DD.
    static QString shortDate(const QDate& date);

  private:
    void reset();
    void refreshRow(int row);
    void newLineShown();
    void newLineDropped();

    OrderTable& m_table;
    int m_rows = 0; // what the views were last told
    int m_sortColumn = 0;
};
