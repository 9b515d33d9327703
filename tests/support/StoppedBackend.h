#pragma once
// Stalls a server register's session where a give-up is hardest to honour:
// the session's backend is stopped (SIGSTOP) as the statement named by its
// opening words is sent, the clerk gives up, and the backend resumes
// (SIGCONT) once the server has passed it the cancel (SIGINT pending), within
// the time the cancel has. A backend waiting for its next statement ignores
// that cancel, so the statement then runs to its end: only what the program
// does with its answer decides whether anything is kept.
//
// It is the wait of the engine for the step (around the window's own), and
// resumes the backend in any case when it ends.

#include "data/Engine.h"
#include "data/ServerWait.h"

#include <QFile>
#include <QThread>
#include <signal.h>
#include <sys/types.h>

class StoppedBackend : public ServerWait {
  public:
    StoppedBackend(Engine& engine, ServerWait& window, QStringList statements)
        : m_window(window), m_statements(std::move(statements)) {
        m_pid = pid_t(engine.number(QStringLiteral("SELECT pg_backend_pid()")));
        Engine::setStatementObserver([this](const QString& sql, const EngineParameters&) {
            for (const QString& opening : m_statements)
                if (!m_stopped && m_pid > 0 && sql.startsWith(opening)) {
                    kill(m_pid, SIGSTOP);
                    m_stopped = true;
                }
        });
    }
    ~StoppedBackend() override {
        Engine::setStatementObserver(nullptr);
        if (m_pid > 0)
            kill(m_pid, SIGCONT);
    }
    StoppedBackend(const StoppedBackend&) = delete;
    StoppedBackend& operator=(const StoppedBackend&) = delete;

    bool keepWaiting(qint64 elapsedMs) override {
        // Asked again after the give-up: the engine waits out the cancel.
        if (m_gaveUp && m_stopped && !m_resumed)
            resume();
        const bool keep = m_window.keepWaiting(elapsedMs);
        m_gaveUp = m_gaveUp || !keep;
        return keep;
    }
    void finished() override { m_window.finished(); }

    bool stopped() const { return m_stopped; }
    bool resumed() const { return m_resumed; }

  private:
    void resume() {
        // A hang guard, not a measure: the cancel is passed on in moments.
        for (int i = 0; i < 20000 && !cancelPending(); ++i)
            QThread::msleep(1);
        kill(m_pid, SIGCONT);
        m_resumed = true;
    }
    bool cancelPending() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_pid));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("ShdPnd:") || line.startsWith("SigPnd:")) {
                bool ok = false;
                const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
                if (ok && (mask & (1ULL << (SIGINT - 1))))
                    return true;
            }
        }
        return false;
    }

    ServerWait& m_window;
    QStringList m_statements;
    pid_t m_pid = 0;
    bool m_stopped = false;
    bool m_gaveUp = false;
    bool m_resumed = false;
};
