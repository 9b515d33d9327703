#include "data/OrderTablePrivate.h"

// --- reading the view ------------------------------------------------------------------

bool OrderTable::selectView(QString* error, ViewSums* sums) {
    // With the sums, the lines come in the order of the index that holds
    // the summed columns, and their keys are put in order here: the server
    // would otherwise sort the wider lines, which takes it longer than
    // sending them and sorting the keys alone.
    const QString sql = sums ? QStringLiteral("SELECT key, %1, %2 FROM Table1%3")
                                   .arg(OrderColumns::name(OrderColumns::Polucbr),
                                        OrderColumns::name(OrderColumns::Obsto), filterCondition())
                             : QStringLiteral("SELECT key FROM Table1%1 ORDER BY key").arg(filterCondition());
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    // Read into the spare vectors, which then change places with the view's:
    // the memory of a million keys is kept for the next view instead of
    // being given back to the system and asked for again at every change.
    std::vector<qint32>& keys = d->spareBase;
    keys.clear();
    qint64 pieces = 0;
    qint64 money = 0;
    bool overflow = false;
    const EngineVisitor take = [&](const EngineRow& row) {
        keys.push_back(qint32(row.integer(0)));
        // What SUM does: an empty value adds nothing, a total beyond 64 bits is an error.
        if (sums)
            overflow = (!row.isNull(1) && __builtin_add_overflow(pieces, row.integer(1), &pieces)) ||
                       (!row.isNull(2) && __builtin_add_overflow(money, row.integer(2), &money));
        return !overflow;
    };
    if (!db->query(sql, {}, take, error))
        return false;
    if (overflow) {
        *error = QStringLiteral("The sums of the lines shown are too large to count.");
        return false;
    }
    if (sums)
        std::sort(keys.begin(), keys.end());
    std::vector<qint32>& ordered = d->spareView;
    if (!d->orderKeys(keys, d->sortColumn, d->sortDescending, db, &ordered, error))
        return false;
    d->base.swap(keys);
    d->view.swap(ordered);
    d->stored.clear();
    d->vanishNoticed = false;
    if (sums) {
        sums->count = qint64(d->base.size());
        sums->pieces = pieces;
        sums->money = Currency::fromUnits(money);
    }
    return true;
}

bool OrderTable::readView(ViewSums* sums, QString* error, const std::function<bool(QString*)>& alsoRead) {
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    // A filtered view's keys come from an index that holds the two summed
    // columns too: where every statement is a round trip, adding them up
    // while the keys arrive spares the sums' statement and the transaction
    // around the two, and one statement sees the register at one moment.
    // An unfiltered view reads its keys from the key's own index, and its
    // sums are asked for apart.
    const bool sumsWithKeys = sums && db->sumsWhileReadingKeys() && !filterCondition().isEmpty();
    d->viewExact = false;
    db->viewReadFromHere();
    if (!alsoRead && (!sums || sumsWithKeys)) {
        if (!selectView(error, sums))
            return false;
        viewReadWith(sums);
        return true;
    }
    // Without a transaction each SELECT sees the file as it is at that moment,
    // and a line another program stores in between would be summed but not
    // shown, or shown but not summed.
    if (!db->beginRead(error))
        return false;
    const bool read = selectView(error) && (!sums || readSums(sums, error)) &&
                      (!alsoRead || alsoRead(error)) && db->commit(error);
    if (!read) {
        db->rollback();
        return false;
    }
    viewReadWith(sums);
    return true;
}

void OrderTable::viewReadWith(const ViewSums* sums) {
    d->viewExact = sums != nullptr;
    d->leftFilter.clear();
    if (sums)
        d->viewSums = *sums;
    emit viewRead();
}

bool OrderTable::keepViewAfterOwnStores(bool filtered, const QString& filterText, ViewSums* sums) {
    Engine* db = engine();
    if (!sums || !d->viewExact || !db || filtered != m_filtered || filterText != m_filterText ||
        db->othersChangedSinceView())
        return false;
    d->dropLinesLeftFilter();
    if (!d->viewExact)
        return false;
    *sums = d->viewSums;
    emit viewRead();
    return true;
}

QString OrderTable::filterCondition() const {
    if (!m_filtered || m_filterText.trimmed().isEmpty())
        return QString();
    return QStringLiteral(" WHERE (%1)").arg(m_filterText);
}

QString OrderTable::viewCondition() const {
    const QString predicate = viewPredicate();
    return predicate.isEmpty() ? predicate : QStringLiteral(" WHERE ") + predicate;
}

QString OrderTable::viewPredicate() const {
    if (filterCondition().isEmpty())
        return QString();
    QString predicate = QStringLiteral("(%1)").arg(m_filterText);
    if (!d->stored.empty()) {
        QStringList keys;
        for (qint32 key : d->stored)
            keys << QString::number(key);
        predicate += QStringLiteral(" OR key IN (%1)").arg(keys.join(u','));
    }
    return predicate;
}

bool OrderTable::readSums(ViewSums* out, QString* error) {
    const QString sql = OrderColumns::sumsQuery() + viewCondition();
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return db->query(
        sql, {},
        [out](const EngineRow& row) {
            out->count = row.integer(0);
            out->pieces = row.integer(1);
            out->money = Currency::fromUnits(row.integer(2));
            return false;
        },
        error);
}

// --- view definition -------------------------------------------------------------------

bool OrderTable::parseSort(const QString& sortText, int* column, bool* descending) {
    const QStringList parts = sortText.split(u' ', Qt::SkipEmptyParts);
    *column = OrderColumns::Key;
    *descending = false;
    if (parts.isEmpty())
        return true;
    if (parts.size() > 2 ||
        (parts.size() == 2 && parts[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) != 0 &&
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

bool OrderTable::setSort(const QString& sortText) {
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

bool OrderTable::setFilterText(const QString& where) {
    if (!isActive() || !m_filtered) {
        m_filterText = where;
        return true;
    }
    return reselect(true, where, nullptr);
}

bool OrderTable::setFiltered(bool on) {
    if (on == m_filtered)
        return true;
    if (!isActive()) {
        m_filtered = on;
        return true;
    }
    return reselect(on, m_filterText, nullptr);
}

bool OrderTable::setFilter(const QString& where, bool on, ViewSums* sums) {
    if (!isActive()) {
        m_filterText = where;
        m_filtered = on;
        return true;
    }
    return reselect(on, where, sums);
}

bool OrderTable::refresh(ViewSums* sums) {
    return reread(sums, {});
}

bool OrderTable::refreshLines(ViewSums* sums, int maxLines, const QVector<int>& columns,
                              const std::function<void(int row, const QVariant* values)>& visit) {
    return reread(sums, [&](QString* error) {
        return d->view.size() > size_t(maxLines) || readLinesOf(columns, visit, error);
    });
}

bool OrderTable::reread(ViewSums* sums, const std::function<bool(QString*)>& alsoRead) {
    if (!checkActive() || !settle())
        return false;
    const qint32 key = currentKey();
    // Other programs may have changed any line: nothing read before counts.
    d->rows.clear();
    d->caches.clear();
    QString error;
    if (!readView(sums, &error, alsoRead)) {
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

bool OrderTable::reselect(bool filtered, const QString& filterText, ViewSums* sums) {
    if (!settle())
        return false;
    const bool oldFiltered = m_filtered;
    const QString oldText = m_filterText;
    // The same filter again after this program's own stores: the view they
    // left is what a new reading would give, less the lines that left the
    // filter.
    const size_t linesBefore = d->view.size();
    const bool kept = keepViewAfterOwnStores(filtered, filterText, sums);
    m_filtered = filtered;
    m_filterText = filterText;
    if (kept && d->view.size() == linesBefore && controlsDisabled()) {
        // The same lines, read by nobody: within a suspended step (the store
        // that re-runs the filter rule) only the move to the first line is
        // held back, and forgotten when the step ends where it began.
        m_bof = true;
        m_eof = d->view.empty();
        moveCurrent(d->view.empty() ? -1 : 0);
        return true;
    }
    QString error;
    if (!kept)
        d->rows.clear();
    if (!kept && !readView(sums, &error)) {
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
