#pragma once
// Which program backs up a server register on a given day: the first to
// claim the day in the register's table register_backups (one row per day
// backed up). The claim is a row inserted in a write transaction that stays
// open while the backup is made and is committed only once the copy is
// checked and named; a failed or interrupted backup rolls it back, so a later
// start that day tries again. While a claim is open, a transaction-scoped
// advisory lock on the table tells other programs that a backup is under way:
// they make none and wait for nothing.

#include <QDate>
#include <QStringList>

class Engine;

namespace ServerBackupDay {

// The statements that make the table (the register's layout version 4).
QStringList schemaStatements();

enum class Claim { Ours, NotDue, Failed };
// On engine (a session of the backup's own, no transaction open): claims day
// inside a new write transaction, left open when the answer is Ours, for the
// caller to commit once the backup is kept (or to roll back). NotDue: the
// day is backed up, or another program is backing it up now.
Claim claim(Engine& engine, QDate day, QString* error);

} // namespace ServerBackupDay
