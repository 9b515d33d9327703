#pragma once
// Whether an office suite has the report open. LibreOffice leaves a lock
// file ".~lock.NAME#" beside the document while it has it open, and also
// holds a POSIX lock on the document itself. The lock file alone proves
// nothing: it stays behind when the suite is killed or the power fails, and
// would then refuse every export for good. The POSIX lock goes with the
// process that held it, so it tells a live lock from a stale one.

#include <QString>

namespace ReportLock {

enum class State {
    Free,  // no lock file, no lock on the document
    Stale, // a lock file that no running program holds
    Live,  // the document is open in another program
};

QString lockFileName(const QString& documentName);
State state(const QString& directory, const QString& documentName);
// Removes a stale lock file, so that the office suite opens the new report
// without asking who has it open.
void removeStale(const QString& directory, const QString& documentName);

} // namespace ReportLock
