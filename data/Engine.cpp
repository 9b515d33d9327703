#include "data/Engine.h"

#include <thread>

qint64 Engine::number(const QString& sql) {
    qint64 value = -1;
    QString error;
    query(
        sql, {},
        [&](const EngineRow& row) {
            value = row.isNull(0) ? -1 : row.integer(0);
            return false;
        },
        &error);
    return value;
}

bool Engine::changedByOthers() {
    const bool changed = pollOthers();
    m_othersSinceView = m_othersSinceView || changed;
    return changed;
}

void Engine::viewReadFromHere() {
    // What arrived before the read is in it; only what comes after counts.
    pollOthers();
    m_othersSinceView = !watchesOthers();
}

bool Engine::othersChangedSinceView() {
    changedByOthers();
    return m_othersSinceView || !watchesOthers();
}

bool Engine::executeAll(const QStringList& statements, QString* error) {
    if (!beginWrite(error))
        return false;
    for (const QString& statement : statements) {
        if (!execute(statement, {}, nullptr, error)) {
            rollback();
            return false;
        }
    }
    if (commit(error))
        return true;
    rollback();
    return false;
}

namespace {

Engine::StatementObserver& statementObserver() {
    static Engine::StatementObserver observer;
    return observer;
}

// The thread that set the observer: only its statements are seen, not those
// of a worker of its own (the daily backup's) that happens to run meanwhile.
std::thread::id& observingThread() {
    static std::thread::id thread;
    return thread;
}

} // namespace

void Engine::setStatementObserver(StatementObserver observer) {
    statementObserver() = std::move(observer);
    observingThread() = std::this_thread::get_id();
}

void Engine::observe(const QString& sql, const EngineParameters& parameters) {
    if (statementObserver() && std::this_thread::get_id() == observingThread())
        statementObserver()(sql, parameters);
}

bool Engine::reserveKeys(int count, QVector<qint32>* keys, QString* error) {
    keys->clear();
    for (int i = 0; i < count; ++i) {
        qint32 key = 0;
        if (!nextKey(&key, error))
            return false;
        *keys << key;
    }
    return true;
}
