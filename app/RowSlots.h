#pragma once
// The sections of the grid's row header: one per row of the grid, plus spare
// ones after the last row that nothing shows. A QHeaderView sums the heights
// of all its sections again whenever their number changes, which takes a
// millisecond on a million lines; with spares, a new line takes a spare
// section and the sums stay valid, so adding and storing a line costs the
// same on any register. When the spares run out (a view larger than any
// before, or Spare new lines) the sums are made again once, for Spare more;
// a smaller view leaves its unused sections as spares, so changing between
// views renumbers nothing either.

#include <QAbstractTableModel>

class RowSlots : public QAbstractTableModel {
    Q_OBJECT
  public:
    // Spare sections added whenever the sections run out.
    static constexpr int Spare = 64;

    // Follows rows; connect it before any view of rows, so that the header
    // has a section for every row before the view looks at a new one.
    explicit RowSlots(QAbstractItemModel* rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The sections after the last row of the grid.
    int spareCount() const { return m_slots - m_rows->rowCount(); }

  private:
    // Adds sections, Spare more than needed, when the rows outgrow them.
    void coverRows();

    QAbstractItemModel* m_rows;
    int m_slots = 0;
};
