// Crash safety of the register, measured: a worker stores, edits and deletes
// lines through the real OrderTable while a driver kills it with SIGKILL at
// random moments, then checks the file against what the worker was told.
//
//   crash_register drive [--kills N] [--seconds S] [--dir D] [--seed X]
//   crash_register work <dir> <journal> <run>     (started by drive)
//
// The worker writes a journal beside the register, each line fsync'd: the
// operation it is about to start ("I key seed", "E key seed", "D key"), then
// "A" once the table call returned true. A line's values are a function of its
// seed, so the driver knows every column of every line without reading the
// worker's memory. After each kill the driver opens the register as the
// program would and requires: integrity_check ok; the history in step with
// the lines (each line there added once more than deleted); every line whose
// store or edit was acknowledged present with exactly its values; every acknowledged
// delete gone; no line the worker never attempted. The one operation that was
// in flight at the kill may or may not have happened, but only as a whole.
//
// What this measures is the death of the process at any instruction; the
// operating system still writes out what the process had handed to it. Power
// loss is the job of synchronous=FULL and is not simulated here.

#include "data/Currency.h"
#include "data/Database.h"
#include "data/FieldCodec.h"
#include "data/OrderColumns.h"
#include "data/OrderTable.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QVector>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <random>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Line = QVector<QVariant>; // value form, index = column, [Key] unused

// Characters that have broken text handling elsewhere: quotes, LIKE wildcards,
// a backslash, Cyrillic, a tab.
const QString TextPool = QStringLiteral("abcXYZ019 '\"%_\\\tАБВЖЩабвжщю");

QString randomText(std::mt19937_64& rng, int maxLength) {
    const int length = int(rng() % quint64(maxLength + 1));
    QString text;
    for (int i = 0; i < length; ++i)
        text += TextPool.at(int(rng() % quint64(TextPool.size())));
    return text;
}

// Every column of the line stored under seed. Some numbers and dates are null.
Line lineFor(quint64 seed) {
    std::mt19937_64 rng(seed);
    Line line(OrderColumns::Count);
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column) {
        const ColumnDef& def = OrderColumns::at(column);
        const bool null = rng() % 8 == 0;
        switch (def.type) {
        case ColumnType::AutoIncrement:
            break;
        case ColumnType::Text:
            line[column] = randomText(rng, def.width);
            break;
        case ColumnType::Memo:
            line[column] = randomText(rng, rng() % 4 == 0 ? 3000 : 40) + QStringLiteral("\r\nend");
            break;
        case ColumnType::Integer:
            if (!null)
                line[column] = int(qint32(quint32(rng())));
            break;
        case ColumnType::Currency:
            if (!null)
                line[column] = QVariant::fromValue(
                    Currency::fromUnits(qint64(rng() % 2000000000000ULL) - 1000000000000LL));
            break;
        case ColumnType::Date:
            if (!null)
                line[column] = QDate(1900 + int(rng() % 200), 1 + int(rng() % 12), 1 + int(rng() % 28));
            break;
        }
    }
    return line;
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    if (a.metaType() == QMetaType::fromType<Currency>() || b.metaType() == QMetaType::fromType<Currency>())
        return a.metaType() == b.metaType() && a.value<Currency>() == b.value<Currency>();
    return a.metaType() == b.metaType() && a == b;
}

bool sameLine(const Line& stored, const Line& expected, QString* difference) {
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column) {
        if (!sameValue(stored[column], expected[column])) {
            *difference = QStringLiteral("%1: stored '%2', expected '%3'")
                              .arg(OrderColumns::name(column), FieldCodec::text(stored[column]),
                                   FieldCodec::text(expected[column]));
            return false;
        }
    }
    return true;
}

// --- the worker ----------------------------------------------------------------

class Journal {
  public:
    explicit Journal(const char* path) : m_fd(::open(path, O_WRONLY | O_CREAT | O_APPEND, 0644)) {}
    bool isOpen() const { return m_fd >= 0; }
    // One write of a whole line, then fsync: the driver sees it or not at all.
    void note(const QByteArray& line) {
        const QByteArray text = line + '\n';
        if (::write(m_fd, text.constData(), size_t(text.size())) != text.size() || ::fsync(m_fd) != 0) {
            std::perror("journal");
            std::_Exit(3);
        }
    }

  private:
    int m_fd;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "worker: %s failed\n", what);
    std::_Exit(2);
}

void setLine(OrderTable& table, const Line& line) {
    for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column)
        if (!table.setValue(column, line[column]))
            fail("setValue");
}

int work(const QString& dir, const char* journalPath, quint64 run) {
    Journal journal(journalPath);
    if (!journal.isOpen())
        fail("opening the journal");
    Database db;
    if (!db.open(dir)) {
        std::fprintf(stderr, "worker: %s\n", qPrintable(db.errorString()));
        return 2;
    }
    OrderTable table(db);
    table.setErrorSink([](const QString& message) {
        std::fprintf(stderr, "worker: %s\n", qPrintable(message));
        std::_Exit(2);
    });
    if (!table.open())
        fail("open");
    std::mt19937_64 rng(run * 7919 + 1);
    for (quint64 op = 1;; ++op) {
        const quint64 seed = (run << 32) | op;
        const int count = table.recordCount();
        const int choice = int(rng() % 10);
        // Keeps the register near a hundred lines so that checks stay quick.
        const bool insert = count == 0 || (count < 100 ? choice < 5 : choice < 2);
        if (insert) {
            if (!table.append())
                fail("append");
            setLine(table, lineFor(seed));
            journal.note("I " + QByteArray::number(table.pendingKey()) + ' ' + QByteArray::number(seed));
            if (!table.post())
                fail("post");
            journal.note("A");
            continue;
        }
        if (!table.moveTo(int(rng() % quint64(count))))
            fail("moveTo");
        const QByteArray key = QByteArray::number(table.value(OrderColumns::Key).toInt());
        if (choice < 8) {
            if (!table.edit())
                fail("edit");
            setLine(table, lineFor(seed));
            journal.note("E " + key + ' ' + QByteArray::number(seed));
            if (!table.post())
                fail("post");
        } else {
            journal.note("D " + key);
            if (!table.remove())
                fail("remove");
        }
        journal.note("A");
    }
}

// --- the driver ----------------------------------------------------------------

struct Totals {
    int kills = 0;
    qint64 acknowledged = 0;
    qint64 linesChecked = 0;
    qint64 linesLost = 0;
    qint64 wrongLines = 0;
    qint64 strayLines = 0;
    int inFlightDone = 0;
    int inFlightNotDone = 0;
    int failures = 0;
};

struct Operation {
    char kind = 0; // 'I', 'E' or 'D'
    qint32 key = 0;
    quint64 seed = 0;
    bool acknowledged = false;
};

QVector<Operation> readJournal(const QString& path) {
    QFile file(path);
    QVector<Operation> ops;
    if (!file.open(QIODevice::ReadOnly))
        return ops;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QList<QByteArray> parts = raw.trimmed().split(' ');
        if (parts.value(0) == "A" && !ops.isEmpty())
            ops.last().acknowledged = true;
        else if (parts.size() >= 2 && parts[0].size() == 1 && QByteArray("IED").contains(parts[0][0]))
            ops.append({parts[0][0], parts[1].toInt(), parts.value(2).toULongLong(), false});
    }
    return ops;
}

bool integrityOk(sqlite3* handle, QString* result) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(handle, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        *result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return *result == QLatin1String("ok");
}

// Whether the history is in step with the lines: each line present was
// added (or restored) once more than it was deleted, and no line that is
// gone was. Empty when it is; else what differs.
QString historyOutOfStep(sqlite3* handle) {
    sqlite3_stmt* stmt = nullptr;
    const char* sql =
        "SELECT COUNT(*) FROM (SELECT line_key FROM (SELECT line_key, SUM(CASE action WHEN "
        "'deleted' THEN -1 WHEN 'changed' THEN 0 ELSE 1 END) AS present FROM table1_history GROUP BY "
        "line_key UNION ALL SELECT key, 0 FROM Table1) GROUP BY line_key "
        "HAVING SUM(present) <> (SELECT COUNT(*) FROM Table1 WHERE key = line_key))";
    QString out;
    if (sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return QStringLiteral("history unreadable: ") + QString::fromUtf8(sqlite3_errmsg(handle));
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) != 0)
        out = QStringLiteral("history out of step with the lines of %1 keys")
                  .arg(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return out;
}

// Every line of the register, read back as the program reads it.
bool readRegister(const QString& dir, std::map<qint32, Line>* lines, QString* error) {
    Database db;
    if (!db.open(dir)) {
        *error = db.errorString();
        return false;
    }
    QString integrity;
    if (!integrityOk(db.handle(), &integrity)) {
        *error = QStringLiteral("integrity_check: ") + integrity;
        return false;
    }
    *error = historyOutOfStep(db.handle());
    if (!error->isEmpty())
        return false;
    OrderTable table(db);
    table.setErrorSink([error](const QString& message) { *error = message; });
    QVector<int> columns;
    for (int column = 0; column < OrderColumns::Count; ++column)
        columns << column;
    const bool read = table.open() && table.readLines(columns, [&](int, const QVariant* values) {
        Line line(OrderColumns::Count);
        for (int column = 0; column < OrderColumns::Count; ++column)
            line[column] = values[column];
        (*lines)[values[OrderColumns::Key].toInt()] = line;
    });
    table.close();
    return read;
}

// Compares the register with the model after one kill and brings the model up
// to date: acknowledged operations are applied, the one in flight is taken as
// the register shows it.
void check(const QString& dir, const QVector<Operation>& ops, std::map<qint32, quint64>* model,
           Totals* totals) {
    std::optional<Operation> inFlight;
    for (const Operation& op : ops) {
        if (!op.acknowledged) {
            // The worker waits for each call: only the last can be unanswered.
            if (&op != &ops.last()) {
                std::fprintf(stderr, "kill %d: journal has an unanswered operation before the last\n",
                             totals->kills);
                ++totals->failures;
            }
            inFlight = op;
            continue;
        }
        ++totals->acknowledged;
        if (op.kind == 'D')
            model->erase(op.key);
        else
            (*model)[op.key] = op.seed;
    }
    std::map<qint32, Line> stored;
    QString error;
    if (!readRegister(dir, &stored, &error)) {
        std::fprintf(stderr, "kill %d: %s\n", totals->kills, qPrintable(error));
        ++totals->failures;
        return;
    }
    const auto complain = [&](qint32 key, const QString& what, qint64* counter) {
        std::fprintf(stderr, "kill %d: line %d %s\n", totals->kills, key, qPrintable(what));
        ++*counter;
        ++totals->failures;
    };
    if (inFlight) {
        const auto it = stored.find(inFlight->key);
        QString ignored;
        const bool newState =
            inFlight->kind == 'D'
                ? it == stored.end()
                : it != stored.end() && sameLine(it->second, lineFor(inFlight->seed), &ignored);
        if (newState) {
            ++totals->inFlightDone;
            if (inFlight->kind == 'D')
                model->erase(inFlight->key);
            else
                (*model)[inFlight->key] = inFlight->seed;
        } else {
            ++totals->inFlightNotDone; // then the line must be exactly as before: checked below
        }
    }
    for (const auto& [key, seed] : *model) {
        ++totals->linesChecked;
        const auto it = stored.find(key);
        if (it == stored.end()) {
            complain(key, QStringLiteral("lost"), &totals->linesLost);
            continue;
        }
        QString difference;
        if (!sameLine(it->second, lineFor(seed), &difference))
            complain(key, QStringLiteral("differs: ") + difference, &totals->wrongLines);
    }
    for (const auto& entry : stored)
        if (!model->count(entry.first))
            complain(entry.first, QStringLiteral("never stored or deleted, yet there"), &totals->strayLines);
}

int drive(const QStringList& args) {
    int kills = 30;
    double seconds = 600;
    quint64 seed = 1;
    QString dir;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--kills"))
            kills = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--seed"))
            seed = args[i + 1].toULongLong();
        else if (args[i] == QLatin1String("--dir"))
            dir = args[i + 1];
    }
    QTemporaryDir temporary;
    if (dir.isEmpty())
        dir = temporary.path();
    QString error;
    if (!Database::createEmptyFile(QDir(dir).filePath(QLatin1String(Database::FileName)), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray dirBytes = QFile::encodeName(dir);
    const QString journalPath = QDir(dir).filePath(QStringLiteral("journal.txt"));
    std::mt19937_64 rng(seed);
    std::map<qint32, quint64> model;
    Totals totals;
    QElapsedTimer clock;
    clock.start();
    for (int run = 1; run <= kills && clock.elapsed() < seconds * 1000; ++run) {
        QFile::remove(journalPath);
        const QByteArray journal = QFile::encodeName(journalPath);
        const QByteArray runText = QByteArray::number(quint64(run) + (seed << 20));
        const pid_t child = fork();
        if (child == 0) {
            execl(self.constData(), self.constData(), "work", dirBytes.constData(), journal.constData(),
                  runText.constData(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        // From the middle of start-up to a few hundred operations in.
        usleep(useconds_t(20000 + rng() % 400000));
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "run %d: the worker ended by itself (status %d)\n", run, status);
            ++totals.failures;
            break;
        }
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ++totals.kills;
        check(dir, readJournal(journalPath), &model, &totals);
        if (totals.failures > 0)
            break;
    }
    std::printf("kills %d, operations acknowledged %lld, in flight at the kill: done %d, not done %d\n"
                "lines checked %lld, lost %lld, differing %lld, never stored but present %lld, "
                "failures %d, %.1f s\n",
                totals.kills, totals.acknowledged, totals.inFlightDone, totals.inFlightNotDone,
                totals.linesChecked, totals.linesLost, totals.wrongLines, totals.strayLines, totals.failures,
                clock.elapsed() / 1000.0);
    return totals.failures == 0 && totals.kills > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("work"))
        return work(args[1], argv[3], args[3].toULongLong());
    if (!args.isEmpty() && args[0] == QLatin1String("drive"))
        return drive(args.mid(1));
    std::fprintf(stderr, "usage: crash_register drive [--kills N] [--seconds S] [--dir D] [--seed X]\n");
    return 1;
}
