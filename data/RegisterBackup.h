#pragma once
// The daily copy of the register: at the first start of a day db1.mdb is
// copied into backups/db1-YYYY-MM-DD.mdb in the application directory with
// the engine's online backup, on a connection and a thread of its own, so
// start-up does not wait and the user can store lines meanwhile (WAL lets
// the copy read a fixed snapshot while the window writes). The copy is
// checked (PRAGMA quick_check) before it gets its name, and only then are
// the oldest copies beyond the newest 14 removed.
//
// To restore one: close the program and copy the backup over db1.mdb.

#include <QDate>
#include <QDir>
#include <QObject>
#include <QString>
#include <functional>
#include <thread>

class RegisterBackup : public QObject {
    Q_OBJECT
  public:
    static constexpr int Kept = 14;

    struct Result {
        bool ok = false;
        bool damaged = false; // db1.mdb fails the engine's check
        QString message;      // for the user: why it failed
        QString path;         // the copy made
    };

    // Called on the copying thread after each step of the copy, with the
    // pages copied so far and the register's page count.
    using Progress = std::function<void(int copied, int total)>;

    explicit RegisterBackup(QObject* parent = nullptr) : QObject(parent) {}
    // Waits for a copy still being made.
    ~RegisterBackup() override;

    static QString folder(const QString& appDir);
    static QString pathFor(const QString& appDir, QDate day);
    // Which copy to restore when db1.mdb cannot be opened: the newest one
    // that passes the engine's check, or that none does; empty when there
    // are no copies.
    static QString startAdvice(const QString& appDir);
    // "<lead> is <path> (to restore it, ...)": how to put a copy back.
    static QString restoreAdvice(const QString& lead, const QString& path);

    // The backups in folder named prefix + YYYY-MM-DD + suffix, files or
    // folders as kind says, in date order, oldest first (the names sort as
    // their dates).
    static QStringList datedNames(const QString& folder, const QString& prefix, const QString& suffix,
                                  QDir::Filters kind);
    // Removes the oldest of them beyond the newest Kept.
    static void keepNewest(const QString& folder, const QString& prefix, const QString& suffix,
                           QDir::Filters kind);
    // The engine's full check of a closed register file; finding gets its
    // first problem, or why it could not run.
    static bool passesCheck(const QString& path, QString* finding);

    // Copies, checks and rotates on the calling thread.
    static Result run(const QString& appDir, QDate day, const Progress& progress = {});
    // Copies db1.mdb of appDir to target in the backups folder the same way,
    // checked before it gets its name; a failure's message starts with lead.
    static Result copyChecked(const QString& appDir, const QString& target, const QString& lead,
                              const Progress& progress = {});

    // When the day has no copy yet, makes it on a worker thread, delayMs
    // after the call (so that it does not compete with the window's first
    // paint), at a lower scheduling priority; finished() arrives on this
    // object's thread. Returns whether a copy is due and was scheduled.
    bool startIfDue(const QString& appDir, QDate day, int delayMs = 0);

  signals:
    // message: the whole text for the user when the backup failed.
    void finished(bool ok, const QString& message);

  private:
    void start(const QString& appDir, QDate day);
    std::thread m_worker;
    bool m_scheduled = false;
};
