#pragma once
// Where the history of the register's lines is kept, and what writes it:
// the table table1_history on either engine, one row per store of a new
// line, store of a change and delete, written inside the statement that
// stores or deletes the line, so that a history row exists exactly when the
// change does.
//
// A row holds the line's key, when (the engine's clock, whole seconds since
// 1970 UTC), who (the server's login role; on the file the desktop user's
// name), what ("added", "changed", "deleted", "restored") and, as JSON text
// in the engine's stored form (money in ten-thousandths, dates YYYY-MM-DD):
// for a change {"column": [old, new], ...} of the changed columns only, for
// a delete the whole line {"column": value, ...}, else {}.
//
// On a server a row trigger writes it, so a change made with psql is
// recorded as well; it records nothing while register_server move copies a
// register in (the move brings the old register's history itself). On the
// file the program's own connection writes it through temporary triggers,
// which live in that connection alone: the file holds no trigger, so any
// SQLite tool still reads and writes it (its changes are not recorded).

#include <QString>
#include <QStringList>

struct sqlite3;

namespace LineHistorySchema {

constexpr const char* Table = "table1_history";

// Makes the table and its indexes where they are missing.
QStringList fileStatements();
// The same on a server, with the trigger that writes the rows.
QStringList serverStatements();
// The temporary triggers that record this connection's stores in a file
// register, as user; made only when the file has the history table (a
// register of an older layout opened by a tool gets none).
bool recordOnFile(sqlite3* db, const QString& user, QString* error);
// The name the desktop session runs under.
QString desktopUser();

} // namespace LineHistorySchema
