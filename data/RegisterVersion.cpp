#include "data/RegisterVersion.h"

#include "data/LineHistorySchema.h"
#include "data/OrderColumns.h"
#include "data/ServerBackupDay.h"
#include "data/SharedStore.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <optional>

namespace RegisterVersion {

namespace {

// The program's hand-written steps, for what is not a column of Table1 (a
// new column is a row of OrderColumns with the new version, nothing here).
// A new layout adds one entry at the end and raises Program.
const QVector<UpgradeStep>& handWrittenSteps() {
    static const QVector<UpgradeStep> list{
        {2, {}, SharedStore::schemaStatements()},
        {3, {}, SharedStore::previewStatements()},
        {4, {}, ServerBackupDay::schemaStatements()},
        {5, LineHistorySchema::fileStatements(), LineHistorySchema::serverStatements()}};
    return list;
}

// The hand-written steps with each later column in the step of its version.
QVector<UpgradeStep> joinColumnSteps() {
    QVector<UpgradeStep> list = handWrittenSteps();
    for (int column = 0; column < OrderColumns::Count; ++column) {
        const int version = OrderColumns::at(column).version;
        if (version <= First)
            continue;
        auto step = std::find_if(list.begin(), list.end(),
                                 [&](const UpgradeStep& s) { return s.version >= version; });
        if (step == list.end() || step->version != version)
            step = list.insert(step, UpgradeStep{version, {}, {}});
        step->columns << column;
    }
    return list;
}

const QVector<UpgradeStep>& ownSteps() {
    static const QVector<UpgradeStep> list = joinColumnSteps();
    return list;
}

std::optional<QVector<UpgradeStep>>& overridden() {
    static std::optional<QVector<UpgradeStep>> list;
    return list;
}

} // namespace

const QVector<UpgradeStep>& steps() {
    return overridden() ? *overridden() : ownSteps();
}

int current() {
    return steps().isEmpty() ? First : steps().last().version;
}

int fileCurrent() {
    int version = First;
    for (const UpgradeStep& step : steps())
        if (!step.fileSql.isEmpty() || !step.columns.isEmpty())
            version = step.version;
    return version;
}

StepsOverride::StepsOverride(const QVector<UpgradeStep>& steps) {
    overridden() = steps;
}

StepsOverride::~StepsOverride() {
    overridden().reset();
}

QStringList serverStepStatements() {
    QStringList statements;
    for (const UpgradeStep& step : steps())
        statements += step.serverSql;
    return statements;
}

QStringList serverTableStatements() {
    // Also on a register that has the table already (an upgrade): its one
    // row is replaced.
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS register_version (version integer NOT NULL)"),
            QStringLiteral("DELETE FROM register_version"),
            QStringLiteral("INSERT INTO register_version (version) VALUES (%1)").arg(current())};
}

QString newerMessage(const QString& where, int found, int known) {
    return QStringLiteral(
               "%1 was made by a newer version of the program (register version %2; this program knows "
               "up to version %3). Use the newer program.")
        .arg(where)
        .arg(found)
        .arg(known);
}

int parse(const QString& text, int lowest) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    if (!digits.match(text).hasMatch())
        return -1;
    const qint64 value = text.toLongLong();
    return value >= lowest && value <= std::numeric_limits<int>::max() ? int(value) : -1;
}

QString tableMessage(const QString& where, int rows) {
    return QStringLiteral(
               "%1 cannot be opened: its version table register_version holds %2 where it must hold "
               "exactly one row, the register's version. Put the right version back in it alone.")
        .arg(where, rows == 0 ? QStringLiteral("no row") : QStringLiteral("more than one row"));
}

QString valueMessage(const QString& where, const QString& text, int lowest) {
    const QString table = where == QLatin1String("db1.mdb")
                              ? QStringLiteral("its version (PRAGMA user_version)")
                              : QStringLiteral("its version table register_version");
    return QStringLiteral(
               "%1 cannot be opened: %2 holds %3, which is not a version: it must be a whole number "
               "from %4 to %5. Put the right version back.")
        .arg(where, table,
             text.isNull() ? QStringLiteral("no value (NULL)") : QStringLiteral("\"%1\"").arg(text.left(40)))
        .arg(lowest)
        .arg(std::numeric_limits<int>::max());
}

} // namespace RegisterVersion
