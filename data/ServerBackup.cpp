#include "data/ServerBackup.h"

#include "data/Database.h"
#include "data/FileSync.h"
#include "data/PostgresEngine.h"
#include "data/RegisterBackup.h"
#include "data/RegisterTransfer.h"
#include "data/ServerBackupDay.h"
#include "data/SqliteEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral("server-");
const QString Lead = QStringLiteral("Today's backup of the server register was not kept");

QString figuresText(const RegisterFigures& f) {
    return QStringLiteral("%1 lines, %2 received, money %3")
        .arg(f.lines)
        .arg(f.received)
        .arg(f.money.toString());
}

// A register file of ours, opened on this thread only.
class FileRegister {
  public:
    FileRegister(const QString& path, int flags) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~FileRegister() { close(); }
    FileRegister(const FileRegister&) = delete;
    FileRegister& operator=(const FileRegister&) = delete;
    sqlite3* handle() const { return m_db; }
    QString errorString() const { return m_error; }
    void close() {
        sqlite3_close(m_db);
        m_db = nullptr;
    }

  private:
    sqlite3* m_db = nullptr;
    QString m_error;
};

// Writes db1.mdb of folder with every line of the snapshot; figures gets
// the snapshot's.
bool writeRegister(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
                   RegisterFigures* figures, QString* error) {
    const QString path = QDir(folder).filePath(QLatin1String(Database::FileName));
    if (!Database::createEmptyFile(path, error))
        return false;
    FileRegister file(path, SQLITE_OPEN_READWRITE);
    if (!file.handle()) {
        *error = file.errorString();
        return false;
    }
    // A new side file, synced once before it is named: no sync per commit.
    sqlite3_exec(file.handle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    {
        // The engine's statements end with it: a connection with statements
        // left would not close, and its file would stay open.
        SqliteEngine engine(file.handle());
        RegisterTransfer transfer;
        if (!transfer.copy(snapshot, engine, [&](qint64) { return !cancel; })) {
            *error = transfer.errorString();
            return false;
        }
        *figures = transfer.sourceFigures();
    }
    file.close();
    if (!syncFileToDisk(path)) {
        *error = QStringLiteral("db1.mdb of the copy cannot be written to the disk");
        return false;
    }
    return true;
}

// The copy's db1.mdb read anew: the engine's full check, then its figures
// against the snapshot's.
bool checkRegister(const QString& folder, const RegisterFigures& expected, QString* error) {
    const QString path = QDir(folder).filePath(QLatin1String(Database::FileName));
    QString finding;
    if (!RegisterBackup::passesCheck(path, &finding)) {
        *error = QStringLiteral("the engine's check of the copy's db1.mdb found \"%1\"").arg(finding);
        return false;
    }
    FileRegister file(path, SQLITE_OPEN_READONLY);
    if (!file.handle()) {
        *error = file.errorString();
        return false;
    }
    SqliteEngine engine(file.handle());
    RegisterFigures copied;
    if (!RegisterTransfer::readFigures(engine, &copied, error))
        return false;
    if (copied != expected) {
        *error = QStringLiteral("the copy's db1.mdb holds %1 where the register holds %2")
                     .arg(figuresText(copied), figuresText(expected));
        return false;
    }
    return true;
}

// Everything into folder from one snapshot, then checked against it.
bool copyChecked(const QString& server, const QString& folder, ServerBackup::SideFiles& sideFiles,
                 const std::atomic<bool>& cancel, const ServerBackup::BeforeCheck& beforeCheck,
                 QString* error) {
    PostgresEngine snapshot;
    if (!snapshot.connect(server, error) || !snapshot.beginRead(error))
        return false;
    RegisterFigures figures;
    bool ok = writeRegister(snapshot, folder, cancel, &figures, error) &&
              sideFiles.write(snapshot, folder, cancel, error);
    // Written out whole before the name says it is a backup: the photos'
    // files with one sync of their file system, not one each.
    if (ok) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY);
        ok = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!ok)
            *error = QStringLiteral("the copy cannot be written to the disk");
    }
    if (ok && beforeCheck)
        beforeCheck(folder);
    ok = ok && checkRegister(folder, figures, error) && sideFiles.check(snapshot, folder, error);
    if (!ok && cancel)
        *error = QStringLiteral("the program was closed while it was made");
    snapshot.rollback();
    return ok;
}

ServerBackup::Result failed(ServerBackup::Result result, const QString& why) {
    result.ok = false;
    result.message = QStringLiteral("%1: %2").arg(Lead, why);
    return result;
}

} // namespace

ServerBackup::ServerBackup(std::shared_ptr<SideFiles> sideFiles, QObject* parent)
    : QObject(parent), m_sideFiles(std::move(sideFiles)) {}

ServerBackup::~ServerBackup() {
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

QString ServerBackup::folderName(QDate day) {
    return Prefix + day.toString(Qt::ISODate);
}

QString ServerBackup::pathFor(const QString& appDir, QDate day) {
    return QDir(RegisterBackup::folder(appDir)).filePath(folderName(day));
}

ServerBackup::Result ServerBackup::run(const QString& appDir, const QString& server, QDate day,
                                       SideFiles& sideFiles, const std::atomic<bool>& cancel,
                                       const BeforeCheck& beforeCheck) {
    Result result;
    PostgresEngine dayClaim;
    QString error;
    if (!dayClaim.connect(server, &error))
        return failed(result, error);
    switch (ServerBackupDay::claim(dayClaim, day, &error)) {
    case ServerBackupDay::Claim::NotDue:
        result.ok = true;
        return result;
    case ServerBackupDay::Claim::Failed:
        return failed(result, error);
    case ServerBackupDay::Claim::Ours:
        break;
    }
    result.made = true;
    const QString target = pathFor(appDir, day);
    // Named only once checked: a half copy never passes for a backup.
    const QString partial = target + QStringLiteral(".part");
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial)) {
        dayClaim.rollback();
        return failed(
            result, QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(partial)));
    }
    bool ok = copyChecked(server, partial, sideFiles, cancel, beforeCheck, &error);
    // A copy of the day made before (its row on the server since lost) gives way to this one.
    if (ok && QFileInfo::exists(target))
        ok = QDir(target).removeRecursively();
    if (ok && !QDir().rename(partial, target)) {
        ok = false;
        error = QStringLiteral("the copy cannot be named %1").arg(QDir::toNativeSeparators(target));
    }
    if (!ok) {
        QDir(partial).removeRecursively();
        dayClaim.rollback();
        return failed(result, error);
    }
    // The copy is kept whatever the commit says: at worst another program
    // backs up the same day again.
    dayClaim.commit(&error);
    RegisterBackup::keepNewest(RegisterBackup::folder(appDir), Prefix, QString(), QDir::Dirs);
    result.ok = true;
    result.path = target;
    return result;
}

void ServerBackup::start(const QString& appDir, const QString& server, QDate day, int delayMs) {
    QTimer::singleShot(delayMs, this, [this, appDir, server, day] {
        if (m_worker.joinable())
            return;
        m_worker = std::thread([this, appDir, server, day] {
            // The user's work comes first (Linux sets a nice value per thread).
            setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
            const Result result = run(appDir, server, day, *m_sideFiles, m_cancel);
            // Queued to this object's thread; the destructor joins this thread
            // first, so the object outlives the call being posted.
            QMetaObject::invokeMethod(
                this, [this, result] { emit finished(result.made, result.ok, result.message); },
                Qt::QueuedConnection);
        });
    });
}
