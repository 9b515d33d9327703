#include "data/OrderTablePrivate.h"

// --- editing ---------------------------------------------------------------------------

qint32 OrderTable::pendingKey() const {
    return m_state == TableState::Insert ? d->pendingKey : 0;
}

bool OrderTable::reserveKey(qint32* out) {
    if (!checkActive())
        return false;
    QString error;
    if (!engine()->nextKey(out, &error)) {
        report(error);
        return false;
    }
    return true;
}

bool OrderTable::keepKeys() {
    if (!checkActive())
        return false;
    QString error;
    if (!engine()->keepKeys(&error)) {
        report(error);
        return false;
    }
    return true;
}

bool OrderTable::append() {
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
    // The grid gets its row before it hears of the state, so that it marks
    // the new row at once instead of first unmarking the row it cannot find.
    notifyNewLine(true);
    emit stateChanged(m_state);
    notifyData(-1);
    notifyCurrent();
    return true;
}

bool OrderTable::edit() {
    if (!checkActive())
        return false;
    if (isEditing())
        return true;
    if (d->view.empty())
        return append();
    d->buffer = d->rows.row(currentKey());
    d->editVersion = d->rows.version(currentKey());
    d->editShare = Private::shareOf(d->buffer);
    d->changed = QVector<bool>(OrderColumns::Count, false);
    m_modified = false;
    m_state = TableState::Edit;
    emit stateChanged(m_state);
    notifyData(-1);
    return true;
}

bool OrderTable::post() {
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

bool OrderTable::writePending(qint32* key, QString* error) {
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
    d->storedPassesFilter = -1;
    if (inserting != (m_state == TableState::Insert))
        d->viewExact = false; // an earlier try may have been stored: its share is not known
    // What the cache holds is read anew, or replaced by the write's answer.
    d->rows.drop(target);
    if (values.isEmpty()) { // an edit that set nothing writes nothing
        d->storedShare = d->editShare;
        d->storedPassesFilter = d->leftFilter.count(target) ? 0 : 1;
        return true;
    }
    QString sql;
    const bool checkVersion = m_state == TableState::Edit;
    if (inserting) {
        sql = QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)")
                  .arg(names.join(u", "), QStringList(names.size(), QStringLiteral("?")).join(u", "));
    } else {
        sql = QStringLiteral("UPDATE Table1 SET %1 = ? WHERE key = ?")
                  .arg(names.join(QStringLiteral(" = ?, ")));
        values << target;
        if (checkVersion) {
            sql += QStringLiteral(" AND %1 = ?").arg(db->versionExpression());
            values << QString::fromUtf8(d->editVersion);
        }
    }
    // One statement outside a transaction: one transaction, durable when it
    // returns. It answers with the line as stored, which the cache keeps in
    // place of the version it held.
    sql += d->rows.returning();
    // Whether the line as stored passes the filter, so that the view can
    // follow the store without being read again.
    const QString filterQuestion =
        filterCondition().isEmpty() ? QString()
                                    : QStringLiteral(", CASE WHEN (%1) THEN 1 ELSE 0 END").arg(m_filterText);
    sql += filterQuestion;
    const int questionColumn = RowCache::ReturnedColumns + (filterQuestion.isEmpty() ? 0 : 1);
    const StoreQuestion question = d->storeQuestion ? d->storeQuestion() : StoreQuestion();
    if (!question.expression.isEmpty()) {
        sql += QStringLiteral(", ") + question.expression;
        values << question.parameters;
    }
    qint64 changed = 0;
    const EngineVisitor keep = [&](const EngineRow& row) {
        d->rows.keep(row);
        d->storedPassesFilter =
            filterQuestion.isEmpty() ? 1 : int(row.integer(RowCache::ReturnedColumns) != 0);
        if (!question.expression.isEmpty())
            question.answered(row, questionColumn);
        ++changed;
        return true;
    };
    const bool written =
        inserting ? db->insertTakingNextKey(sql, values, keep, error) : db->query(sql, values, keep, error);
    if (!written) {
        if (m_state == TableState::Insert && db->connectionLost())
            d->insertInDoubt = true;
        else if (inserting && replaceTakenKey(target))
            return writePending(key, error);
        return false;
    }
    if (changed > 0) {
        d->storedShare = Private::shareOf(d->rows.row(target));
        return true;
    }
    d->storedPassesFilter = -1;
    if (checkVersion && storedAsPending(target))
        return true; // an earlier try whose answer the broken connection lost
    // What is cached is the old version: Cancel must show the new one.
    d->rows.drop(target);
    *error = ChangedOnStore;
    return false;
}

// No program hands out a reserved key twice, but a register moved in from the
// file brings its lines with their own keys and moves the key sequence past
// them: a line pending meanwhile finds its key taken at every try. It takes a
// new one, and the photo number that came with the old key moves with it.
bool OrderTable::replaceTakenKey(qint32 taken) {
    bool exists = false;
    QString ignored; // the store's own failure is the one reported
    if (!lineExists(taken, &exists, &ignored) || !exists)
        return false;
    // A key held back from before may be taken as well; the sequence is past them.
    for (int tries = 0; tries < 2; ++tries) {
        qint32 fresh = 0;
        if (!engine()->nextKey(&fresh, &ignored) || !lineExists(fresh, &exists, &ignored))
            return false;
        if (exists)
            continue;
        d->pendingKey = fresh;
        QVariant& photo = d->buffer[OrderColumns::Photo];
        if (!photo.isNull() && photo.toLongLong() == taken)
            photo = fresh;
        return true;
    }
    return false;
}

bool OrderTable::storedAsPending(qint32 key) {
    d->rows.drop(key);
    const RowValues& stored = d->rows.row(key);
    if (!stored[OrderColumns::Key].isValid())
        return false;
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column)
        if (d->changed[column] && !(stored[column] == d->buffer[column]))
            return false;
    return true;
}

void OrderTable::finishPost(qint32 key) {
    const bool inserted = m_state == TableState::Insert;
    d->followStore(key, inserted, m_filtered);
    d->storeInCaches(key, inserted);
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
    noticeVanishedAfterPending();
}

void OrderTable::cancel() {
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
    // The edited line may be gone: another program deleted it, which is why
    // its store was refused. The view and its sums must not keep it.
    const qint32 key = wasInsert ? 0 : currentKey();
    QString error;
    if (key != 0 && d->rows.load(key, &error) && !d->rows.contains(key))
        noticeVanished();
    noticeVanishedAfterPending();
}

bool OrderTable::remove() {
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
    const ViewSums share = m_state == TableState::Edit ? d->editShare : Private::shareOf(d->rows.row(key));
    Engine* db = engine();
    QString error;
    qint64 erased = 0;
    bool remains = false;
    if (!db->execute(
            QStringLiteral("DELETE FROM Table1 WHERE key = ? AND %1 = ?").arg(db->versionExpression()),
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
    if (erased > 0)
        d->followDelete(key, share);
    else
        d->viewExact = false;
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
