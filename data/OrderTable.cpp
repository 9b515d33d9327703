#include "data/OrderTable.h"

#include "data/ColumnCache.h"
#include "data/DataLink.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/RowCache.h"

#include <QStringList>
#include <algorithm>
#include <set>
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
    std::function<bool()> reopen;
    bool reopening = false;
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
    // The connection broke while the pending new line was being stored: it
    // may be stored already, so the next store must not store it again.
    bool insertInDoubt = false;

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

    ColumnCache* cacheFor(int column, Engine* engine, QString* error)
    {
        for (auto it = caches.begin(); it != caches.end(); ++it) {
            if ((*it)->column() == column) {
                std::rotate(it, it + 1, caches.end());
                return caches.back().get();
            }
        }
        auto cache = std::make_unique<ColumnCache>(column);
        if (!engine) {
            *error = Engine::notOpenMessage();
            return nullptr;
        }
        if (!cache->load(*engine, error))
            return nullptr;
        if (caches.size() >= MaxColumnCaches)
            caches.erase(caches.begin());
        caches.push_back(std::move(cache));
        return caches.back().get();
    }

    bool orderKeys(const std::vector<qint32>& keys, int column, bool descending, Engine* engine,
                   std::vector<qint32>* out, QString* error)
    {
        if (column == OrderColumns::Key) {
            *out = keys;
            if (descending)
                std::reverse(out->begin(), out->end());
            return true;
        }
        ColumnCache* cache = cacheFor(column, engine, error);
        if (!cache)
            return false;
        *out = cache->sorted(keys, descending);
        return true;
    }

    // A stored line enters the view at its place in the sort order; returns its row.
    int placeInView(qint32 key, Engine* engine)
    {
        QString ignored;
        ColumnCache* cache = sortColumn == OrderColumns::Key ? nullptr : cacheFor(sortColumn, engine, &ignored);
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

bool OrderTable::checkActive()
{
    // A step of the clerk: lines that could not be read are tried again.
    d->rows.retry();
    if (isActive())
        return true;
    if (d->reopen && !d->reopening) {
        d->reopening = true;
        const bool opened = d->reopen();
        d->reopening = false;
        return opened && isActive(); // a failed try said why
    }
    report(ClosedDataset);
    return false;
}

void OrderTable::setReopen(std::function<bool()> reopen)
{
    d->reopen = std::move(reopen);
}

bool OrderTable::canShow(int row)
{
    if (row < 0 || row >= int(d->view.size()))
        return true;
    QString error;
    if (d->rows.load(d->view[size_t(row)], &error))
        return true;
    report(error);
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
    int column = OrderColumns::Key;
    bool descending = false;
    if (!parseSort(m_sortText, &column, &descending))
        return false;
    d->sortColumn = column;
    d->sortDescending = descending;
    // The row look-up names every column, so a missing table or column
    // fails here with the engine's message.
    d->rows.setEngine(engine());
    if (!d->rows.check(&error) || !selectView(&error)) {
        d->rows.setEngine(nullptr);
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
    d->rows.setEngine(nullptr);
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

Engine* OrderTable::engine() const
{
    return m_db.isOpen() ? m_db.engine() : nullptr;
}

bool OrderTable::selectView(QString* error)
{
    QString sql = QStringLiteral("SELECT key FROM Table1");
    if (m_filtered && !m_filterText.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE (%1)").arg(m_filterText);
    sql += QStringLiteral(" ORDER BY key");
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    std::vector<qint32> keys;
    if (!db->query(sql, {}, [&keys](const EngineRow& row) { keys.push_back(qint32(row.integer(0))); return true; },
                   error))
        return false;
    std::vector<qint32> ordered;
    if (!d->orderKeys(keys, d->sortColumn, d->sortDescending, db, &ordered, error))
        return false;
    d->base = std::move(keys);
    d->view = std::move(ordered);
    d->stored.clear();
    return true;
}

bool OrderTable::readView(ViewSums* sums, QString* error)
{
    // Without a transaction each SELECT sees the file as it is at that moment,
    // and a line another program stores in between would be summed but not
    // shown, or shown but not summed.
    if (!sums)
        return selectView(error);
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    if (!db->beginRead(error))
        return false;
    const bool read = selectView(error) && readSums(sums, error) && db->commit(error);
    if (!read)
        db->rollback();
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
    const QString sql = OrderColumns::sumsQuery() +
                        viewCondition();
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return db->query(sql, {}, [out](const EngineRow& row) {
        out->count = row.integer(0);
        out->pieces = row.integer(1);
        out->money = Currency::fromUnits(row.integer(2));
        return false;
    }, error);
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
    if (!d->orderKeys(d->base, column, descending, engine(), &ordered, &error)) {
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

bool OrderTable::commitTypedText()
{
    return !isEditing() || commitLinks();
}

bool OrderTable::currentLineVanished()
{
    const qint32 key = isActive() ? currentKey() : 0;
    // A line that cannot be read now (the server gone) is not known to be gone.
    QString error;
    return key != 0 && d->rows.load(key, &error) && !d->rows.row(key)[OrderColumns::Key].isValid();
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
    if (!checkActive() || !settle() || !canShow(0))
        return false;
    // Flags first: handlers of the move's notifications read them.
    m_bof = true;
    m_eof = d->view.empty();
    moveCurrent(d->view.empty() ? -1 : 0);
    return true;
}

bool OrderTable::last()
{
    if (!checkActive() || !settle() || !canShow(int(d->view.size()) - 1))
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
    if (!canShow(m_current + 1))
        return false;
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
    if (!canShow(m_current - 1))
        return false;
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
    if (target < 0 || !canShow(target))
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

bool OrderTable::lineExists(qint32 key, bool* exists, QString* error)
{
    *exists = false;
    return engine()->query(QStringLiteral("SELECT 1 FROM Table1 WHERE key = ?"), {key},
                           [exists](const EngineRow&) { *exists = true; return false; }, error);
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
    if (!canShow(row))
        return false;
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
    QString error;
    if (!engine()->nextKey(out, &error)) {
        report(error);
        return false;
    }
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
    d->insertInDoubt = false;
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
    Engine* db = engine();
    bool inserting = m_state == TableState::Insert;
    const qint32 target = inserting ? d->pendingKey : currentKey();
    if (inserting && d->insertInDoubt) {
        // The last try may have been stored before the connection broke: the
        // reserved key is this line's alone, so a line under it is that try,
        // and storing again changes it instead of adding a second one.
        bool stored = false;
        if (!lineExists(target, &stored, error))
            return false;
        inserting = !stored;
    }
    QStringList names;
    EngineParameters values;
    if (inserting) {
        names << OrderColumns::name(OrderColumns::Key);
        values << target;
    }
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column) {
        if (m_state == TableState::Insert || d->changed[column]) {
            names << OrderColumns::name(column);
            values << d->buffer[column];
        }
    }
    *key = target;
    if (values.isEmpty()) // an edit that set nothing writes nothing
        return true;
    QString sql;
    const bool checkVersion = m_state == TableState::Edit;
    if (inserting) {
        sql = QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)")
                  .arg(names.join(u", "), QStringList(names.size(), QStringLiteral("?")).join(u", "));
    } else {
        sql = QStringLiteral("UPDATE Table1 SET %1 = ? WHERE key = ?").arg(names.join(QStringLiteral(" = ?, ")));
        values << target;
        if (checkVersion) {
            sql += QStringLiteral(" AND %1 = ?").arg(db->versionExpression());
            values << QString::fromUtf8(d->editVersion);
        }
    }
    // One statement outside a transaction: one transaction, durable when it returns.
    qint64 changed = 0;
    if (!db->execute(sql, values, &changed, error)) {
        if (m_state == TableState::Insert && db->connectionLost())
            d->insertInDoubt = true;
        return false;
    }
    if (changed > 0)
        return true;
    if (checkVersion && storedAsPending(target))
        return true; // an earlier try whose answer the broken connection lost
    // What is cached is the old version: Cancel must show the new one.
    d->rows.drop(target);
    *error = ChangedOnStore;
    return false;
}

bool OrderTable::storedAsPending(qint32 key)
{
    d->rows.drop(key);
    const RowValues& stored = d->rows.row(key);
    if (!stored[OrderColumns::Key].isValid())
        return false;
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column)
        if (d->changed[column] && !(stored[column] == d->buffer[column]))
            return false;
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
    Engine* db = engine();
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
    Engine* db = engine();
    QString error;
    qint64 erased = 0;
    bool remains = false;
    if (!db->execute(QStringLiteral("DELETE FROM Table1 WHERE key = ? AND %1 = ?").arg(db->versionExpression()),
                     {key, QString::fromUtf8(version)}, &erased, &error) ||
        (erased == 0 && !lineExists(key, &remains, &error))) {
        report(error);
        return false;
    }
    if (remains) {
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

bool OrderTable::isNull(OrderColumns::Index column) const
{
    return !value(column).isValid();
}

bool OrderTable::isNull(const QString& name) const
{
    return !value(name).isValid();
}

qint32 OrderTable::asInteger(OrderColumns::Index column) const
{
    return FieldCodec::toInteger(value(column));
}

qint32 OrderTable::asInteger(const QString& name) const
{
    return FieldCodec::toInteger(value(name));
}

Currency OrderTable::asCurrency(OrderColumns::Index column) const
{
    return FieldCodec::toCurrency(value(column));
}

Currency OrderTable::asCurrency(const QString& name) const
{
    return FieldCodec::toCurrency(value(name));
}

double OrderTable::asFloat(OrderColumns::Index column) const
{
    return FieldCodec::toFloat(value(column));
}

double OrderTable::asFloat(const QString& name) const
{
    return FieldCodec::toFloat(value(name));
}

QString OrderTable::asString(OrderColumns::Index column) const
{
    return FieldCodec::text(value(column));
}

QString OrderTable::asString(const QString& name) const
{
    return FieldCodec::text(value(name));
}

QDate OrderTable::asDate(const QString& name) const
{
    return FieldCodec::toDate(value(name));
}

QVariant OrderTable::storedValue(OrderColumns::Index column) const
{
    const qint32 key = isActive() ? currentKey() : 0;
    if (key == 0)
        return {};
    return d->rows.row(key)[column];
}

QVariant OrderTable::storedValue(const QString& name) const
{
    const int column = columnIndex(name);
    return column < 0 ? QVariant() : storedValue(OrderColumns::Index(column));
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
        return scanLinesInKeyOrder(names, columns, d->view, d->sortDescending, visit);
    // Any other order: one pass in key order into memory (a report holds at
    // most 65,530 lines), then the lines in the view's order. A look-up per
    // line would cost a round trip each on a server.
    std::vector<qint32> keys = d->view;
    std::sort(keys.begin(), keys.end());
    std::vector<QVector<QVariant>> lines(keys.size());
    const bool read = scanLinesInKeyOrder(names, columns, keys, false, [&](int i, const QVariant* values) {
        lines[size_t(i)] = QVector<QVariant>(values, values + columns.size());
    });
    if (!read)
        return false;
    for (size_t row = 0; row < d->view.size(); ++row) {
        const auto at = std::lower_bound(keys.begin(), keys.end(), d->view[row]) - keys.begin();
        visit(int(row), lines[size_t(at)].constData());
    }
    return true;
}

bool OrderTable::scanLinesInKeyOrder(const QStringList& names, const QVector<int>& columns,
                                     const std::vector<qint32>& keys, bool descending,
                                     const std::function<void(int row, const QVariant* values)>& visit)
{
    // The lines are read in one pass instead of a look-up per line. The keys
    // decide what is visited: a line stored by another program since the
    // view was read is passed over, one it deleted is visited with no values.
    const QString sql = QStringLiteral("SELECT key, %1 FROM Table1").arg(names.join(u", ")) + viewCondition() +
                        QStringLiteral(" ORDER BY key") + (descending ? QStringLiteral(" DESC") : QString());
    const auto comesBefore = [descending](qint32 a, qint32 b) { return descending ? a > b : a < b; };
    QVector<QVariant> values(columns.size());
    QVector<QVariant> missing(columns.size());
    // Suppliers, articles and the like repeat from line to line: each text is
    // decoded once and handed out as one shared copy.
    constexpr int MaxInterned = 20000;
    std::vector<QHash<QByteArray, QString>> interned(size_t(columns.size()));
    const auto readValue = [&](const EngineRow& line, int i) -> QVariant {
        const ColumnType type = OrderColumns::at(columns[i]).type;
        if (type != ColumnType::Text || line.isNull(i + 1))
            return FieldCodec::read(line, i + 1, type);
        const std::string_view bytes = line.text(i + 1);
        QHash<QByteArray, QString>& texts = interned[size_t(i)];
        const QByteArray raw = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
        if (const auto it = texts.constFind(raw); it != texts.constEnd())
            return *it;
        const QString text = QString::fromUtf8(raw);
        if (texts.size() < MaxInterned)
            texts.insert(QByteArray(bytes.data(), qsizetype(bytes.size())), text);
        return text;
    };
    size_t row = 0;
    QString error;
    const bool read = engine()->query(sql, {}, [&](const EngineRow& line) {
        const qint32 key = qint32(line.integer(0));
        for (; row < keys.size() && comesBefore(keys[row], key); ++row)
            visit(int(row), missing.constData());
        if (row == keys.size() || keys[row] != key)
            return true;
        for (int i = 0; i < columns.size(); ++i)
            values[i] = readValue(line, i);
        visit(int(row++), values.constData());
        return true;
    }, &error);
    if (!read) {
        report(error);
        return false;
    }
    for (; row < keys.size(); ++row)
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
    Engine* db = engine();
    QString error = Engine::notOpenMessage();
    if (!db || !db->execute(sql, {}, nullptr, &error)) {
        report(error);
        return false;
    }
    // A command that may have changed lines makes the cached copies stale.
    if (!sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)) {
        d->rows.clear();
        d->caches.clear();
    }
    return true;
}
