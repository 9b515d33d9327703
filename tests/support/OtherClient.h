#pragma once
// Another program on a test's register: a connection of its own, through the
// engine the application directory names (the file or the test server), for
// setting lines up behind the window's back and reading what was stored.

#include "data/Database.h"

#include <QVariant>

class TempAppDir;

class OtherClient {
  public:
    explicit OtherClient(const TempAppDir& dir);
    // Runs one statement (parameters written ?); fails the test's process on
    // an error unless mayFail, and returns whether it ran.
    bool run(const QString& sql, const QVariantList& parameters = {}, bool mayFail = false);
    // The first column of the first row as a whole number; -1 for none.
    qint64 number(const QString& sql, const QVariantList& parameters = {});
    // The first column of the first row as text; a null QString for none.
    QString text(const QString& sql, const QVariantList& parameters = {});
    // A stored value as the engine holds it: qlonglong for number and money
    // columns (money in ten-thousandths), QString for texts and dates; an
    // invalid QVariant for null or no line.
    QVariant stored(qint32 key, const QString& column);
    qint64 lineCount() { return number(QStringLiteral("SELECT COUNT(*) FROM Table1")); }
    // From now on the engine refuses every INSERT, UPDATE or DELETE (event)
    // of a line with message, as a rule of the database would.
    void refuse(const QString& event, const QString& message);
    void allow(const QString& event);
    // Holds the whole register locked against writes until unlock().
    void lock();
    void unlock() { run(QStringLiteral("ROLLBACK")); }
    // On a server: ends every other connection to this register, as a
    // restarted server or a broken network would.
    void cutOffOthers();
    QString error() const { return m_error; }

  private:
    Database m_db;
    QString m_error;
};
