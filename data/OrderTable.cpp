#include "data/OrderTable.h"

#include "data/ColumnCache.h"
#include "data/DataLink.h"
#include "data/Database.h"
#include "data/FieldCodec.h"
#include "data/RowCache.h"
#include "data/SqliteStatement.h"

#include <QStringList>
#include <algorithm>
#include <set>
#include <sqlite3.h>
#include <vector>

namespace {

const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString EmptyDataset = QStringLiteral("Cannot perform this operation on an empty dataset");
const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
// Another program on the register stored or deleted the line after this one
// read it: storing over it would silently undo the other's work.
const QString ChangedOnStore = QStringLiteral(
    "This line was changed by another user (or deleted) since it was read, so your changes were not stored.\r\n"
    "Your entries are kept: press Cancel to see the line as it is stored now.");
const QString ChangedOnDelete = QStringLiteral(
    "This line was changed by another user since it was read, so it was not deleted.\r\n"
    "Look at it as it is stored now, and delete it again if it should still go.");

// Column caches kept at once; each costs about 8 MB at a million lines.
constexpr size_t MaxColumnCaches = 4;

} // namespace

struct OrderTable::Private {
    std::function<void(const QString&)> sink;
    std::function<bool()> beforePost;
    std::function<bool()> beforeDelete;
    QVector<DataLink*> links;

    std::vector<qint32> base; // keys of the view, ascending
    std::vector<qint32> view; // the same keys in the sort order
    // Lines stored while the filter was on: they stay in the view whether or
    // not they still pass the filter, so the sums must count them too.
    std::set<qint32> stored;
    int sortColumn = OrderColumns::Key;
    bool sortDescending = false;

    RowCache rows;
    std::vector<std::unique_ptr<ColumnCache>> caches; // most recently used last

    RowValues buffer;      // the pending line
    QVector<bool> changed; // columns set since the line became pending
    qint32 keyBeforeInsert = 0;
    qint32 pendingKey = 0; // reserved for the pending new line
    QByteArray editVersion; // the edited line's version as it was read

    void clearBuffer()
    {
        buffer = RowValues(OrderColumns::Count);
        changed = QVector<bool>(OrderColumns::Count, false);
    }

    int rowOfKey(qint32 key) const
    {
        const auto it = std::find(view.begin(), view.end(), key);
        return it == view.end() ? -1 : int(it - view.begin());
    }

    ColumnCache* cacheFor(int column, sqlite3* db, QString* error)
    {
        for (auto it = caches.begin(); it != caches.end(); ++it) {
            if ((*it)->column() == column) {
                std::rotate(it, it + 1, caches.end());
                return caches.back().get();
            }
        }
        auto cache = std::make_unique<ColumnCache>(column);
        if (!cache->load(db, error))
            return nullptr;
        if (caches.size() >= MaxColumnCaches)
            caches.erase(caches.begin());
        caches.push_back(std::move(cache));
        return caches.back().get();
    }

    bool orderKeys(const std::vector<qint32>& keys, int column, bool descending, sqlite3* db,
                   std::vector<qint32>* out, QString* error)
    {
        if (column == OrderColumns::Key) {
            *out = keys;
            if (descending)
                std::reverse(out->begin(), out->end());
            return true;
        }
        ColumnCache* cache = cacheFor(column, db, error);
        if (!cache)
            return false;
        *out = cache->sorted(keys, descending);
        return true;
    }

    // A stored line enters the view at its place in the sort order; returns its row.
    int placeInView(qint32 key, sqlite3* db)
    {
        QString ignored;
        ColumnCache* cache = sortColumn == OrderColumns::Key ? nullptr : cacheFor(sortColumn, db, &ignored);
        const bool descending = sortDescending;
        auto before = [&](qint32 a, qint32 b) {
            if (cache)
                return cache->before(a, b, descending);
            return descending ? a > b : a < b;
        };
        const auto placed = view.insert(std::lower_bound(view.begin(), view.end(), key, before), key);
        return int(placed - view.begin());
    }

    void storeInCaches(qint32 key, bool allColumns)
    {
        for (const auto& cache : caches)
            if (allColumns || changed[cache->column()])
                cache->store(key, buffer[cache->column()]);
    }
};

OrderTable::OrderTable(Database& database, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()), m_db(database)
{
    d->clearBuffer();
}

OrderTable::~OrderTable() = default;

// --- sinks and hooks ---------------------------------------------------------

void OrderTable::setErrorSink(std::function<void(const QString&)> sink)
{
    d->sink = std::move(sink);
}

void OrderTable::setBeforePost(std::function<bool()> hook)
{
    d->beforePost = std::move(hook);
}

void OrderTable::setBeforeDelete(std::function<bool()> hook)
{
    d->beforeDelete = std::move(hook);
}

void OrderTable::addDataLink(DataLink* link)
{
    if (!d->links.contains(link))
        d->links.append(link);
}

void OrderTable::removeDataLink(DataLink* link)
{
    d->links.removeAll(link);
}

void OrderTable::report(const QString& message) const
{
    if (d->sink)
        d->sink(message);
    else
        qWarning("OrderTable: %s", qPrintable(message));
}

bool OrderTable::checkActive() const
{
    if (isActive())
        return true;
    report(ClosedDataset);
    return false;
}

bool OrderTable::commitLinks()
{
    const QVector<DataLink*> links = d->links; // a link may unregister itself
    for (DataLink* link : links)
        if (!link->commitPendingText())
            return false;
    return true;
}

// --- notifications -------------------------------------------------------------

void OrderTable::notifyData(int column)
{
    if (m_disableCount == 0)
        emit dataChanged(column);
}

void OrderTable::notifyView()
{
    if (m_disableCount == 0)
        emit viewReset();
}

void OrderTable::notifyNewLine(bool shown)
{
    if (m_disableCount > 0)
        return;
    if (shown)
        emit newLineShown();
    else
        emit newLineDropped();
}

void OrderTable::notifyRow(int row)
{
    if (m_disableCount == 0 && row >= 0)
        emit rowChanged(row);
}

void OrderTable::notifyCurrent()
{
    if (m_disableCount == 0)
        emit currentRowChanged(m_current);
}

void OrderTable::moveCurrent(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    notifyData(-1);
    notifyCurrent();
}

void OrderTable::disableControls()
{
    ++m_disableCount;
}

void OrderTable::enableControls()
{
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    notifyView();
    notifyData(-1);
    notifyCurrent();
}

// --- open / close ------------------------------------------------------------------

bool OrderTable::isActive() const
{
    return m_state != TableState::Inactive;
}

bool OrderTable::open()
{
    if (isActive())
        return true;
    QString error;
    sqlite3* db = m_db.isOpen() ? m_db.handle() : nullptr;
    int column = OrderColumns::Key;
    bool descending = false;
    if (!parseSort(m_sortText, &column, &descending))
        return false;
    d->sortColumn = column;
    d->sortDescending = descending;
    // Preparing the row look-up names every column, so a missing table or
    // column fails here with the engine's message.
    if (!d->rows.prepare(db, &error) || !selectView(&error)) {
        d->rows.finalize();
        d->caches.clear();
        report(error);
        return false;
    }
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Browse;
    m_current = d->view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = d->view.empty();
    emit stateChanged(m_state);
    notifyData(-1);
    notifyView();
    notifyCurrent();
    return true;
}

void OrderTable::close()
{
    if (!isActive())
        return;
    d->rows.finalize();
    d->caches.clear();
    d->base.clear();
    d->view.clear();
    d->stored.clear();
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Inactive;
    m_current = -1;
    m_bof = m_eof = true;
    emit stateChanged(m_state);
    notifyView();
    notifyData(-1);
    notifyCurrent();
}

bool OrderTable::selectView(QString* error)
{
    QString sql = QStringLiteral("SELECT key FROM Table1");
    if (m_filtered && !m_filterText.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE (%1)").arg(m_filterText);
    sql += QStringLiteral(" ORDER BY key");
    sqlite3* db = m_db.isOpen() ? m_db.handle() : nullptr;
    SqliteStatement select;
    if (!select.prepare(db, sql, error))
        return false;
    std::vector<qint32> keys;
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW)
        keys.push_back(sqlite3_column_int(select.get(), 0));
    if (rc != SQLITE_DONE) {
        *error = select.errorMessage();
        return false;
    }
    std::vector<qint32> ordered;
    if (!d->orderKeys(keys, d->sortColumn, d->sortDescending, db, &ordered, error))
        return false;
    d->base = std::move(keys);
    d->view = std::move(ordered);
    d->stored.clear();
    return true;
}

bool OrderTable::runSql(const char* sql, QString* error)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db.handle(), sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db.handle()));
    sqlite3_free(message);
    return false;
}

bool OrderTable::readView(ViewSums* sums, QString* error)
{
    // Without a transaction each SELECT sees the file as it is at that moment,
    // and a line another program stores in between would be summed but not
    // shown, or shown but not summed.
    if (!sums)
        return selectView(error);
    if (!runSql("BEGIN", error))
        return false;
    const bool read = selectView(error) && readSums(sums, error);
    QString ignored;
    runSql(read ? "COMMIT" : "ROLLBACK", read ? error : &ignored);
    return read;
}

QString OrderTable::viewCondition() const
{
    if (!m_filtered || m_filterText.trimmed().isEmpty())
        return QString();
    QString where = QStringLiteral(" WHERE (%1)").arg(m_filterText);
    if (!d->stored.empty()) {
        QStringList keys;
        for (qint32 key : d->stored)
            keys << QString::number(key);
        where += QStringLiteral(" OR key IN (%1)").arg(keys.join(u','));
    }
    return where;
}

bool OrderTable::readSums(ViewSums* out, QString* error)
{
    const QString sql = QStringLiteral("SELECT COUNT(*), COALESCE(SUM(polucbr), 0), COALESCE(SUM(obsto), 0) FROM Table1") +
                        viewCondition();
    SqliteStatement select;
    if (!select.prepare(m_db.handle(), sql, error))
        return false;
    if (sqlite3_step(select.get()) != SQLITE_ROW) {
        *error = select.errorMessage();
        return false;
    }
    out->count = sqlite3_column_int64(select.get(), 0);
    out->pieces = sqlite3_column_int64(select.get(), 1);
    out->money = Currency::fromUnits(sqlite3_column_int64(select.get(), 2));
    return true;
}

// --- view definition -------------------------------------------------------------------

bool OrderTable::parseSort(const QString& sortText, int* column, bool* descending)
{
    const QStringList parts = sortText.split(u' ', Qt::SkipEmptyParts);
    *column = OrderColumns::Key;
    *descending = false;
    if (parts.isEmpty())
        return true;
    if (parts.size() > 2 || (parts.size() == 2 && parts[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) != 0 &&
                             parts[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0)) {
        report(QStringLiteral("Invalid sort order '%1'").arg(sortText));
        return false;
    }
    *column = OrderColumns::indexOf(parts[0].toLower());
    if (*column < 0) {
        report(QStringLiteral("Field '%1' not found").arg(parts[0]));
        return false;
    }
    *descending = parts.size() == 2 && parts[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    return true;
}

bool OrderTable::setSort(const QString& sortText)
{
    if (sortText == m_sortText)
        return true;
    int column = OrderColumns::Key;
    bool descending = false;
    if (!parseSort(sortText, &column, &descending))
        return false;
    if (!isActive()) {
        m_sortText = sortText;
        return true;
    }
    std::vector<qint32> ordered;
    QString error;
    if (!d->orderKeys(d->base, column, descending, m_db.handle(), &ordered, &error)) {
        report(error);
        return false;
    }
    const qint32 key = currentKey();
    d->view = std::move(ordered);
    d->sortColumn = column;
    d->sortDescending = descending;
    m_sortText = sortText;
    // The current line stays current; a pending new line stays the extra last row.
    if (key != 0)
        m_current = d->rowOfKey(key);
    notifyView();
    notifyData(-1);
    notifyCurrent();
    return true;
}

bool OrderTable::setFilterText(const QString& where)
{
    if (!isActive() || !m_filtered) {
        m_filterText = where;
        return true;
    }
    return reselect(true, where, nullptr);
}

bool OrderTable::setFiltered(bool on)
{
    if (on == m_filtered)
        return true;
    if (!isActive()) {
        m_filtered = on;
        return true;
    }
    return reselect(on, m_filterText, nullptr);
}

bool OrderTable::setFilter(const QString& where, bool on, ViewSums* sums)
{
    if (!isActive()) {
        m_filterText = where;
        m_filtered = on;
        return true;
    }
    return reselect(on, where, sums);
}

bool OrderTable::refresh(ViewSums* sums)
{
    if (!checkActive() || !settle())
        return false;
    const qint32 key = currentKey();
    // Other programs may have changed any line: nothing read before counts.
    d->rows.clear();
    d->caches.clear();
    QString error;
    if (!readView(sums, &error)) {
        report(error);
        return false;
    }
    const int row = key != 0 ? d->rowOfKey(key) : -1;
    m_current = row >= 0 ? row : (d->view.empty() ? -1 : 0);
    m_bof = m_current <= 0;
    m_eof = d->view.empty();
    notifyView();
    notifyData(-1);
    notifyCurrent();
    return true;
}

bool OrderTable::reselect(bool filtered, const QString& filterText, ViewSums* sums)
{
    if (!settle())
        return false;
    const bool oldFiltered = m_filtered;
    const QString oldText = m_filterText;
    m_filtered = filtered;
    m_filterText = filterText;
    d->rows.clear();
    QString error;
    if (!readView(sums, &error)) {
        m_filtered = oldFiltered;
        m_filterText = oldText;
        report(error);
        return false;
    }
    m_current = d->view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = d->view.empty();
    notifyView();
    notifyData(-1);
    notifyCurrent();
    return true;
}

// --- navigation ------------------------------------------------------------------------

int OrderTable::recordCount() const
{
    return isActive() ? int(d->view.size()) : 0;
}

qint32 OrderTable::currentKey() const
{
    if (m_state == TableState::Insert || m_current < 0 || m_current >= int(d->view.size()))
        return 0;
    return d->view[size_t(m_current)];
}

bool OrderTable::settle()
{
    if (!isEditing())
        return true;
    if (!commitLinks())
        return false;
    if (m_modified)
        return post();
    cancel();
    return true;
}

bool OrderTable::first()
{
    if (!checkActive() || !settle())
        return false;
    // Flags first: handlers of the move's notifications read them.
    m_bof = true;
    m_eof = d->view.empty();
    moveCurrent(d->view.empty() ? -1 : 0);
    return true;
}

bool OrderTable::last()
{
    if (!checkActive() || !settle())
        return false;
    m_bof = d->view.empty();
    m_eof = true;
    moveCurrent(int(d->view.size()) - 1);
    return true;
}

bool OrderTable::next()
{
    if (!checkActive() || !settle())
        return false;
    if (m_current + 1 >= int(d->view.size())) {
        m_eof = true;
        m_bof = d->view.empty();
        return true;
    }
    m_bof = m_eof = false;
    moveCurrent(m_current + 1);
    return true;
}

bool OrderTable::prior()
{
    if (!checkActive() || !settle())
        return false;
    if (m_current <= 0) {
        m_bof = true;
        m_eof = d->view.empty();
        return true;
    }
    m_bof = m_eof = false;
    moveCurrent(m_current - 1);
    return true;
}

bool OrderTable::moveTo(int row)
{
    if (!checkActive())
        return false;
    if (row == m_current)
        return true;
    if (row < 0 || row >= int(d->view.size()))
        return false;
    // Storing the pending line may move lines around: follow the target's key.
    const qint32 key = d->view[size_t(row)];
    if (!settle())
        return false;
    const int target = d->rowOfKey(key);
    if (target < 0)
        return false;
    m_bof = m_eof = false;
    moveCurrent(target);
    return true;
}

QString OrderTable::bookmark() const
{
    const qint32 key = isActive() ? currentKey() : 0;
    return key == 0 ? QString() : QString::number(key);
}

bool OrderTable::lineExists(qint32 key)
{
    SqliteStatement select;
    QString error;
    if (!select.prepare(m_db.handle(), QStringLiteral("SELECT 1 FROM Table1 WHERE key = ?"), &error))
        return false;
    sqlite3_bind_int(select.get(), 1, key);
    return sqlite3_step(select.get()) == SQLITE_ROW;
}

bool OrderTable::hasBookmark(const QString& bookmark) const
{
    bool ok = false;
    const qint32 key = bookmark.toInt(&ok);
    return ok && isActive() && d->rowOfKey(key) >= 0;
}

bool OrderTable::gotoBookmark(const QString& bookmark)
{
    if (!checkActive())
        return false;
    if (bookmark.isEmpty())
        return false; // a pending new line has no place to return to
    if (!settle())
        return false;
    bool ok = false;
    const qint32 key = bookmark.toInt(&ok);
    const int row = ok ? d->rowOfKey(key) : -1;
    if (row < 0) {
        report(QStringLiteral("Record not found"));
        return false;
    }
    m_bof = m_eof = false;
    moveCurrent(row);
    return true;
}

// --- editing ---------------------------------------------------------------------------

qint32 OrderTable::pendingKey() const
{
    return m_state == TableState::Insert ? d->pendingKey : 0;
}

bool OrderTable::reserveKey(qint32* out)
{
    if (!checkActive())
        return false;
    // AUTOINCREMENT keeps the largest key ever given in sqlite_sequence (a
    // table that never had a line has no entry there yet). Moving it on in a
    // write transaction hands each program on the register its own numbers.
    QString error;
    if (!runSql("BEGIN IMMEDIATE", &error)) {
        report(error);
        return false;
    }
    SqliteStatement select;
    bool done = select.prepare(m_db.handle(),
                               QStringLiteral("SELECT MAX(COALESCE((SELECT seq FROM sqlite_sequence WHERE name = "
                                              "'Table1'), 0), COALESCE((SELECT MAX(key) FROM Table1), 0)) + 1,"
                                              " EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = 'Table1')"),
                               &error);
    qint32 key = 0;
    bool hasEntry = false;
    if (done && sqlite3_step(select.get()) == SQLITE_ROW) {
        key = sqlite3_column_int(select.get(), 0);
        hasEntry = sqlite3_column_int(select.get(), 1) != 0;
    } else if (done) {
        error = select.errorMessage();
        done = false;
    }
    select.finalize();
    if (done) {
        SqliteStatement write;
        done = write.prepare(m_db.handle(),
                             hasEntry ? QStringLiteral("UPDATE sqlite_sequence SET seq = ? WHERE name = 'Table1'")
                                      : QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('Table1', ?)"),
                             &error);
        if (done) {
            sqlite3_bind_int(write.get(), 1, key);
            done = write.run(&error);
        }
    }
    if (done)
        done = runSql("COMMIT", &error);
    if (!done) {
        QString ignored;
        runSql("ROLLBACK", &ignored);
        report(error);
        return false;
    }
    *out = key;
    return true;
}

bool OrderTable::append()
{
    if (!checkActive() || !settle())
        return false;
    qint32 key = 0;
    if (!reserveKey(&key))
        return false;
    d->pendingKey = key;
    d->keyBeforeInsert = currentKey();
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Insert;
    m_current = int(d->view.size());
    m_bof = m_eof = false;
    emit stateChanged(m_state);
    notifyNewLine(true);
    notifyData(-1);
    notifyCurrent();
    return true;
}

bool OrderTable::edit()
{
    if (!checkActive())
        return false;
    if (isEditing())
        return true;
    if (d->view.empty())
        return append();
    d->buffer = d->rows.row(currentKey());
    d->editVersion = d->rows.version(currentKey());
    d->changed = QVector<bool>(OrderColumns::Count, false);
    m_modified = false;
    m_state = TableState::Edit;
    emit stateChanged(m_state);
    notifyData(-1);
    return true;
}

bool OrderTable::post()
{
    if (!checkActive())
        return false;
    if (!isEditing())
        return true;
    if (!commitLinks())
        return false;
    if (d->beforePost && !d->beforePost())
        return false;
    if (!isEditing())
        return false; // the hook abandoned the line: nothing is stored
    qint32 key = 0;
    QString error;
    if (!writePending(&key, &error)) {
        // The window's handler sees the failure first (it abandons the line),
        // then the failure is reported as any engine error.
        emit postError(error);
        report(error);
        return false;
    }
    finishPost(key);
    return true;
}

bool OrderTable::writePending(qint32* key, QString* error)
{
    const bool inserting = m_state == TableState::Insert;
    QStringList names;
    QVector<int> columns;
    if (inserting)
        names << OrderColumns::name(OrderColumns::Key);
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column) {
        if (inserting || d->changed[column]) {
            columns << column;
            names << OrderColumns::name(column);
        }
    }
    if (columns.isEmpty()) { // an edit that set nothing writes nothing
        *key = currentKey();
        return true;
    }
    QString sql;
    if (inserting)
        sql = QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)")
                  .arg(names.join(u", "), QStringList(names.size(), QStringLiteral("?")).join(u", "));
    else
        sql = QStringLiteral("UPDATE Table1 SET %1 = ? WHERE key = ? AND %2 = ?")
                  .arg(names.join(QStringLiteral(" = ?, ")), RowCache::versionExpression());
    sqlite3* db = m_db.handle();
    SqliteStatement write;
    if (!write.prepare(db, sql, error))
        return false;
    int parameter = 1;
    if (inserting)
        sqlite3_bind_int(write.get(), parameter++, d->pendingKey);
    for (int column : columns) {
        if (!FieldCodec::bind(write.get(), parameter++, d->buffer[column])) {
            *error = write.errorMessage();
            return false;
        }
    }
    if (!inserting) {
        sqlite3_bind_int(write.get(), parameter++, currentKey());
        sqlite3_bind_text(write.get(), parameter, d->editVersion.constData(), int(d->editVersion.size()),
                          SQLITE_STATIC);
    }
    // One statement in autocommit mode: one transaction, on disk when it returns.
    if (!write.run(error))
        return false;
    if (inserting) {
        *key = d->pendingKey;
        return true;
    }
    if (sqlite3_changes(db) == 0) {
        // What is cached is the old version: Cancel must show the new one.
        d->rows.drop(currentKey());
        *error = ChangedOnStore;
        return false;
    }
    *key = currentKey();
    return true;
}

void OrderTable::finishPost(qint32 key)
{
    const bool inserted = m_state == TableState::Insert;
    d->storeInCaches(key, inserted);
    d->rows.drop(key);
    if (m_filtered)
        d->stored.insert(key);
    bool viewChanged = false;
    sqlite3* db = m_db.handle();
    int row = inserted ? -1 : m_current;
    if (inserted) {
        d->base.insert(std::lower_bound(d->base.begin(), d->base.end(), key), key);
        row = d->placeInView(key, db);
        // The grid already showed the new line as its last row; only a line
        // placed elsewhere by the sort changes the rows.
        viewChanged = row != int(d->view.size()) - 1;
    } else if (d->sortColumn != OrderColumns::Key && d->changed[d->sortColumn]) {
        d->view.erase(d->view.begin() + row);
        row = d->placeInView(key, db);
        viewChanged = true;
    }
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Browse;
    m_current = row;
    m_bof = m_eof = false;
    emit stateChanged(m_state);
    if (viewChanged)
        notifyView();
    else
        notifyRow(m_current);
    notifyData(-1);
    notifyCurrent();
    emit afterPost();
}

void OrderTable::cancel()
{
    if (!isEditing())
        return;
    const bool wasInsert = m_state == TableState::Insert;
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Browse;
    if (wasInsert) {
        // Back to the line that was current before the new one was started.
        const int row = d->keyBeforeInsert ? d->rowOfKey(d->keyBeforeInsert) : -1;
        m_current = row >= 0 ? row : int(d->view.size()) - 1;
    }
    emit stateChanged(m_state);
    if (wasInsert)
        notifyNewLine(false);
    else
        notifyRow(m_current);
    notifyData(-1);
    notifyCurrent();
    emit cancelled();
}

bool OrderTable::remove()
{
    if (!checkActive())
        return false;
    if (m_state == TableState::Insert) {
        cancel();
        return true;
    }
    if (d->view.empty()) {
        report(EmptyDataset);
        return false;
    }
    if (m_state == TableState::Edit && !commitLinks())
        return false;
    const qint32 key = currentKey();
    if (d->beforeDelete && !d->beforeDelete())
        return false;
    const int row = d->rowOfKey(key);
    if (row < 0 || m_state == TableState::Insert)
        return false; // the hook moved away or started a new line
    // Only the line as the user saw it is deleted.
    const QByteArray version = m_state == TableState::Edit ? d->editVersion : d->rows.version(key);
    SqliteStatement erase;
    QString error;
    if (!erase.prepare(m_db.handle(),
                       QStringLiteral("DELETE FROM Table1 WHERE key = ? AND %1 = ?").arg(RowCache::versionExpression()),
                       &error)) {
        report(error);
        return false;
    }
    sqlite3_bind_int(erase.get(), 1, key);
    sqlite3_bind_text(erase.get(), 2, version.constData(), int(version.size()), SQLITE_STATIC);
    if (!erase.run(&error)) {
        report(error);
        return false;
    }
    if (sqlite3_changes(m_db.handle()) == 0 && lineExists(key)) {
        d->rows.drop(key);
        if (m_state == TableState::Browse) {
            notifyRow(row);
            notifyData(-1);
        }
        report(ChangedOnDelete);
        return false;
    }
    // A line another program removed first is simply gone from the view too.
    d->view.erase(d->view.begin() + row);
    const auto inBase = std::lower_bound(d->base.begin(), d->base.end(), key);
    if (inBase != d->base.end() && *inBase == key)
        d->base.erase(inBase);
    d->stored.erase(key);
    d->rows.drop(key);
    for (const auto& cache : d->caches)
        cache->remove(key);
    const bool wasEditing = m_state == TableState::Edit;
    d->clearBuffer();
    m_modified = false;
    m_state = TableState::Browse;
    m_current = std::min(row, int(d->view.size()) - 1);
    m_bof = d->view.empty();
    m_eof = d->view.empty();
    if (wasEditing)
        emit stateChanged(m_state);
    notifyView();
    notifyData(-1);
    notifyCurrent();
    emit afterDelete();
    return true;
}

// --- field access --------------------------------------------------------------------

int OrderTable::columnIndex(const QString& name) const
{
    return OrderColumns::indexOf(name.toLower());
}

ColumnType OrderTable::columnType(const QString& name) const
{
    const int column = columnIndex(name);
    return column < 0 ? ColumnType::Text : OrderColumns::at(column).type;
}

QVariant OrderTable::value(int column) const
{
    if (!isActive() || column < 0 || column >= OrderColumns::Count)
        return {};
    if (isEditing())
        return d->buffer[column];
    const qint32 key = currentKey();
    return key == 0 ? QVariant() : d->rows.row(key)[column];
}

QVariant OrderTable::value(const QString& name) const
{
    const int column = columnIndex(name);
    if (column < 0) {
        report(QStringLiteral("Field '%1' not found").arg(name));
        return {};
    }
    return value(column);
}

bool OrderTable::isNull(const QString& name) const
{
    return !value(name).isValid();
}

qint32 OrderTable::asInteger(const QString& name) const
{
    return FieldCodec::toInteger(value(name));
}

Currency OrderTable::asCurrency(const QString& name) const
{
    return FieldCodec::toCurrency(value(name));
}

double OrderTable::asFloat(const QString& name) const
{
    return FieldCodec::toFloat(value(name));
}

QString OrderTable::asString(const QString& name) const
{
    return FieldCodec::text(value(name));
}

QDate OrderTable::asDate(const QString& name) const
{
    return FieldCodec::toDate(value(name));
}

QVariant OrderTable::storedValue(const QString& name) const
{
    const int column = columnIndex(name);
    const qint32 key = isActive() ? currentKey() : 0;
    if (column < 0 || key == 0)
        return {};
    return d->rows.row(key)[column];
}

bool OrderTable::setValue(const QString& name, const QVariant& value)
{
    const int column = columnIndex(name);
    if (column < 0) {
        report(QStringLiteral("Field '%1' not found").arg(name));
        return false;
    }
    return setValue(column, value);
}

bool OrderTable::setValue(int column, const QVariant& value)
{
    if (!checkActive())
        return false;
    if (column < 0 || column >= OrderColumns::Count) {
        report(QStringLiteral("Field index %1 out of range").arg(column));
        return false;
    }
    if (!isEditing()) {
        report(NotEditing);
        return false;
    }
    QVariant converted;
    QString error;
    if (!FieldCodec::fromInput(value, column, &converted, &error)) {
        report(error);
        return false;
    }
    d->buffer[column] = converted;
    d->changed[column] = true;
    m_modified = true;
    notifyData(column);
    notifyRow(m_current);
    return true;
}

// --- reading for the grid ----------------------------------------------------------------

int OrderTable::viewRowCount() const
{
    return recordCount() + (m_state == TableState::Insert ? 1 : 0);
}

QVariant OrderTable::cellValue(int row, int column) const
{
    if (row < 0 || row >= viewRowCount() || column < 0 || column >= OrderColumns::Count)
        return {};
    if (isEditing() && row == m_current)
        return d->buffer[column];
    return d->rows.row(d->view[size_t(row)])[column];
}

QString OrderTable::cellText(int row, int column) const
{
    return FieldCodec::displayText(cellValue(row, column), column);
}

// --- whole-view work ---------------------------------------------------------------------

bool OrderTable::readLines(const QVector<int>& columns,
                           const std::function<void(int row, const QVariant* values)>& visit)
{
    if (!checkActive())
        return false;
    QStringList names;
    for (int column : columns)
        names << OrderColumns::name(column);
    if (d->sortColumn == OrderColumns::Key)
        return scanLinesInKeyOrder(names, columns, visit);
    sqlite3* db = m_db.handle();
    SqliteStatement select;
    QString error;
    if (!select.prepare(db, QStringLiteral("SELECT %1 FROM Table1 WHERE key = ?").arg(names.join(u", ")), &error)) {
        report(error);
        return false;
    }
    // One read transaction for all look-ups instead of one per line: the
    // engine then takes its file locks once.
    QString ignored;
    runSql("BEGIN", &ignored);
    sqlite3_stmt* stmt = select.get();
    QVector<QVariant> values(columns.size());
    bool ok = true;
    for (size_t row = 0; row < d->view.size() && ok; ++row) {
        sqlite3_bind_int(stmt, 1, d->view[row]);
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            for (int i = 0; i < columns.size(); ++i)
                values[i] = FieldCodec::read(stmt, i, OrderColumns::at(columns[i]).type);
        } else if (rc == SQLITE_DONE) {
            values.fill(QVariant());
        } else {
            report(select.errorMessage());
            ok = false;
        }
        sqlite3_reset(stmt);
        if (ok)
            visit(int(row), values.constData());
    }
    runSql("COMMIT", &ignored);
    return ok;
}

bool OrderTable::scanLinesInKeyOrder(const QStringList& names, const QVector<int>& columns,
                                     const std::function<void(int row, const QVariant* values)>& visit)
{
    // A view in key order is read in one pass over its lines instead of a
    // look-up per line. The view's keys decide what is visited: a line stored
    // by another program since the view was read is passed over, one it
    // deleted is visited with no values, as the look-ups would do.
    const bool descending = d->sortDescending;
    const QString sql = QStringLiteral("SELECT key, %1 FROM Table1").arg(names.join(u", ")) + viewCondition() +
                        QStringLiteral(" ORDER BY key") + (descending ? QStringLiteral(" DESC") : QString());
    SqliteStatement select;
    QString error;
    if (!select.prepare(m_db.handle(), sql, &error)) {
        report(error);
        return false;
    }
    sqlite3_stmt* stmt = select.get();
    const auto comesBefore = [descending](qint32 a, qint32 b) { return descending ? a > b : a < b; };
    QVector<QVariant> values(columns.size());
    QVector<QVariant> missing(columns.size());
    // Suppliers, articles and the like repeat from line to line: each text is
    // decoded once and handed out as one shared copy.
    constexpr int MaxInterned = 20000;
    std::vector<QHash<QByteArray, QString>> interned(size_t(columns.size()));
    const auto readValue = [&](int i) -> QVariant {
        const ColumnType type = OrderColumns::at(columns[i]).type;
        if (type != ColumnType::Text || sqlite3_column_type(stmt, i + 1) == SQLITE_NULL)
            return FieldCodec::read(stmt, i + 1, type);
        const char* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i + 1));
        const int size = sqlite3_column_bytes(stmt, i + 1);
        QHash<QByteArray, QString>& texts = interned[size_t(i)];
        if (const auto it = texts.constFind(QByteArray::fromRawData(bytes, size)); it != texts.constEnd())
            return *it;
        const QString text = QString::fromUtf8(bytes, size);
        if (texts.size() < MaxInterned)
            texts.insert(QByteArray(bytes, size), text);
        return text;
    };
    size_t row = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const qint32 key = sqlite3_column_int(stmt, 0);
        for (; row < d->view.size() && comesBefore(d->view[row], key); ++row)
            visit(int(row), missing.constData());
        if (row == d->view.size() || d->view[row] != key)
            continue;
        for (int i = 0; i < columns.size(); ++i)
            values[i] = readValue(i);
        visit(int(row++), values.constData());
    }
    if (rc != SQLITE_DONE) {
        report(select.errorMessage());
        return false;
    }
    for (; row < d->view.size(); ++row)
        visit(int(row), missing.constData());
    return true;
}

bool OrderTable::sums(ViewSums* out)
{
    if (!checkActive())
        return false;
    QString error;
    if (!readSums(out, &error)) {
        report(error);
        return false;
    }
    return true;
}

bool OrderTable::execute(const QString& sql)
{
    SqliteStatement command;
    QString error;
    if (!command.prepare(m_db.isOpen() ? m_db.handle() : nullptr, sql, &error) || !command.run(&error)) {
        report(error);
        return false;
    }
    // A command that may have changed lines makes the cached copies stale.
    if (!sqlite3_stmt_readonly(command.get())) {
        d->rows.clear();
        d->caches.clear();
    }
    return true;
}
