#pragma once
// The reference grid of the start-up benchmark: the least a Qt grid over the
// register must do. It holds the vector of keys of the view and reads a row by
// key (one prepared statement) only when the view asks for it, keeping the last
// 512 rows. The program's own model is measured against this one.

#include <QAbstractTableModel>
#include <QCache>
#include <QVector>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class KeyGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit KeyGridModel(sqlite3* db, QObject* parent = nullptr);
    ~KeyGridModel() override;

    // Replaces the view by the keys the query returns (first column).
    bool load(const QString& keySql);
    // Replaces the view by keys ordered elsewhere.
    void setKeys(std::vector<qint64> keys);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    using Row = QVector<QString>;
    const Row* row(int index) const;

    sqlite3* m_db;
    sqlite3_stmt* m_byKey = nullptr;
    std::vector<qint64> m_keys;
    mutable QCache<qint64, Row> m_rows{512};
};
