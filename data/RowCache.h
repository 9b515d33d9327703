#pragma once
// The stored values of the lines the grid and the form show, read by key
// through one prepared statement and kept in a small least-recently-used
// cache. A screen of 25 lines costs about 0.5 ms to read, so nothing more
// than the visible lines needs to be in memory.

#include "data/SqliteStatement.h"

#include <QCache>
#include <QVariant>
#include <QVector>

using RowValues = QVector<QVariant>; // value form, one per column of OrderColumns

class RowCache {
public:
    static constexpr int Capacity = 512;

    // Compiles the look-up; fails with the engine's message when Table1 or one
    // of its columns is missing.
    bool prepare(sqlite3* db, QString* error);
    void finalize();
    void clear() { m_rows.clear(); }
    void drop(qint32 key) { m_rows.remove(key); }

    // The line's stored values; all null when no line has that key. The
    // reference stays valid until the next call.
    const RowValues& row(qint32 key);
    // The line's version as it was read with row(): the engine's own text of
    // every column, which changes whenever another program changes a value.
    // Empty when no line has that key.
    QByteArray version(qint32 key);

    // The SQL expression of a line's version (see version()), for a
    // statement over Table1 that must find the line as it was read.
    static QString versionExpression();

private:
    struct Line {
        RowValues values;
        QByteArray version;
    };
    const Line* line(qint32 key);

    SqliteStatement m_select;
    QCache<qint32, Line> m_rows{Capacity};
    RowValues m_missing;
};
