#include "bench/KeyGridModel.h"

#include "data/Currency.h"
#include "data/OrderColumns.h"

#include <sqlite3.h>

KeyGridModel::KeyGridModel(sqlite3* db, QObject* parent) : QAbstractTableModel(parent), m_db(db) {
    sqlite3_prepare_v2(m_db, "SELECT * FROM Table1 WHERE key = ?", -1, &m_byKey, nullptr);
}

KeyGridModel::~KeyGridModel() {
    sqlite3_finalize(m_byKey);
}

bool KeyGridModel::load(const QString& keySql) {
    beginResetModel();
    m_keys.clear();
    m_rows.clear();
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_db, keySql.toUtf8().constData(), -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            m_keys.push_back(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
    }
    endResetModel();
    return rc == SQLITE_DONE;
}

void KeyGridModel::setKeys(std::vector<qint64> keys) {
    beginResetModel();
    m_keys = std::move(keys);
    m_rows.clear();
    endResetModel();
}

int KeyGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_keys.size());
}

int KeyGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : OrderColumns::Count;
}

const KeyGridModel::Row* KeyGridModel::row(int index) const {
    const qint64 key = m_keys[size_t(index)];
    if (const Row* cached = m_rows.object(key))
        return cached;
    sqlite3_bind_int64(m_byKey, 1, key);
    Row* values = nullptr;
    if (sqlite3_step(m_byKey) == SQLITE_ROW) {
        values = new Row(OrderColumns::Count);
        for (int column = 0; column < OrderColumns::Count; ++column) {
            if (OrderColumns::at(column).type == ColumnType::Currency)
                (*values)[column] = Currency::fromUnits(sqlite3_column_int64(m_byKey, column)).toString();
            else
                (*values)[column] =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_byKey, column)),
                                      sqlite3_column_bytes(m_byKey, column));
        }
    }
    sqlite3_reset(m_byKey);
    if (!values)
        return nullptr;
    m_rows.insert(key, values);
    return values;
}

QVariant KeyGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const Row* values = row(index.row());
    return values ? QVariant(values->at(index.column())) : QVariant();
}

QVariant KeyGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromLatin1(OrderColumns::at(section).title);
    return {};
}
