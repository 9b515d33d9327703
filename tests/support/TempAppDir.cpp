#include "support/TempAppDir.h"

#include "data/Database.h"
#include "data/PostgresEngine.h"
#include "data/SharedStore.h"
#include "lists/ListStore.h"
#include "lists/PickListText.h"
#include "photos/PhotoStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

// The server of the run, when the suite runs against PostgreSQL (the test
// script starts a private one); empty for the embedded file.
QString testServer() {
    if (qEnvironmentVariable("ORDERS_TEST_ENGINE") != QLatin1String("postgres"))
        return {};
    const QString server = qEnvironmentVariable("ORDERS_TEST_SERVER");
    if (server.isEmpty())
        qFatal("ORDERS_TEST_ENGINE=postgres needs the server's connection string in ORDERS_TEST_SERVER");
    return server;
}

void runOnServer(const QString& sql) {
    PostgresEngine engine;
    QString error;
    if (!engine.connect(testServer(), &error) || !engine.execute(sql, {}, nullptr, &error))
        qFatal("test server: %s: %s", qPrintable(sql), qPrintable(error));
}

} // namespace

bool TempAppDir::onServer() {
    return !testServer().isEmpty();
}

TempAppDir::TempAppDir(bool withDatabase) {
    if (!withDatabase)
        return;
    QString error;
    if (!onServer()) {
        if (!Database::createEmptyFile(databasePath(), &error))
            qFatal("cannot create test register: %s", qPrintable(error));
        return;
    }
    // Each case gets a register of its own: a schema of the run's database,
    // chosen by the search path of the setting's connection string.
    static int made = 0;
    m_schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    runOnServer(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
    runOnServer(QStringLiteral("CREATE SCHEMA %1").arg(m_schema));
    // The application name tells this register's connections apart from
    // those of cases running at the same time, for a case that cuts them off.
    const QString setting =
        testServer() + QStringLiteral(" options='-c search_path=%1' application_name=%1").arg(m_schema);
    bool created = false;
    if (!PostgresEngine::createRegister(setting, &created, &error))
        qFatal("cannot create test register: %s", qPrintable(error));
    writeFile(QLatin1String(Database::ServerSettingName), setting.toUtf8() + '\n');
}

TempAppDir::~TempAppDir() {
    if (!m_schema.isEmpty())
        runOnServer(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema));
}

QString TempAppDir::path() const {
    return QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
}

QString TempAppDir::filePath(const QString& name) const {
    return path() + name;
}

namespace {

const QStringList SharedLists{"articles", "suppliers", "batches", "company"};

// pictures/<batch>/<number>.jpg or pictures/<number>.jpg as batch key and number.
bool photoName(const QString& name, QString* batch, QString* number) {
    const QStringList parts = name.split(u'/');
    if (parts.size() < 2 || parts.size() > 3 || parts.first() != QLatin1String("pictures") ||
        !parts.last().endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return false;
    *batch = PhotoStore::batchKey(parts.size() == 3 ? parts[1] : QString());
    *number = parts.last().chopped(4);
    return true;
}

bool listName(const QString& name, QString* list) {
    *list = ListStore::serverName(QFileInfo(name).completeBaseName());
    return !name.contains(u'/') && name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) &&
           SharedLists.contains(*list);
}

} // namespace

void TempAppDir::connectTo(PostgresEngine& engine) const {
    QString error;
    if (!engine.connect(QString::fromUtf8(readFile(QLatin1String(Database::ServerSettingName))), &error))
        qFatal("test server: %s", qPrintable(error));
}

bool TempAppDir::sharedOnServer(const QString& name) const {
    QString a, b;
    return !m_schema.isEmpty() && (photoName(name, &a, &b) || listName(name, &a));
}

void TempAppDir::writeFile(const QString& name, const QByteArray& bytes) const {
    if (sharedOnServer(name)) {
        PostgresEngine engine;
        connectTo(engine);
        SharedStore store(engine);
        QString batch, number, list, error;
        bool stored = true;
        qint64 version = 0;
        if (photoName(name, &batch, &number))
            stored = store.writePhoto(batch, number, bytes, QByteArray(), &version,
                                      &error); // no preview, as an older version left it
        else if (listName(name, &list) && PickListText::decode(bytes).problem.isEmpty())
            stored = store.writeText(list, PickListText::decode(bytes).text, SharedStore::AnyVersion,
                                     &error) == SharedStore::Written::Done;
        if (!stored)
            qFatal("test server: %s: %s", qPrintable(name), qPrintable(error));
    }
    const QString full = filePath(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(full));
}

QByteArray TempAppDir::readFile(const QString& name) const {
    if (sharedOnServer(name)) {
        PostgresEngine engine;
        connectTo(engine);
        SharedStore store(engine);
        QString batch, number, list;
        if (photoName(name, &batch, &number))
            return store.readPhoto(batch, number, 0, 1 << 30).jpeg;
        listName(name, &list);
        return store.readText(list, 1 << 30).text.toUtf8();
    }
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
