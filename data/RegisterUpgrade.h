#pragma once
// Brings a register to this program's version as it is opened, by the steps
// of RegisterVersion after the one it holds, all in one transaction: either
// every step and the new version are kept, or nothing. The file is first
// copied to backups/db1-before-vN.mdb (N the new version) and the copy
// checked; on a server, the steps run only while no other program is
// connected to the register's database, since a program of the old version
// would go on with the old layout. A register newer than the program is
// refused and not touched.

#include <QString>

class PostgresEngine;
struct sqlite3;

namespace RegisterUpgrade {

// For the file db1.mdb of folder, open on db (nothing written yet), whose
// user_version is stored: true when it is at this program's version now
// (or is no register at all, which the caller's own checks then tell); else
// false with error set to why it cannot be opened.
bool file(sqlite3* db, const QString& folder, int stored, QString* error);
// The same for the register of a connected server engine.
bool server(PostgresEngine& engine, QString* error);

// The copy of db1.mdb of folder made before it is upgraded to version.
QString backupPath(const QString& folder, int version);

} // namespace RegisterUpgrade
