#pragma once
// The stored values of the lines the grid and the form show, read by key
// through one statement the engine keeps prepared, and kept in a small
// least-recently-used cache. A screen of 25 lines costs about 0.5 ms to read
// (one statement for the lines a grid shows at once), so nothing more than
// the visible lines needs to be in memory.

#include "data/OrderColumns.h"

#include <QCache>
#include <QVariant>
#include <QVector>
#include <functional>

class Engine;
class EngineRow;

using RowValues = QVector<QVariant>; // value form, one per column of OrderColumns

class RowCache {
  public:
    static constexpr int Capacity = 512;

    // Reads through engine from now on (nullptr: reads nothing).
    void setEngine(Engine* engine);
    // Called when row() or version() reads a line that is no longer stored
    // (another program deleted it), so that its blank is not left shown.
    void setOnMissing(std::function<void()> onMissing) { m_onMissing = std::move(onMissing); }
    // Runs the look-up once: fails with the engine's message when Table1 or
    // one of its columns is missing.
    bool check(QString* error);
    void clear() { m_rows.clear(); }
    // After a failed read no line is read until retry(): a grid painting
    // its lines must not wait on a server that does not answer once per
    // line. The table calls it at every step of the clerk.
    void retry() { m_failed = false; }
    // Reads the line into the cache when it is not there; false with the
    // engine's message when it cannot be read (a missing line is no failure).
    bool load(qint32 key, QString* error);
    // Whether the line is held (loaded and still stored when it was read).
    bool contains(qint32 key) const { return m_rows.contains(key); }
    void drop(qint32 key) { m_rows.remove(key); }
    // What an INSERT or UPDATE of one line ends with to answer with the line
    // as stored, its version included; keep() takes that answer, so a line
    // just stored is not read again.
    const QString& returning() const { return m_returning; }
    // The columns returning() names: the line's, then its version.
    static constexpr int ReturnedColumns = OrderColumns::Count + 1;
    void keep(const EngineRow& row);

    // The line's stored values; all null when no line has that key. The
    // reference stays valid until the next call.
    const RowValues& row(qint32 key);
    // Lines read in one statement when a grid asks for one that is not held.
    static constexpr int Batch = 32;
    // row(keys[0]); when that line is not held, it is read in one statement
    // with those of the next keys (up to Batch in all) that are not held
    // either: a grid that shows a view anew reads its screen at once, one
    // round trip to a server instead of one per line.
    const RowValues& rowWithNext(const qint32* keys, int count);
    // The line's version as it was read with row() (Engine::versionExpression),
    // which changes whenever another program stores the line. Empty when no
    // line has that key.
    QByteArray version(qint32 key);

  private:
    struct Line {
        RowValues values;
        QByteArray version;
    };
    const Line* line(qint32 key);
    bool read(qint32 key, QString* error); // into the cache; a missing line is no failure
    // Whether a line may be read now (see line()).
    bool mayRead() const;
    // Reads the lines of keys (at most Batch) into the cache in one statement.
    bool readAll(const QVector<qint32>& keys, QString* error);
    Line* fromRow(const EngineRow& row) const;

    Engine* m_engine = nullptr;
    QString m_select;
    QString m_returning;
    QString m_selectBatch;
    QCache<qint32, Line> m_rows{Capacity};
    RowValues m_missing;
    bool m_failed = false;
    std::function<void()> m_onMissing;
};
