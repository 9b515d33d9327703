#pragma once
// A fresh application directory per test case: an empty register (unless
// told otherwise) and whatever side files the case writes. The register is
// the file db1.mdb, or, when the suite runs against PostgreSQL
// (ORDERS_TEST_ENGINE=postgres), a schema of its own on the test server that
// the directory's server setting names.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class PostgresEngine;

class TempAppDir {
  public:
    explicit TempAppDir(bool withDatabase = true);
    ~TempAppDir();
    TempAppDir(const TempAppDir&) = delete;
    TempAppDir& operator=(const TempAppDir&) = delete;
    // Whether this run's registers are on the test server.
    static bool onServer();
    // The text this run's engine gives where the two say it differently
    // (their own error messages).
    static QString byEngine(const QString& file, const QString& server) { return onServer() ? server : file; }
    bool isValid() const { return m_dir.isValid(); }
    // With a trailing separator, as the window expects it.
    QString path() const;
    QString filePath(const QString& name) const;
    // On a server register the side files the clerks share (the pick lists,
    // Company.txt, photos under pictures/) are the register's: a list or photo
    // written here is also stored there, and one read is read from there.
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    // Whether name is such a file while this register is on a server.
    bool sharedOnServer(const QString& name) const;
    QString databasePath() const { return filePath(QStringLiteral("db1.mdb")); }

  private:
    void connectTo(PostgresEngine& engine) const; // a session on this register's server

    QTemporaryDir m_dir;
    QString m_schema; // on the server: the register's schema
};

// For a case about the side files of a file register (their paths, their
// encodings, a disk that fills while one is written): a server register
// keeps its lists and photos in its own tables.
#define SKIP_SIDE_FILES_ON_SERVER()                                                                          \
    do {                                                                                                     \
        if (TempAppDir::onServer())                                                                          \
            QSKIP("about the side files of a file register; a server keeps its own");                        \
    } while (false)

// For a case about the register file itself: its damage, its locks, its
// copies.
#define SKIP_ON_SERVER()                                                                                     \
    do {                                                                                                     \
        if (TempAppDir::onServer())                                                                          \
            QSKIP("about the embedded register file, not a server's");                                       \
    } while (false)
