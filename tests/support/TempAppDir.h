#pragma once
// A fresh application directory per test case: an empty register db1.mdb
// (unless told otherwise) and whatever side files the case writes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempAppDir {
public:
    explicit TempAppDir(bool withDatabase = true);
    bool isValid() const { return m_dir.isValid(); }
    // With a trailing separator, as the window expects it.
    QString path() const;
    QString filePath(const QString& name) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    QString databasePath() const { return filePath(QStringLiteral("db1.mdb")); }

private:
    QTemporaryDir m_dir;
};
