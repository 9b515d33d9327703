#include "app/ServerWaitIndicator.h"

#include "ui/Dialogs.h"

ServerWaitIndicator::ServerWaitIndicator(Dialogs& dialogs) : m_dialogs(dialogs) {}

ServerWaitIndicator::~ServerWaitIndicator() = default;

QString ServerWaitIndicator::label() {
    return QStringLiteral(
        "Waiting for the register's server (a line locked by another user, or a slow server).\n"
        "Give up ends this step; your entries are kept.");
}

bool ServerWaitIndicator::keepWaiting(qint64 elapsedMs) {
    if (elapsedMs < ShowAfterMs)
        return true;
    if (!m_report)
        m_report = m_dialogs.waiting(label());
    return m_report->update(elapsedMs);
}

void ServerWaitIndicator::finished() {
    m_report.reset();
}
