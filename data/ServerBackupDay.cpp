#include "data/ServerBackupDay.h"

#include "data/Engine.h"

namespace ServerBackupDay {

QStringList schemaStatements() {
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS register_backups (day date PRIMARY KEY, "
                           "made_at timestamptz NOT NULL DEFAULT now(), made_by text NOT NULL DEFAULT "
                           "current_setting('application_name'))")};
}

Claim claim(Engine& engine, QDate day, QString* error) {
    if (!engine.beginWrite(error))
        return Claim::Failed;
    // The lock's key names the register's own table (each schema of a
    // database is a register of its own), so only its backups exclude each
    // other. Tried, never waited for: a program that would wait would only
    // find the day taken afterwards.
    const qint64 locked = engine.number(QStringLiteral(
        "SELECT CASE WHEN pg_try_advisory_xact_lock('register_backups'::regclass::oid::bigint) THEN 1 ELSE 0 "
        "END"));
    qint64 inserted = 0;
    const bool ok =
        locked >= 0 &&
        (locked == 0 ||
         engine.execute(QStringLiteral("INSERT INTO register_backups (day) VALUES (?) ON CONFLICT (day) "
                                       "DO NOTHING"),
                        {day}, &inserted, error));
    if (locked < 0)
        *error = QStringLiteral("The server's table of backups cannot be read");
    if (ok && locked == 1 && inserted == 1)
        return Claim::Ours;
    engine.rollback();
    return ok ? Claim::NotDue : Claim::Failed;
}

} // namespace ServerBackupDay
