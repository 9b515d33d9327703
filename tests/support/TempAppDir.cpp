#include "support/TempAppDir.h"

#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

TempAppDir::TempAppDir(bool withDatabase)
{
    if (withDatabase) {
        QString error;
        if (!Database::createEmptyFile(databasePath(), &error))
            qFatal("cannot create test register: %s", qPrintable(error));
    }
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
