#include "data/Database.h"

#include "data/LineHistorySchema.h"
#include "data/OrderColumns.h"
#include "data/PostgresEngine.h"
#include "data/RegisterUpgrade.h"
#include "data/RegisterVersion.h"
#include "data/SqliteEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <sqlite3.h>

namespace {

// The engine's own words, without Qt's prefix ("Error opening database").
QString engineMessage(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

// Another program holds the file locked longer than the busy timeout.
bool isLock(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// The engine's bare words on a register that cannot be used ("unable to
// open database file") say neither which file nor what to do.
QString unusableRegister(const QSqlError& error, const QString& path) {
    const QString words = engineMessage(error);
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SQLITE_CANTOPEN && !QFileInfo::exists(path))
        return QStringLiteral(
                   "db1.mdb is not in \"%1\" (%2): put the register file there and start the program again")
            .arg(folder, words);
    if (code == SQLITE_CANTOPEN)
        return QStringLiteral(
                   "db1.mdb in \"%1\" cannot be opened (%2): the program must be allowed to read and "
                   "write it and its folder")
            .arg(folder, words);
    if (words.startsWith(QLatin1String("no such table")))
        return QStringLiteral(
                   "db1.mdb in \"%1\" is not an order register (%2): put the register file there and "
                   "start the program again")
            .arg(folder, words);
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        return QStringLiteral("db1.mdb in \"%1\" is damaged or is not a register (%2)").arg(folder, words);
    if (isLock(error))
        return QStringLiteral("db1.mdb is locked by another program (%1): start again once it has finished")
            .arg(words);
    return words;
}

// Runs a pragma; the error, or an invalid one. Two programs switching a
// register to WAL at the same moment: the engine answers the second with
// "database is locked" at once, without waiting (its busy handler is not
// asked on that path), though the first is done within milliseconds. So a
// lock is tried again until the busy timeout has passed; by then the
// register is in WAL and the switch is nothing to do.
QSqlError runPragma(const QSqlDatabase& db, const QString& pragma) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query(db);
        if (query.exec(pragma))
            return {};
        if (!isLock(query.lastError()) || waited.elapsed() >= SqliteEngine::BusyTimeoutMs)
            return query.lastError();
        QThread::msleep(1);
    }
}

// A URI with mode=rw makes the engine refuse to create a missing file.
QString openUri(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=rw");
}

} // namespace

namespace {
// Names held by live Database objects, whether their connection is open or not.
QSet<QString>& namesInUse() {
    static QSet<QString> names;
    return names;
}
} // namespace

Database::Database() {
    m_name = QLatin1String(ConnectionName);
    for (int n = 2; namesInUse().contains(m_name) || QSqlDatabase::contains(m_name); ++n)
        m_name = QStringLiteral("%1-%2").arg(QLatin1String(ConnectionName)).arg(n);
    namesInUse().insert(m_name);
}

Database::~Database() {
    close();
    namesInUse().remove(m_name);
}

QSqlDatabase Database::connection() const {
    return QSqlDatabase::database(m_name, false);
}

bool Database::isOpen() const {
    return m_engine != nullptr;
}

QString Database::serverSetting(const QString& folder, QString* error) {
    const QString path = QDir(folder).filePath(QLatin1String(ServerSettingName));
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    const auto refuse = [&](const QString& why) {
        *error = QStringLiteral("The server setting %1 cannot be read: %2").arg(shown, why);
        return QString();
    };
    // Checked before opening: a pipe waits for a writer for ever, and a
    // device such as /dev/zero never ends.
    if (!info.isFile())
        return refuse(QStringLiteral("it is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    // One byte more than allowed tells a file at the limit from a larger one.
    const QByteArray bytes = file.read(LargestSetting + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(file.errorString());
    if (bytes.size() > LargestSetting)
        return refuse(QStringLiteral("it is larger than 64 KB, more than any connection string holds"));
    QStringList parts;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        // The library would end the setting at a NUL and connect with its
        // defaults for the rest: another server than the file names.
        if (lines.at(i).contains('\0'))
            return refuse(QStringLiteral("line %1 holds a NUL character; remove it").arg(i + 1));
        const QString text = QString::fromUtf8(lines.at(i)).trimmed();
        if (!text.isEmpty() && !text.startsWith(u'#'))
            parts << text;
    }
    if (parts.isEmpty()) {
        *error = QStringLiteral("The server setting %1 holds no connection string").arg(shown);
        return {};
    }
    const QString setting = parts.join(u' ');
    QString problem;
    if (!PostgresEngine::settingParses(setting, &problem))
        return refuse(problem);
    return setting;
}

bool Database::hasServerSetting(const QString& folder) {
    return QFileInfo::exists(QDir(folder).filePath(QLatin1String(ServerSettingName)));
}

Engine* Database::serverEngine(QString* error) const {
    if (m_server && m_engine)
        return m_engine.get();
    *error = Engine::notOpenMessage();
    return nullptr;
}

bool Database::open(const QString& folder) {
    if (isOpen())
        return true;
    m_error.clear();
    const QString server = serverSetting(folder, &m_error);
    if (!m_error.isEmpty())
        return false;
    return server.isEmpty() ? openEmbedded(folder) : openServer(server);
}

bool Database::openServer(const QString& connectionString) {
    auto engine = std::make_unique<PostgresEngine>();
    engine->setWait(m_wait);
    m_unreachable = !engine->connect(connectionString, &m_error);
    if (m_unreachable)
        return false;
    // Before the probe: an older layout may lack columns the probe names.
    if (!RegisterUpgrade::server(*engine, &m_error))
        return false;
    if (!engine->query(
            QStringLiteral("SELECT %1 FROM Table1 LIMIT 0").arg(OrderColumns::nameList()), {},
            [](const EngineRow&) { return false; }, &m_error))
        return false;
    if (!engine->schemaFits(RegisterVersion::current(), &m_error))
        return false;
    engine->ensureChangeSignal();
    m_engine = std::move(engine);
    m_server = true;
    return true;
}

bool Database::openEmbedded(const QString& folder) {
    if (isOpen())
        return true;
    m_error.clear();
    const QString path = QDir(folder).filePath(QLatin1String(FileName));
    // A pipe would hold the engine (and so start-up) until a writer comes.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_error =
            QStringLiteral("db1.mdb in \"%1\" is not a regular file, so it cannot be the register: put the "
                           "register file there and start the program again")
                .arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::contains(m_name)
                              ? connection()
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(openUri(path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open())
            m_error = unusableRegister(db.lastError(), path);
    }
    // Before the first statement: another program storing or opening the
    // register at this moment holds a lock that the probe and the switch to
    // WAL below must wait for.
    if (m_error.isEmpty())
        SqliteEngine::waitWhenBusy(handle());
    // Before the probe: an older layout may lack columns the probe names.
    if (m_error.isEmpty()) {
        QSqlQuery version(connection());
        if (version.exec(QStringLiteral("PRAGMA user_version")) && version.next()) {
            const int stored = version.value(0).toInt();
            // Its read ends here: a read still open would pin the register
            // as it was, and the upgrade's write would then be refused once
            // another program starting at the same moment has upgraded it.
            version.finish();
            RegisterUpgrade::file(handle(), folder, stored, &m_error);
        } else {
            m_error = unusableRegister(version.lastError(), path);
        }
    }
    // Closed only once the handle above is gone, or Qt warns that the
    // connection is still in use.
    if (!m_error.isEmpty()) {
        close();
        return false;
    }
    // Only reads before anything is written: a file that is not a register
    // (not a database, one without Table1 or one of its columns, such as an
    // empty file) fails here and stays exactly as it was. Switching to WAL
    // would write to it.
    {
        QSqlQuery probe(connection());
        if (!probe.exec(QStringLiteral("SELECT %1 FROM Table1 LIMIT 0").arg(OrderColumns::nameList()))) {
            m_error = unusableRegister(probe.lastError(), path);
            probe = QSqlQuery();
            close();
            return false;
        }
        probe = QSqlQuery();
        if (!SqliteEngine::schemaFits(handle(), RegisterVersion::fileCurrent(), &m_error)) {
            close();
            return false;
        }
    }
    if (sqlite3_db_readonly(handle(), "main") == 1) {
        // The engine's own words ("attempt to write a readonly database")
        // name neither the file nor the way out.
        m_error =
            QStringLiteral("db1.mdb in \"%1\" is read-only for this program, which must store lines in it "
                           "(%2): allow this user to write db1.mdb and its folder (or copy it where they can "
                           "be written) and start the program again")
                .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()),
                     QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
        close();
        return false;
    }
    const char* pragmas[] = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"};
    for (const char* pragma : pragmas) {
        const QSqlError failure = runPragma(connection(), QLatin1String(pragma));
        if (failure.isValid()) {
            // The engine's words alone read as if db1.mdb were missing; a
            // lock held by another program is a lock, not the folder's fault.
            m_error = isLock(failure) ? unusableRegister(failure, path) : engineMessage(failure);
            if (pragma == pragmas[0] && !isLock(failure))
                m_error += QStringLiteral(": the write-ahead log db1.mdb-wal cannot be made in \"%1\"")
                               .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
            close();
            return false;
        }
    }
    m_engine = std::make_unique<SqliteEngine>(handle());
    return true;
}

void Database::close() {
    m_engine.reset();
    m_server = false;
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = connection();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

sqlite3* Database::handle() const {
    const QVariant v = connection().driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.data());
}

bool Database::execute(const QString& sql) {
    if (!m_engine) {
        m_error = Engine::notOpenMessage();
        return false;
    }
    return m_engine->execute(sql, {}, nullptr, &m_error);
}

bool Database::createEmptyFile(const QString& path, QString* error) {
    if (QFileInfo::exists(path))
        return true;
    // Built in a side file and renamed, so an interrupted build leaves no half file.
    const QString temporary = path + QStringLiteral(".new");
    QFile::remove(temporary);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temporary).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const QStringList statements =
        OrderColumns::schemaStatements() + LineHistorySchema::fileStatements()
        << QStringLiteral("PRAGMA user_version = %1").arg(RegisterVersion::fileCurrent());
    for (const QString& statement : statements) {
        if (rc != SQLITE_OK)
            break;
        rc = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        *error = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        QFile::remove(temporary);
        return false;
    }
    sqlite3_close(db);
    if (!QFile::rename(temporary, path)) {
        *error = QStringLiteral("cannot rename %1 to %2").arg(temporary, path);
        QFile::remove(temporary);
        return false;
    }
    return true;
}
