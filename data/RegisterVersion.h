#pragma once
// The version of a register's layout, kept in the register itself: the
// file's PRAGMA user_version, the one-row table register_version on a
// server. A register made before versions were kept (no version, or
// user_version 0) has the first layout. Each later layout is one step in
// steps(): the version it brings the register to, the columns of Table1 it
// adds (those of OrderColumns whose version it is; their ADD COLUMN comes
// from the same declaration as CREATE TABLE) and its own statements for
// either engine, for what is not a column, run in order by RegisterUpgrade.
// A step makes only what is missing (IF NOT EXISTS): a register whose
// version was lost or put back by hand may already hold what the step adds,
// and a step that failed there would fail at every start.

#include <QString>
#include <QStringList>
#include <QVector>

struct UpgradeStep {
    int version;            // the register's version once the step has run
    QStringList fileSql;    // on the embedded file
    QStringList serverSql;  // on a server register
    QVector<int> columns{}; // OrderColumns::Index of each column it adds, first
};

namespace RegisterVersion {

// The layout of every register made before versions were kept.
constexpr int First = 1;
// The layout this program makes and upgrades to: its last step's version.
// Version 2 adds the server's tables of pick lists, company name and photos
// (SharedStore); the file keeps these as side files. Version 3 adds the
// photos' previews on the server (the file keeps them beside the photos).
// Version 4 adds the server's table of the days backed up (ServerBackupDay).
// Version 5 adds the history of the lines on both engines (LineHistorySchema).
constexpr int Program = 5;

// The steps from the first layout to this program's, in ascending version:
// the hand-written ones joined by those the column table gives.
const QVector<UpgradeStep>& steps();
// The version this program writes into a server register it makes: the
// last step's.
int current();
// The same for the embedded file: the last step that changes the file's
// layout. A step for the server alone (its tables of lists and photos) leaves
// the file's version where it was, so a program that knows the file's layout
// still opens it.
int fileCurrent();

// Stands in for the program's own steps while it lives, so that a test can
// be a newer program; the program's own steps are back when it is destroyed.
class StepsOverride {
  public:
    explicit StepsOverride(const QVector<UpgradeStep>& steps);
    ~StepsOverride();
    StepsOverride(const StepsOverride&) = delete;
    StepsOverride& operator=(const StepsOverride&) = delete;
};

// Every step's statements for a server, in order: a new server register is
// made with them, so it holds what an upgraded one does.
QStringList serverStepStatements();

// The statements that make a server register's version table, or empty the
// one it has, holding current().
QStringList serverTableStatements();

// Why a register of version found cannot be opened by this program, which
// knows up to version known (it was made by a newer one); where names the
// register ("db1.mdb").
QString newerMessage(const QString& where, int found, int known);

// The version written as text, a whole number from lowest to the largest
// 32-bit one; -1 when it is anything else (a sign, a fraction, letters).
int parse(const QString& text, int lowest);
// Why the version table of where (the server's) holding rows rows (not one)
// cannot tell the register's version.
QString tableMessage(const QString& where, int rows);
// Why the version stored as text cannot be where's version.
QString valueMessage(const QString& where, const QString& text, int lowest);

} // namespace RegisterVersion
