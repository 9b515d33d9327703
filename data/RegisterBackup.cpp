#include "data/RegisterBackup.h"

#include "data/Database.h"
#include "data/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <sqlite3.h>

namespace {

const QString Prefix = QStringLiteral("db1-");
const QString Suffix = QStringLiteral(".mdb");

// Backups in date order, oldest first (the names sort as their dates).
QStringList backupNames(const QString& folder)
{
    QStringList names;
    const QStringList entries = QDir(folder).entryList({Prefix + "*" + Suffix}, QDir::Files, QDir::Name);
    for (const QString& name : entries)
        if (name.size() == Prefix.size() + 10 + Suffix.size() &&
            QDate::fromString(name.mid(Prefix.size(), 10), Qt::ISODate).isValid())
            names << name;
    return names;
}

QString engineError(sqlite3* db, const char* fallback)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : fallback);
}

// Copies source into target page by page and checks the copy; both through
// connections of this thread only.
bool copyAndCheck(const QString& source, const QString& target, QString* error)
{
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) ==
              SQLITE_OK;
    if (!ok)
        *error = engineError(from, "cannot open the register");
    if (ok) {
        sqlite3_busy_timeout(from, 5000);
        ok = sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr) == SQLITE_OK;
        if (!ok)
            *error = engineError(to, "cannot create the backup");
    }
    // The copy is a new side file, renamed only once checked and synced, so
    // it needs neither a journal nor a sync per step.
    if (ok)
        ok = sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) ==
             SQLITE_OK;
    if (ok) {
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        int rc = backup ? sqlite3_backup_step(backup, -1) : SQLITE_ERROR;
        if (backup)
            sqlite3_backup_finish(backup);
        ok = rc == SQLITE_DONE;
        if (!ok)
            *error = engineError(to, "the backup failed");
    }
    if (ok) {
        sqlite3_stmt* check = nullptr;
        // Mapped, the check reads the fresh copy without a copy per page.
        sqlite3_exec(to, "PRAGMA mmap_size=4294967296", nullptr, nullptr, nullptr);
        ok = sqlite3_prepare_v2(to, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
             sqlite3_step(check) == SQLITE_ROW &&
             qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") == 0;
        sqlite3_finalize(check);
        if (!ok)
            *error = QStringLiteral("the copy does not pass the engine's check");
    }
    sqlite3_close(from);
    if (sqlite3_close(to) != SQLITE_OK && ok) {
        *error = engineError(to, "the backup cannot be closed");
        ok = false;
    }
    return ok;
}

} // namespace

RegisterBackup::~RegisterBackup()
{
    if (m_worker.joinable())
        m_worker.join();
}

QString RegisterBackup::folder(const QString& appDir)
{
    return QDir(appDir).filePath(QStringLiteral("backups"));
}

QString RegisterBackup::pathFor(const QString& appDir, QDate day)
{
    return QDir(folder(appDir)).filePath(Prefix + day.toString(Qt::ISODate) + Suffix);
}

QString RegisterBackup::newest(const QString& appDir)
{
    const QStringList names = backupNames(folder(appDir));
    return names.isEmpty() ? QString() : QDir(folder(appDir)).filePath(names.last());
}

RegisterBackup::Result RegisterBackup::run(const QString& appDir, QDate day)
{
    Result result;
    const QString target = pathFor(appDir, day);
    // Named only once checked: a half copy never passes for a backup.
    const QString partial = target + QStringLiteral(".part");
    if (!QDir().mkpath(folder(appDir))) {
        result.message = QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(folder(appDir)));
        return result;
    }
    QFile::remove(partial);
    if (!copyAndCheck(QDir(appDir).filePath(QLatin1String(Database::FileName)), partial, &result.message)) {
        QFile::remove(partial);
        return result;
    }
    QFile::remove(target);
    if (!syncFileToDisk(partial) || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        result.message = QStringLiteral("the backup cannot be named %1").arg(QDir::toNativeSeparators(target));
        return result;
    }
    const QStringList names = backupNames(folder(appDir));
    for (int i = 0; i + Kept < names.size(); ++i)
        QFile::remove(QDir(folder(appDir)).filePath(names[i]));
    result.ok = true;
    result.path = target;
    return result;
}

bool RegisterBackup::startIfDue(const QString& appDir, QDate day, int delayMs)
{
    if (m_scheduled || QFileInfo::exists(pathFor(appDir, day)))
        return false;
    m_scheduled = true;
    QTimer::singleShot(delayMs, this, [this, appDir, day] { start(appDir, day); });
    return true;
}

void RegisterBackup::start(const QString& appDir, QDate day)
{
    m_worker = std::thread([this, appDir, day] {
        // The user's work comes first (Linux sets a nice value per thread).
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
        const Result result = run(appDir, day);
        // Queued to this object's thread; the destructor joins this thread
        // first, so the object outlives the call being posted.
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result.ok, result.message); }, Qt::QueuedConnection);
    });
}
