#include "data/OrderTablePrivate.h"

#include <QRegularExpression>

OrderTable::OrderTable(Database& database, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()), m_db(database) {
    d->clearBuffer();
    d->rows.setOnMissing([this] { noticeVanished(); });
}

OrderTable::~OrderTable() = default;

// --- sinks and hooks ---------------------------------------------------------

void OrderTable::setErrorSink(std::function<void(const QString&)> sink) {
    d->sink = std::move(sink);
}

void OrderTable::setBeforePost(std::function<bool()> hook) {
    d->beforePost = std::move(hook);
}

void OrderTable::setBeforeDelete(std::function<bool()> hook) {
    d->beforeDelete = std::move(hook);
}

void OrderTable::setStoreQuestion(std::function<StoreQuestion()> ask) {
    d->storeQuestion = std::move(ask);
}

void OrderTable::addDataLink(DataLink* link) {
    if (!d->links.contains(link))
        d->links.append(link);
}

void OrderTable::removeDataLink(DataLink* link) {
    d->links.removeAll(link);
}

namespace {

// The engine's messages promise that the user's entries are kept; with no
// line pending there are none, and the promise would mislead.
QString withoutKeptEntries(const QString& message) {
    static const QRegularExpression kept(QStringLiteral(" ?Your entries are kept(\\.|[;:] (\\w))"));
    QString text = message;
    for (QRegularExpressionMatch match = kept.match(text); match.hasMatch(); match = kept.match(text)) {
        const QString next = match.captured(2).toUpper();
        text.replace(match.capturedStart(), match.capturedLength(), next.isEmpty() ? QString() : u' ' + next);
    }
    return text;
}

} // namespace

void OrderTable::report(const QString& message) const {
    const QString text = isEditing() ? message : withoutKeptEntries(message);
    if (d->sink)
        d->sink(text);
    else
        qWarning("OrderTable: %s", qPrintable(text));
}

bool OrderTable::checkActive() {
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

void OrderTable::setReopen(std::function<bool()> reopen) {
    d->reopen = std::move(reopen);
}

bool OrderTable::canShow(int row) {
    if (row < 0 || row >= int(d->view.size()))
        return true;
    QString error;
    const qint32 key = d->view[size_t(row)];
    if (!d->rows.load(key, &error)) {
        report(error);
        return false;
    }
    if (d->rows.contains(key))
        return true;
    // Another program deleted the line since the view was read: the step
    // ends, and the view with its sums is read anew instead of a blank line.
    noticeVanished();
    return false;
}

void OrderTable::noticeVanished() {
    d->viewExact = false; // another program deleted a line
    if (isEditing()) {
        d->vanishWhilePending = true;
        return;
    }
    if (d->vanishNoticed)
        return;
    d->vanishNoticed = true;
    emit lineVanished();
}

void OrderTable::noticeVanishedAfterPending() {
    if (!d->vanishWhilePending)
        return;
    d->vanishWhilePending = false;
    noticeVanished();
}

bool OrderTable::commitLinks() {
    const QVector<DataLink*> links = d->links; // a link may unregister itself
    for (DataLink* link : links)
        if (!link->commitPendingText())
            return false;
    return true;
}

// --- notifications -------------------------------------------------------------

void OrderTable::notifyData(int column) {
    if (m_disableCount == 0)
        emit dataChanged(column);
    else
        d->held.data = true;
}

void OrderTable::notifyView() {
    if (m_disableCount == 0)
        emit viewReset();
    else
        d->held.view = true;
}

void OrderTable::notifyNewLine(bool shown) {
    if (m_disableCount > 0) {
        d->held.view = true;
        return;
    }
    if (shown)
        emit newLineShown();
    else
        emit newLineDropped();
}

void OrderTable::notifyRow(int row) {
    if (row < 0)
        return;
    if (m_disableCount == 0)
        emit rowChanged(row);
    else
        d->held.view = true;
}

void OrderTable::notifyCurrent() {
    if (m_disableCount == 0)
        emit currentRowChanged(m_current);
    else
        d->held.current = true;
}

void OrderTable::moveCurrent(int row) {
    if (row == m_current)
        return;
    m_current = row;
    if (m_disableCount > 0) {
        // Told at the end only when the suspension ends on another line.
        d->held.moved = true;
        return;
    }
    notifyData(-1);
    notifyCurrent();
}

void OrderTable::disableControls() {
    if (m_disableCount++ > 0)
        return;
    d->held = {};
    d->rowAtSuspension = m_current;
    d->keyAtSuspension = currentKey();
}

void OrderTable::enableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    // Only what changed meanwhile, and a move only when the step ends on
    // another line than it began on: a store whose view stays as it was
    // (the filter rule run again from the start-up view) shows its line
    // once, not twice.
    const Private::Held held = d->held;
    d->held = {};
    const bool moved = held.moved && (m_current != d->rowAtSuspension || currentKey() != d->keyAtSuspension);
    if (held.view)
        notifyView();
    if (held.data || moved)
        notifyData(-1);
    if (held.current || moved)
        notifyCurrent();
}

// --- open / close ------------------------------------------------------------------

bool OrderTable::isActive() const {
    return m_state != TableState::Inactive;
}

bool OrderTable::open(ViewSums* sums) {
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
    if (!d->rows.check(&error) || !readView(sums, &error)) {
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

void OrderTable::close() {
    if (!isActive())
        return;
    d->rows.setEngine(nullptr);
    d->caches.clear();
    d->base = {};
    d->view = {};
    d->spareBase = {};
    d->spareView = {};
    d->stored.clear();
    d->viewExact = false;
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

Engine* OrderTable::engine() const {
    return m_db.isOpen() ? m_db.engine() : nullptr;
}

// --- field access --------------------------------------------------------------------

int OrderTable::columnIndex(const QString& name) const {
    return OrderColumns::indexOf(name.toLower());
}

ColumnType OrderTable::columnType(const QString& name) const {
    const int column = columnIndex(name);
    return column < 0 ? ColumnType::Text : OrderColumns::at(column).type;
}

QVariant OrderTable::value(int column) const {
    if (!isActive() || column < 0 || column >= OrderColumns::Count)
        return {};
    if (isEditing())
        return d->buffer[column];
    return currentKey() == 0 ? QVariant() : currentLine()[column];
}

const QVector<QVariant>& OrderTable::currentLine() const {
    // Read with the lines after it, as the grid reads its rows: after a move
    // to another view the form's line and the grid's screen come in one
    // statement, one round trip to a server instead of two.
    const int next = std::min(int(d->view.size()) - m_current, RowCache::Batch);
    return d->rows.rowWithNext(d->view.data() + m_current, next);
}

QVariant OrderTable::value(const QString& name) const {
    const int column = columnIndex(name);
    if (column < 0) {
        report(QStringLiteral("Field '%1' not found").arg(name));
        return {};
    }
    return value(column);
}

bool OrderTable::isNull(OrderColumns::Index column) const {
    return !value(column).isValid();
}

bool OrderTable::isNull(const QString& name) const {
    return !value(name).isValid();
}

qint32 OrderTable::asInteger(OrderColumns::Index column) const {
    return FieldCodec::toInteger(value(column));
}

qint32 OrderTable::asInteger(const QString& name) const {
    return FieldCodec::toInteger(value(name));
}

Currency OrderTable::asCurrency(OrderColumns::Index column) const {
    return FieldCodec::toCurrency(value(column));
}

Currency OrderTable::asCurrency(const QString& name) const {
    return FieldCodec::toCurrency(value(name));
}

double OrderTable::asFloat(OrderColumns::Index column) const {
    return FieldCodec::toFloat(value(column));
}

double OrderTable::asFloat(const QString& name) const {
    return FieldCodec::toFloat(value(name));
}

QString OrderTable::asString(OrderColumns::Index column) const {
    return FieldCodec::text(value(column));
}

QString OrderTable::asString(const QString& name) const {
    return FieldCodec::text(value(name));
}

QDate OrderTable::asDate(const QString& name) const {
    return FieldCodec::toDate(value(name));
}

QVariant OrderTable::storedValue(OrderColumns::Index column) const {
    const qint32 key = isActive() ? currentKey() : 0;
    if (key == 0)
        return {};
    return currentLine()[column];
}

QVariant OrderTable::storedValue(const QString& name) const {
    const int column = columnIndex(name);
    return column < 0 ? QVariant() : storedValue(OrderColumns::Index(column));
}

bool OrderTable::setValue(const QString& name, const QVariant& value) {
    const int column = columnIndex(name);
    if (column < 0) {
        report(QStringLiteral("Field '%1' not found").arg(name));
        return false;
    }
    return setValue(column, value);
}

bool OrderTable::convertForPending(int column, const QVariant& value, QVariant* converted) {
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
    QString error;
    if (!FieldCodec::fromInput(value, column, converted, &error)) {
        report(error);
        return false;
    }
    return true;
}

void OrderTable::putPending(int column, const QVariant& converted) {
    d->buffer[column] = converted;
    d->changed[column] = true;
    m_modified = true;
}

bool OrderTable::setValue(int column, const QVariant& value) {
    QVariant converted;
    if (!convertForPending(column, value, &converted))
        return false;
    putPending(column, converted);
    notifyData(column);
    notifyRow(m_current);
    return true;
}

bool OrderTable::setValues(const std::vector<std::pair<int, QVariant>>& values) {
    std::vector<QVariant> converted(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        if (!convertForPending(values[i].first, values[i].second, &converted[i]))
            return false;
    for (size_t i = 0; i < values.size(); ++i)
        putPending(values[i].first, converted[i]);
    notifyData(-1);
    notifyRow(m_current);
    return true;
}

// --- reading for the grid ----------------------------------------------------------------

int OrderTable::viewRowCount() const {
    return recordCount() + (m_state == TableState::Insert ? 1 : 0);
}

QVariant OrderTable::cellValue(int row, int column) const {
    if (row < 0 || row >= viewRowCount() || column < 0 || column >= OrderColumns::Count)
        return {};
    if (isEditing() && row == m_current)
        return d->buffer[column];
    // A grid shows the following lines with this one.
    const int next = std::min(int(d->view.size()) - row, RowCache::Batch);
    return d->rows.rowWithNext(d->view.data() + row, next)[column];
}

QString OrderTable::cellText(int row, int column) const {
    return FieldCodec::displayText(cellValue(row, column), column);
}

// --- whole-view work ---------------------------------------------------------------------

bool OrderTable::readLines(const QVector<int>& columns,
                           const std::function<void(int row, const QVariant* values)>& visit) {
    if (!checkActive())
        return false;
    QString error;
    if (!readLinesOf(columns, visit, &error)) {
        report(error);
        return false;
    }
    return true;
}

bool OrderTable::readLinesOf(const QVector<int>& columns,
                             const std::function<void(int row, const QVariant* values)>& visit,
                             QString* error) {
    QStringList names;
    for (int column : columns)
        names << OrderColumns::name(column);
    if (d->sortColumn == OrderColumns::Key)
        return scanLinesInKeyOrder(names, columns, d->view, d->sortDescending, visit, error);
    // Any other order: one pass in key order into memory (a report holds at
    // most 65,530 lines), then the lines in the view's order. A look-up per
    // line would cost a round trip each on a server.
    std::vector<qint32> keys = d->view;
    std::sort(keys.begin(), keys.end());
    std::vector<QVector<QVariant>> lines(keys.size());
    const bool read = scanLinesInKeyOrder(
        names, columns, keys, false,
        [&](int i, const QVariant* values) {
            lines[size_t(i)] = QVector<QVariant>(values, values + columns.size());
        },
        error);
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
                                     const std::function<void(int row, const QVariant* values)>& visit,
                                     QString* error) {
    // The lines are read in one pass instead of a look-up per line. The keys
    // decide what is visited: a line stored by another program since the
    // view was read is passed over, one it deleted is visited with no values.
    const QString sql = QStringLiteral("SELECT key, %1 FROM Table1").arg(names.join(u", ")) +
                        viewCondition() + QStringLiteral(" ORDER BY key") +
                        (descending ? QStringLiteral(" DESC") : QString());
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
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    const bool read = db->query(
        sql, {},
        [&](const EngineRow& line) {
            const qint32 key = qint32(line.integer(0));
            for (; row < keys.size() && comesBefore(keys[row], key); ++row)
                visit(int(row), missing.constData());
            if (row == keys.size() || keys[row] != key)
                return true;
            for (int i = 0; i < columns.size(); ++i)
                values[i] = readValue(line, i);
            visit(int(row++), values.constData());
            return true;
        },
        error);
    if (!read)
        return false;
    for (; row < keys.size(); ++row)
        visit(int(row), missing.constData());
    return true;
}

bool OrderTable::sums(ViewSums* out) {
    if (!checkActive())
        return false;
    QString error;
    if (!readSums(out, &error)) {
        report(error);
        return false;
    }
    return true;
}

bool OrderTable::execute(const QString& sql) {
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
        d->viewExact = false;
    }
    return true;
}
