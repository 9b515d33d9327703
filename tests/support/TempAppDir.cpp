#include "support/TempAppDir.h"

#include "data/Database.h"
#include "data/PostgresEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

// The server of the run, when the suite runs against PostgreSQL (the test
// script starts a private one); empty for the embedded file.
QString testServer()
{
    if (qEnvironmentVariable("ORDERS_TEST_ENGINE") != QLatin1String("postgres"))
        return {};
    const QString server = qEnvironmentVariable("ORDERS_TEST_SERVER");
    if (server.isEmpty())
        qFatal("ORDERS_TEST_ENGINE=postgres needs the server's connection string in ORDERS_TEST_SERVER");
    return server;
}

void runOnServer(const QString& sql)
{
    PostgresEngine engine;
    QString error;
    if (!engine.connect(testServer(), &error) || !engine.execute(sql, {}, nullptr, &error))
        qFatal("test server: %s: %s", qPrintable(sql), qPrintable(error));
}

} // namespace

bool TempAppDir::onServer()
{
    return !testServer().isEmpty();
}

TempAppDir::TempAppDir(bool withDatabase)
{
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

TempAppDir::~TempAppDir()
{
    if (!m_schema.isEmpty())
        runOnServer(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema));
}

QString TempAppDir::path() const
{
    return QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
}

QString TempAppDir::filePath(const QString& name) const
{
    return path() + name;
}

void TempAppDir::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString full = filePath(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(full));
}

QByteArray TempAppDir::readFile(const QString& name) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
