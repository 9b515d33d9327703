#include "data/RegisterBackup.h"

#include "data/Database.h"
#include "data/FileSync.h"
#include "data/SqliteEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <QUrl>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral("db1-");
const QString Suffix = QStringLiteral(".mdb");

QStringList backupNames(const QString& folder) {
    return RegisterBackup::datedNames(folder, Prefix, Suffix, QDir::Files);
}

QString engineError(sqlite3* db, const char* fallback) {
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : fallback);
}

// Pages per step of the copy: the progress is told after each.
constexpr int StepPages = 256;

// Copies source into target page by page; both through connections of this
// thread only.
bool copyPages(const QString& source, const QString& target, const RegisterBackup::Progress& progress,
               QString* error) {
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) ==
              SQLITE_OK;
    if (!ok)
        *error = engineError(from, "cannot open the register");
    if (ok) {
        SqliteEngine::waitWhenBusy(from);
        ok = sqlite3_open_v2(QFile::encodeName(target).constData(), &to,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
        if (!ok)
            *error = engineError(to, "cannot create the backup");
    }
    // The copy is a new side file, renamed only once checked and synced, so
    // it needs neither a journal nor a sync per step.
    if (ok)
        ok = sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) ==
             SQLITE_OK;
    // One read transaction over all steps: every step reads the same
    // snapshot, so lines stored meanwhile neither restart the copy nor mix
    // into it.
    if (ok && sqlite3_exec(from, "BEGIN; SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
                  SQLITE_OK) {
        *error = engineError(from, "the register cannot be read");
        ok = false;
    }
    if (ok) {
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        int rc = backup ? SQLITE_OK : SQLITE_ERROR;
        while (rc == SQLITE_OK) {
            rc = sqlite3_backup_step(backup, StepPages);
            const int total = sqlite3_backup_pagecount(backup);
            if (progress && (rc == SQLITE_OK || rc == SQLITE_DONE))
                progress(total - sqlite3_backup_remaining(backup), total);
        }
        if (backup)
            sqlite3_backup_finish(backup);
        ok = rc == SQLITE_DONE;
        if (!ok)
            *error = engineError(to, "the backup failed");
    }
    sqlite3_exec(from, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(from);
    if (sqlite3_close(to) != SQLITE_OK && ok) {
        *error = engineError(to, "the backup cannot be closed");
        ok = false;
    }
    return ok;
}

enum class CheckResult { Passed, Damaged, NotChecked };

// The engine's full check of a register file: every page, and every line
// against its index entries. finding: the first problem, or why the check
// could not run.
CheckResult checkFile(const QString& path, QString* finding) {
    sqlite3* db = nullptr;
    sqlite3_stmt* check = nullptr;
    CheckResult result = CheckResult::NotChecked;
    // Immutable: a closed copy of ours, so no lock and no -wal or -shm file
    // beside it, even where its header asks for the write-ahead log.
    const QByteArray uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded(QUrl::FullyEncoded) +
        "?immutable=1";
    int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK) {
        // Mapped, the check reads the file without a copy per page.
        sqlite3_exec(db, "PRAGMA mmap_size=4294967296", nullptr, nullptr, nullptr);
        rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &check, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_step(check);
    if (rc == SQLITE_ROW) {
        // The first line names the schema ("*** in database main ***").
        QStringList lines =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))).split(u'\n');
        if (lines.size() > 1 && lines.first().startsWith(QLatin1String("***")))
            lines.removeFirst();
        *finding = lines.join(u' ').simplified();
        result = *finding == QLatin1String("ok") ? CheckResult::Passed : CheckResult::Damaged;
    } else {
        *finding = engineError(db, "out of memory");
        const int code = sqlite3_errcode(db) & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
            result = CheckResult::Damaged;
    }
    sqlite3_finalize(check);
    sqlite3_close(db);
    // The engine's text names pages and indexes; a line of it is enough.
    if (finding->size() > 200)
        *finding = finding->left(200) + QStringLiteral("...");
    return result;
}

QString backupFailed(const QString& lead, const QString& why) {
    return QStringLiteral("%1: %2").arg(lead, why);
}

// What to tell when the copy just made fails the check: the copy is db1.mdb
// page for page, so it is db1.mdb that is damaged.
QString damagedMessage(const QString& finding, const QString& goodCopy) {
    QString text =
        QStringLiteral("db1.mdb is damaged: the engine's check of today's backup found \"%1\", so that "
                       "copy was not kept.\r\n")
            .arg(finding);
    if (goodCopy.isEmpty())
        return text + QStringLiteral(
                          "No earlier backup passes the check: keep db1.mdb as it is and have it repaired");
    return text +
           RegisterBackup::restoreAdvice(QStringLiteral("The newest backup that passes the check"), goodCopy);
}

// The newest kept copy that passes the full check; copies kept before the
// check was full may not.
QString newestGood(const QString& folder) {
    const QStringList names = backupNames(folder);
    for (auto name = names.crbegin(); name != names.crend(); ++name) {
        QString finding;
        const QString path = QDir(folder).filePath(*name);
        if (checkFile(path, &finding) == CheckResult::Passed)
            return path;
    }
    return {};
}

} // namespace

QStringList RegisterBackup::datedNames(const QString& folder, const QString& prefix, const QString& suffix,
                                       QDir::Filters kind) {
    QStringList names;
    const QStringList entries = QDir(folder).entryList({prefix + "*" + suffix}, kind, QDir::Name);
    for (const QString& name : entries)
        if (name.size() == prefix.size() + 10 + suffix.size() &&
            QDate::fromString(name.mid(prefix.size(), 10), Qt::ISODate).isValid())
            names << name;
    return names;
}

void RegisterBackup::keepNewest(const QString& folder, const QString& prefix, const QString& suffix,
                                QDir::Filters kind) {
    const QStringList names = datedNames(folder, prefix, suffix, kind);
    for (int i = 0; i + Kept < names.size(); ++i) {
        const QString path = QDir(folder).filePath(names[i]);
        if (kind == QDir::Dirs)
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

bool RegisterBackup::passesCheck(const QString& path, QString* finding) {
    return checkFile(path, finding) == CheckResult::Passed;
}

RegisterBackup::~RegisterBackup() {
    if (m_worker.joinable())
        m_worker.join();
}

QString RegisterBackup::folder(const QString& appDir) {
    return QDir(appDir).filePath(QStringLiteral("backups"));
}

QString RegisterBackup::pathFor(const QString& appDir, QDate day) {
    return QDir(folder(appDir)).filePath(Prefix + day.toString(Qt::ISODate) + Suffix);
}

QString RegisterBackup::startAdvice(const QString& appDir) {
    if (backupNames(folder(appDir)).isEmpty())
        return {};
    // Newest first, stopping at the first good one: a copy cut short or
    // damaged since would only replace one broken register with another.
    const QString good = newestGood(folder(appDir));
    if (good.isEmpty())
        return QStringLiteral(
                   "No backup in %1 passes the engine's check, so none of them can be restored: keep "
                   "db1.mdb as it is and have it repaired")
            .arg(QDir::toNativeSeparators(folder(appDir)));
    return restoreAdvice(QStringLiteral("The newest backup that passes the check"), good);
}

QString RegisterBackup::restoreAdvice(const QString& lead, const QString& path) {
    return QStringLiteral(
               "%1 is %2 (to restore it, close the program, delete db1.mdb-wal and db1.mdb-shm if they "
               "are there and copy it over db1.mdb)")
        .arg(lead, QDir::toNativeSeparators(path));
}

RegisterBackup::Result RegisterBackup::run(const QString& appDir, QDate day, const Progress& progress) {
    Result result = copyChecked(appDir, pathFor(appDir, day),
                                QStringLiteral("The daily backup of db1.mdb failed"), progress);
    if (!result.ok)
        return result;
    keepNewest(folder(appDir), Prefix, Suffix, QDir::Files);
    return result;
}

RegisterBackup::Result RegisterBackup::copyChecked(const QString& appDir, const QString& target,
                                                   const QString& lead, const Progress& progress) {
    Result result;
    // Named only once checked: a half copy never passes for a backup.
    const QString partial = target + QStringLiteral(".part");
    if (!QDir().mkpath(folder(appDir))) {
        result.message = backupFailed(
            lead,
            QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(folder(appDir))));
        return result;
    }
    QFile::remove(partial);
    QString error;
    if (!copyPages(QDir(appDir).filePath(QLatin1String(Database::FileName)), partial, progress, &error)) {
        QFile::remove(partial);
        result.message = backupFailed(lead, error);
        return result;
    }
    const CheckResult check = checkFile(partial, &error);
    if (check != CheckResult::Passed) {
        QFile::remove(partial);
        result.damaged = check == CheckResult::Damaged;
        result.message =
            result.damaged ? damagedMessage(error, newestGood(folder(appDir)))
                           : backupFailed(lead, QStringLiteral("the copy cannot be checked: %1").arg(error));
        return result;
    }
    QFile::remove(target);
    if (!syncFileToDisk(partial) || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        result.message = backupFailed(
            lead, QStringLiteral("the backup cannot be named %1").arg(QDir::toNativeSeparators(target)));
        return result;
    }
    result.ok = true;
    result.path = target;
    return result;
}

bool RegisterBackup::startIfDue(const QString& appDir, QDate day, int delayMs) {
    if (m_scheduled || QFileInfo::exists(pathFor(appDir, day)))
        return false;
    m_scheduled = true;
    QTimer::singleShot(delayMs, this, [this, appDir, day] { start(appDir, day); });
    return true;
}

void RegisterBackup::start(const QString& appDir, QDate day) {
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
