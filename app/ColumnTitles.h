#pragma once
// The sections of the grid's column titles, apart from the grid's rows: the
// titles and their colours come from the rows' model, but a new view of the
// rows (a filter, a re-read) resets only the rows. With the rows' own model
// the title bar was reset with them and painted whole again at every filter
// change, although no title changed.

#include <QAbstractTableModel>

class ColumnTitles : public QAbstractTableModel {
    Q_OBJECT
  public:
    // Shows the titles of rows, and follows its changes of titles.
    explicit ColumnTitles(QAbstractItemModel* rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    QAbstractItemModel* m_rows;
};
