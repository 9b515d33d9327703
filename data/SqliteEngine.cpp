#include "data/SqliteEngine.h"

#include "data/FieldCodec.h"
#include "data/FileSync.h"
#include "data/LineHistorySchema.h"
#include "data/OrderColumns.h"

#include <QDir>
#include <QStringList>
#include <chrono>
#include <limits>
#include <sqlite3.h>
#include <string>
#include <thread>

namespace {

class SqliteRow : public EngineRow {
  public:
    explicit SqliteRow(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    bool isNull(int i) const override { return sqlite3_column_type(m_stmt, i) == SQLITE_NULL; }
    qint64 integer(int i) const override { return sqlite3_column_int64(m_stmt, i); }
    std::string_view text(int i) const override {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
        return {bytes ? bytes : "", size_t(sqlite3_column_bytes(m_stmt, i))};
    }
    int count() const override { return sqlite3_column_count(m_stmt); }

  private:
    sqlite3_stmt* m_stmt;
};

// Kept statements beyond this many are dropped all at once; the table uses
// fewer than twenty distinct texts.
constexpr int MaxPrepared = 64;

// The engine's own busy timeout sleeps longer and longer between tries, up
// to 100 ms. A program storing line after line holds the write lock for most
// of that time (each commit waits for the disk), so a waiter that looks ten
// times a second can miss every short gap between its transactions and give
// up with "database is locked" though the lock was free again and again.
// Trying every millisecond meets those gaps.
int retryWhileBusy(void*, int tries) {
    using Clock = std::chrono::steady_clock;
    // A connection waits on the thread running its statement; one wait at a
    // time per thread.
    thread_local Clock::time_point start;
    const Clock::time_point now = Clock::now();
    if (tries == 0)
        start = now;
    if (now - start >= std::chrono::milliseconds(SqliteEngine::BusyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

// Appends text (UTF-8) with letter case folded, byte by byte for ASCII and
// the Russian and Bulgarian letters (U+0400 to U+045F), which is what a
// register holds; false, with nothing appended, for any other letter.
bool appendFoldedQuickly(std::string& out, const char* text, int size) {
    const size_t start = out.size();
    for (int at = 0; at < size; ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            out += char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            continue;
        }
        const auto next = at + 1 < size ? static_cast<unsigned char>(text[at + 1]) : 0;
        if (c == 0xD0 && next >= 0x80 && next <= 0x8F) { // Ѐ..Џ -> ѐ..џ
            out += char(0xD1);
            out += char(next + 0x10);
        } else if (c == 0xD0 && next >= 0x90 && next <= 0x9F) { // А..П -> а..п
            out += char(0xD0);
            out += char(next + 0x20);
        } else if (c == 0xD0 && next >= 0xA0 && next <= 0xAF) { // Р..Я -> р..я
            out += char(0xD1);
            out += char(next - 0x20);
        } else if ((c == 0xD0 && next >= 0xB0 && next <= 0xBF) ||
                   (c == 0xD1 && next >= 0x80 && next <= 0x9F)) {
            out += char(c); // а..я, ѐ..џ
            out += char(next);
        } else {
            out.resize(start);
            return false;
        }
        ++at;
    }
    return true;
}

// fold_case(a, b, ...): the texts of its arguments (null ones left out)
// joined by line breaks, with letter case folded as QString folds it, for
// Latin and Cyrillic alike; the engine's own lower() folds only ASCII.
void foldCase(sqlite3_context* context, int count, sqlite3_value** values) {
    // Called once per line of a find over the whole register: the buffer is
    // kept from call to call.
    thread_local std::string folded;
    folded.clear();
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(values[i]) == SQLITE_NULL)
            continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
        const int size = sqlite3_value_bytes(values[i]);
        if (!folded.empty())
            folded += '\n';
        if (!appendFoldedQuickly(folded, text, size))
            folded += QString::fromUtf8(text, size).toCaseFolded().toStdString();
    }
    sqlite3_result_text64(context, folded.data(), folded.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

} // namespace

SqliteEngine::SqliteEngine(sqlite3* db) : m_db(db) {
    addFunctions(db);
    // Before the first statement is kept: a new trigger would make them all
    // compile anew. A register that cannot take them records nothing, and
    // its stores fail on their own if it cannot take those either.
    QString ignored;
    LineHistorySchema::recordOnFile(db, LineHistorySchema::desktopUser(), &ignored);
}

void SqliteEngine::addFunctions(sqlite3* db) {
    sqlite3_create_function_v2(db, "fold_case", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                               nullptr, foldCase, nullptr, nullptr, nullptr);
}

QString SqliteEngine::containsIgnoringCase(const QStringList& columns) const {
    return QStringLiteral("instr(fold_case(%1), fold_case(?)) > 0").arg(columns.join(QStringLiteral(", ")));
}

namespace {

// The affinity SQLite gives a declared column type (its rules, in their order).
QString affinity(const QString& declared) {
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return QStringLiteral("INTEGER");
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT")))
        return QStringLiteral("TEXT");
    if (type.isEmpty() || type.contains(QLatin1String("BLOB")))
        return QStringLiteral("BLOB");
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")))
        return QStringLiteral("REAL");
    return QStringLiteral("NUMERIC");
}

QString columnText(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
}

} // namespace

bool SqliteEngine::schemaFits(sqlite3* db, int version, QString* error) {
    SqliteStatement info;
    if (!info.prepare(db, QStringLiteral("PRAGMA table_info(Table1)"), error))
        return false;
    QVector<bool> found(OrderColumns::Count, false);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(info.get())) == SQLITE_ROW) {
        const int column = OrderColumns::indexOf(columnText(info.get(), 1));
        if (column < 0)
            continue;
        found[column] = true;
        const ColumnType type = OrderColumns::at(column).type;
        const bool number =
            type == ColumnType::AutoIncrement || type == ColumnType::Integer || type == ColumnType::Currency;
        const QString needed = number ? QStringLiteral("INTEGER") : QStringLiteral("TEXT");
        const QString declared = affinity(columnText(info.get(), 2));
        if (declared != needed) {
            *error = QStringLiteral("Column %1 of Table1 holds %2; this register needs %3 there.")
                         .arg(OrderColumns::name(column), declared, needed);
            return false;
        }
    }
    if (step != SQLITE_DONE) {
        *error = info.errorMessage();
        return false;
    }
    for (int column = 0; column < OrderColumns::Count; ++column)
        if (!found[column] && OrderColumns::inVersion(column, version)) {
            *error = OrderColumns::missingMessage(column);
            return false;
        }
    return true;
}

void SqliteEngine::waitWhenBusy(sqlite3* db) {
    sqlite3_busy_handler(db, retryWhileBusy, nullptr);
}

SqliteStatement* SqliteEngine::statement(const QString& sql, const EngineParameters& parameters,
                                         SqliteStatement* scratch, QString* error) {
    observe(sql, parameters);
    SqliteStatement* stmt = scratch;
    if (!parameters.isEmpty()) {
        auto& kept = m_prepared[sql];
        if (!kept) {
            if (m_prepared.size() > MaxPrepared) {
                m_prepared.clear();
                return statement(sql, parameters, scratch, error);
            }
            kept = std::make_shared<SqliteStatement>();
        }
        stmt = kept.get();
    }
    if (!stmt->isValid() && !stmt->prepare(m_db, sql, error)) {
        m_prepared.remove(sql);
        return nullptr;
    }
    for (int i = 0; i < parameters.size(); ++i) {
        if (!FieldCodec::bind(stmt->get(), i + 1, parameters[i])) {
            *error = stmt->errorMessage();
            sqlite3_reset(stmt->get());
            return nullptr;
        }
    }
    return stmt;
}

bool SqliteEngine::query(const QString& sql, const EngineParameters& parameters, const EngineVisitor& visit,
                         QString* error) {
    SqliteStatement scratch;
    SqliteStatement* stmt = statement(sql, parameters, &scratch, error);
    if (!stmt)
        return false;
    const SqliteRow row(stmt->get());
    int rc;
    while ((rc = sqlite3_step(stmt->get())) == SQLITE_ROW) {
        if (!visit(row)) {
            rc = SQLITE_DONE;
            break;
        }
    }
    if (rc != SQLITE_DONE)
        *error = stmt->errorMessage();
    // Reset at once so that no read transaction stays open between events.
    sqlite3_reset(stmt->get());
    return rc == SQLITE_DONE;
}

bool SqliteEngine::execute(const QString& sql, const EngineParameters& parameters, qint64* changed,
                           QString* error) {
    SqliteStatement scratch;
    SqliteStatement* stmt = statement(sql, parameters, &scratch, error);
    if (!stmt || !stmt->run(error))
        return false;
    if (changed)
        *changed = sqlite3_changes64(m_db);
    return true;
}

bool SqliteEngine::run(const char* sql, QString* error) {
    const QString text = QString::fromUtf8(sql);
    observe(text);
    return SqliteStatement::execute(m_db, text, error);
}

bool SqliteEngine::beginRead(QString* error) {
    return run("BEGIN", error);
}

bool SqliteEngine::beginWrite(QString* error) {
    return run("BEGIN IMMEDIATE", error);
}

bool SqliteEngine::commit(QString* error) {
    return run("COMMIT", error);
}

void SqliteEngine::rollback() {
    QString ignored;
    if (!sqlite3_get_autocommit(m_db))
        run("ROLLBACK", &ignored);
}

bool SqliteEngine::pollOthers() {
    const qint64 version = number(QStringLiteral("PRAGMA data_version"));
    const bool changed = m_dataVersion >= 0 && version != m_dataVersion;
    m_dataVersion = version;
    return changed;
}

qint64 SqliteEngine::lastKey() {
    return number(
        QStringLiteral("SELECT MAX(COALESCE((SELECT seq FROM sqlite_sequence WHERE name = 'Table1'), 0),"
                       " COALESCE((SELECT MAX(key) FROM Table1), 0))"));
}

bool SqliteEngine::nextKey(qint32* key, QString* error) {
    // Taken with the last stored line, and kept by its commit.
    if (takeHeldKey(key))
        return true;
    // The number is taken without a sync of its own: the line stored under
    // it is stored by a commit that syncs the log up to and including this
    // one, and a number lost with the power was never stored. On a register
    // without the write-ahead log (where a commit without a sync could
    // damage the file) every commit syncs.
    if (!isWal())
        return reserveKey(key, error);
    if (!run("PRAGMA synchronous=NORMAL", error))
        return false;
    const bool taken = reserveKey(key, error);
    m_keysUnsynced = m_keysUnsynced || taken;
    QString restoreError;
    if (!run("PRAGMA synchronous=FULL", &restoreError)) {
        *error = restoreError;
        return false;
    }
    return taken;
}

bool SqliteEngine::keepKeys(QString* error) {
    if (!m_keysUnsynced)
        return true;
    // The log holds the key's commit; syncing the log keeps it and all before it.
    const QString log = QString::fromUtf8(sqlite3_db_filename(m_db, "main")) + QStringLiteral("-wal");
    if (!syncFileToDisk(log)) {
        *error = QStringLiteral("%1 cannot be written to disk").arg(QDir::toNativeSeparators(log));
        return false;
    }
    m_keysUnsynced = false;
    return true;
}

bool SqliteEngine::insertTakingNextKey(const QString& sql, const EngineParameters& parameters,
                                       const EngineVisitor& visit, QString* error) {
    // One transaction, one commit and one wait for the disk, as the INSERT
    // alone; without a key the next Add takes one as before.
    if (!beginWrite(error))
        return false;
    if (!query(sql, parameters, visit, error)) {
        rollback();
        return false;
    }
    qint64 next = -1;
    QString ignored;
    moveKeySequence(&next, &ignored);
    if (!commit(error)) {
        rollback();
        return false;
    }
    holdKey(next > 0 ? qint32(next) : 0);
    return true;
}

bool SqliteEngine::moveKeySequence(qint64* next, QString* error) {
    // AUTOINCREMENT keeps the largest key ever given in sqlite_sequence (a
    // table that never had a line has no entry there yet: next stays -1).
    // Moving it on in one statement hands each program on the register its
    // own numbers.
    return query(
        QStringLiteral("UPDATE sqlite_sequence SET seq = MAX(seq, "
                       "(SELECT COALESCE(MAX(key), 0) FROM Table1)) + ? "
                       "WHERE name = 'Table1' RETURNING seq"),
        {1},
        [next](const EngineRow& row) {
            *next = row.integer(0);
            return false;
        },
        error);
}

bool SqliteEngine::reserveKeys(int count, QVector<qint32>* keys, QString* error) {
    // The caller's write transaction holds the file: no other program moves
    // the sequence meanwhile, so the numbers follow each other.
    keys->clear();
    qint64 last = -1;
    if (!query(
            QStringLiteral(
                "UPDATE sqlite_sequence SET seq = MAX(seq, (SELECT COALESCE(MAX(key), 0) FROM Table1)) + ? "
                "WHERE name = 'Table1' RETURNING seq"),
            {count},
            [&last](const EngineRow& row) {
                last = row.integer(0);
                return false;
            },
            error))
        return false;
    if (last < 0) { // the register's first keys
        const qint64 before = lastKey();
        if (before < 0) {
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return false;
        }
        last = before + count;
        if (!advanceKeySequence(qint32(last), error))
            return false;
    }
    if (last > std::numeric_limits<qint32>::max()) {
        *error = QStringLiteral("The register has no keys left for %1 lines").arg(count);
        return false;
    }
    for (qint64 key = last - count + 1; key <= last; ++key)
        *keys << qint32(key);
    return true;
}

bool SqliteEngine::reserveKey(qint32* key, QString* error) {
    qint64 next = -1;
    if (!moveKeySequence(&next, error))
        return false;
    if (next > 0) {
        *key = qint32(next);
        return true;
    }
    // The first key of the register: the entry is made in a write transaction.
    if (!beginWrite(error))
        return false;
    const qint64 last = lastKey();
    next = last + 1;
    if (last < 0)
        *error = QString::fromUtf8(sqlite3_errmsg(m_db));
    const bool done = last >= 0 && advanceKeySequence(qint32(next), error) && commit(error);
    if (!done) {
        rollback();
        return false;
    }
    *key = qint32(next);
    return true;
}

bool SqliteEngine::isWal() {
    if (m_journalMode.isEmpty()) {
        QString ignored;
        query(
            QStringLiteral("PRAGMA journal_mode"), {},
            [this](const EngineRow& row) {
                m_journalMode = QString::fromUtf8(row.text(0).data(), int(row.text(0).size())).toLower();
                return false;
            },
            &ignored);
    }
    return m_journalMode == QLatin1String("wal");
}

bool SqliteEngine::advanceKeySequence(qint32 key, QString* error) {
    qint64 changed = 0;
    if (!execute(QStringLiteral("UPDATE sqlite_sequence SET seq = MAX(seq, ?) WHERE name = 'Table1'"), {key},
                 &changed, error))
        return false;
    return changed > 0 ||
           execute(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('Table1', ?)"), {key},
                   nullptr, error);
}

QString SqliteEngine::versionExpression() const {
    // quote() writes each value as an SQL literal, its type included, so two
    // versions are equal only when every value is.
    QStringList quoted;
    for (int i = 1; i < OrderColumns::Count; ++i)
        quoted << QStringLiteral("quote(%1)").arg(OrderColumns::name(i));
    return quoted.join(QStringLiteral(" || ',' || "));
}
