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
    QString error() const { return m_error; }

private:
    Database m_db;
    QString m_error;
};
