#include "data/OrderTablePrivate.h"

// --- navigation ------------------------------------------------------------------------

int OrderTable::recordCount() const {
    return isActive() ? int(d->view.size()) : 0;
}

qint32 OrderTable::currentKey() const {
    if (m_state == TableState::Insert || m_current < 0 || m_current >= int(d->view.size()))
        return 0;
    return d->view[size_t(m_current)];
}

bool OrderTable::commitTypedText() {
    return !isEditing() || commitLinks();
}

bool OrderTable::settle() {
    if (!isEditing())
        return true;
    if (!commitLinks())
        return false;
    if (m_modified)
        return post();
    cancel();
    return true;
}

bool OrderTable::first() {
    if (!checkActive() || !settle() || !canShow(0))
        return false;
    // Flags first: handlers of the move's notifications read them.
    m_bof = true;
    m_eof = d->view.empty();
    moveCurrent(d->view.empty() ? -1 : 0);
    return true;
}

bool OrderTable::last() {
    if (!checkActive() || !settle() || !canShow(int(d->view.size()) - 1))
        return false;
    m_bof = d->view.empty();
    m_eof = true;
    moveCurrent(int(d->view.size()) - 1);
    return true;
}

bool OrderTable::next() {
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

bool OrderTable::prior() {
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

bool OrderTable::moveTo(int row) {
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

QString OrderTable::bookmark() const {
    const qint32 key = isActive() ? currentKey() : 0;
    return key == 0 ? QString() : QString::number(key);
}

bool OrderTable::lineExists(qint32 key, bool* exists, QString* error) {
    *exists = false;
    return engine()->query(
        QStringLiteral("SELECT 1 FROM Table1 WHERE key = ?"), {key},
        [exists](const EngineRow&) {
            *exists = true;
            return false;
        },
        error);
}

bool OrderTable::hasBookmark(const QString& bookmark) const {
    bool ok = false;
    const qint32 key = bookmark.toInt(&ok);
    return ok && isActive() && d->rowOfKey(key) >= 0;
}

bool OrderTable::gotoBookmark(const QString& bookmark) {
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
