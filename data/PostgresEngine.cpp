#include "data/PostgresEngine.h"

#include "data/Currency.h"
#include "data/LineHistorySchema.h"
#include "data/OrderColumns.h"
#include "data/RegisterVersion.h"
#include "data/ServerWait.h"

#include <QDate>
#include <cerrno>
#include <charconv>
#include <libpq-fe.h>
#include <poll.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

class PostgresRow : public EngineRow {
  public:
    PostgresRow(PGresult* result, int row) : m_result(result), m_row(row) {}
    bool isNull(int i) const override { return PQgetisnull(m_result, m_row, i); }
    qint64 integer(int i) const override {
        const std::string_view digits = text(i);
        qint64 value = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return value;
    }
    std::string_view text(int i) const override {
        return {PQgetvalue(m_result, m_row, i), size_t(PQgetlength(m_result, m_row, i))};
    }
    int count() const override { return PQnfields(m_result); }

  private:
    PGresult* m_result;
    int m_row;
};

struct ResultHolder {
    PGresult* result;
    ~ResultHolder() { PQclear(result); }
};

// The statement with each ? outside quotes numbered as the server wants it.
QByteArray numberedParameters(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 16);
    QChar quote;
    int n = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

// A value in the server's text form; a null QByteArray for null.
QByteArray parameterText(const QVariant& value) {
    if (!value.isValid())
        return {};
    if (value.metaType() == QMetaType::fromType<Currency>())
        return QByteArray::number(value.value<Currency>().units());
    if (value.metaType() == QMetaType::fromType<QDate>()) // an unreadable date of a moved file is no date
        return value.toDate().isValid() ? value.toDate().toString(Qt::ISODate).toLatin1() : QByteArray();
    const QByteArray text = value.toString().toUtf8();
    // An empty text is a text: a null QByteArray would go to the server as null.
    return text.isNull() ? QByteArray("") : text;
}

QString firstLine(const char* text) {
    QString line = QString::fromUtf8(text).trimmed().section(u'\n', 0, 0).trimmed();
    // The server's severity word says nothing to a clerk.
    for (const char* severity : {"FATAL:", "ERROR:"})
        if (line.startsWith(QLatin1String(severity)))
            line = line.mid(int(qstrlen(severity))).trimmed();
    return line;
}

// libpq's account of a failed connection, whose later lines say what to
// check ("Is the server running ...?"), as one line.
QString connectionFailure(const PGconn* conn) {
    QString text;
    for (const QString& line : QString::fromUtf8(PQerrorMessage(conn)).split(u'\n', Qt::SkipEmptyParts)) {
        if (!text.isEmpty())
            text += QLatin1String(text.endsWith(u'.') || text.endsWith(u'?') ? " " : ". ");
        text += line.trimmed();
    }
    return text;
}

// The name of the database a connection string means, for CREATE DATABASE.
QByteArray databaseName(const QByteArray& connectionString) {
    QByteArray name;
    if (PQconninfoOption* options = PQconninfoParse(connectionString.constData(), nullptr)) {
        for (PQconninfoOption* option = options; option->keyword; ++option) {
            if (qstrcmp(option->keyword, "dbname") == 0 && option->val)
                name = option->val;
            if (qstrcmp(option->keyword, "user") == 0 && option->val && name.isEmpty())
                name = option->val; // libpq's own default: the user's name
        }
        PQconninfoFree(options);
    }
    return name;
}

PGconn* connectTo(const QByteArray& connectionString, const char* overrideDatabase, bool start = false) {
    // A server that does not answer must not hold the window for ever; a
    // timeout in the connection string counts over this one. A server that
    // vanished (power or network lost) is noticed by TCP keepalives within
    // 10 + 3 x 5 = 25 s, not after TCP's own quarter of an hour.
    const char* keywords[] = {"connect_timeout",
                              "keepalives",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              "dbname",
                              overrideDatabase ? "dbname" : nullptr,
                              nullptr};
    const char* values[] = {"10",   "1", "10", "5", "3", connectionString.constData(), overrideDatabase,
                            nullptr};
    return start ? PQconnectStartParams(keywords, values, 1) : PQconnectdbParams(keywords, values, 1);
}

// The connection's connect_timeout in milliseconds: the non-blocking connect
// keeps it by itself.
qint64 connectTimeoutMs(PGconn* conn) {
    qint64 seconds = 0;
    if (PQconninfoOption* options = PQconninfo(conn)) {
        for (PQconninfoOption* option = options; option->keyword; ++option) {
            if (qstrcmp(option->keyword, "connect_timeout") == 0 && option->val)
                seconds = QByteArray(option->val).toLongLong();
        }
        PQconninfoFree(options);
    }
    return seconds > 0 ? qMax<qint64>(seconds, 2) * 1000 : -1;
}

void ignoreNotice(void*, const char*) {}

// The channel the register's trigger notifies on; the payload names the
// schema of the Table1 that changed (one database may hold several registers).
constexpr const char* ChangeChannel = "table1_changed";
// The first key of the advisory lock that register_server move holds on a
// Table1 (the second is the table's oid); any number no other program uses.
constexpr int MoveLockClass = 1263563586;
constexpr const char* InsufficientPrivilege = "42501";

// How often a waiting statement asks whether to go on waiting.
constexpr int AskEveryMs = 50;
// After a give-up, how long the server has to answer the cancel before the
// connection is dropped (a network that swallows everything).
constexpr qint64 CancelAnswerMs = 2000;

// The server answered not even the cancel: whether the statement was done
// is unknown, as when a connection breaks.
const QString Dropped =
    QStringLiteral("The register's server did not answer, so the connection to it was dropped. "
                   "Your entries are kept; the next step connects again.");
const QString GaveUp =
    QStringLiteral("The step was given up before the register's server answered; nothing of it "
                   "was stored. Your entries are kept.");

} // namespace

PostgresEngine::~PostgresEngine() {
    PQfinish(m_conn);
}

bool PostgresEngine::connect(const QString& connectionString, QString* error) {
    PQfinish(m_conn);
    m_connectionString = connectionString.toUtf8();
    QString stopped;
    m_conn = connectWaiting(&stopped);
    m_prepared.clear();
    if (PQstatus(m_conn) != CONNECTION_OK) {
        *error = stopped.isEmpty() ? connectionFailure(m_conn) : stopped;
        PQfinish(m_conn);
        m_conn = nullptr;
        return false;
    }
    return configure(error);
}

PGconn* PostgresEngine::connectWaiting(QString* stopped) {
    if (!m_wait)
        return connectTo(m_connectionString, nullptr);
    // Step by step, so that a server that accepts and never answers neither
    // hides nor freezes the window: it asks the wait as a statement does.
    PGconn* conn = connectTo(m_connectionString, nullptr, true);
    if (!conn || PQstatus(conn) == CONNECTION_BAD)
        return conn;
    const qint64 timeoutMs = connectTimeoutMs(conn);
    QElapsedTimer clock;
    clock.start();
    bool asked = false;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
        pollfd socket{PQsocket(conn), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = poll(&socket, 1, AskEveryMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready != 0) {
            state = PQconnectPoll(conn);
            continue;
        }
        asked = true;
        const bool timedOut = timeoutMs > 0 && clock.elapsed() >= timeoutMs;
        if (timedOut || !m_wait->keepWaiting(clock.elapsed())) {
            *stopped =
                timedOut
                    ? QStringLiteral("The register's server did not answer within %1 s (connect_timeout).")
                          .arg(timeoutMs / 1000)
                    : QStringLiteral("Connecting to the register's server was given up.");
            PQfinish(conn);
            conn = nullptr;
            break;
        }
    }
    if (asked)
        m_wait->finished();
    return conn;
}

bool PostgresEngine::configure(QString* error) {
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    // Dates travel as YYYY-MM-DD and texts as UTF-8 whatever the server's
    // or the clerk's settings are. A line another clerk holds locked is
    // waited for as long as the embedded file waits for its lock, then the
    // step fails with the server's message instead of hanging the window.
    return command("SET DateStyle = ISO", error) && command("SET lock_timeout = '5s'", error) &&
           PQsetClientEncoding(m_conn, "UTF8") == 0 && (!m_watching || listen(error));
}

bool PostgresEngine::listen(QString* error) {
    if (!command((QByteArray("LISTEN ") + ChangeChannel).constData(), error) ||
        !query(
            QStringLiteral("SELECT current_schema(), EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = "
                           "'table1'::regclass AND tgname = 'table1_changed')::int"),
            {},
            [&](const EngineRow& row) {
                m_schema = QByteArray(row.text(0).data(), qsizetype(row.text(0).size()));
                m_signalled = row.integer(1) != 0;
                return false;
            },
            error))
        return false;
    return true;
}

bool PostgresEngine::pollOthers() {
    if (m_busy || !m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return false;
    QString ignored;
    if (!m_watching) {
        // Until the server listens, no notice can say that nothing changed.
        m_watching = listen(&ignored);
        return false;
    }
    PQconsumeInput(m_conn);
    // What others did while there was no session went unannounced.
    bool changed = std::exchange(m_reconnected, false);
    while (PGnotify* note = PQnotifies(m_conn)) {
        changed = changed || (note->be_pid != PQbackendPID(m_conn) && m_schema == note->extra);
        PQfreemem(note);
    }
    return changed;
}

bool PostgresEngine::ensureConnected(QString* error) {
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        return true;
    if (m_connectionString.isEmpty()) {
        *error = QStringLiteral("The register's server is not connected");
        return false;
    }
    if (m_inTransaction) {
        *error = QStringLiteral("The connection to the register's server was lost in the middle of a step");
        return false;
    }
    // A server that is gone would otherwise be tried again by every line the
    // grid paints, each try waiting up to the connection timeout.
    if (m_failedReconnect.isValid() && m_failedReconnect.elapsed() < ReconnectPauseMs) {
        m_lost = true;
        *error = m_reconnectError;
        return false;
    }
    // A new session knows none of the old one's prepared statements.
    m_prepared.clear();
    if (m_conn)
        PQreset(m_conn);
    else
        m_conn = connectTo(m_connectionString, nullptr);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_lost = true;
        m_reconnectError = unreachableMessage(connectionFailure(m_conn)) +
                           QStringLiteral(" Your entries are kept; try again when the server is back.");
        *error = m_reconnectError;
        m_failedReconnect.start();
        return false;
    }
    m_failedReconnect.invalidate();
    m_reconnected = true;
    return configure(error);
}

QString PostgresEngine::unreachableMessage(const QString& detail) {
    return QStringLiteral("The register's server cannot be reached (%1).").arg(detail);
}

QString PostgresEngine::failure(PGresult* result) {
    if (m_gaveUp)
        return GaveUp;
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        m_lost = true;
        m_prepared.clear();
        return QStringLiteral("The connection to the register's server was lost (%1). Your entries are kept; "
                              "the next step connects again.")
            .arg(firstLine(PQerrorMessage(m_conn)));
    }
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    return firstLine(primary ? primary : PQerrorMessage(m_conn));
}

PGresult* PostgresEngine::run(const QString& sql, const EngineParameters& parameters, QString* error) {
    m_lost = false;
    if (!ensureConnected(error))
        return nullptr;
    observe(sql, parameters);
    std::vector<QByteArray> texts;
    std::vector<const char*> values;
    texts.reserve(size_t(parameters.size()));
    for (const QVariant& parameter : parameters) {
        texts.push_back(parameterText(parameter));
        values.push_back(texts.back().isNull() ? nullptr : texts.back().constData());
    }
    PGresult* result = nullptr;
    if (parameters.isEmpty()) {
        // Through the extended protocol, which takes exactly one statement:
        // a second one smuggled in through a filter text is refused.
        const QByteArray text = numberedParameters(sql);
        result = exchange(
            [&] {
                return PQsendQueryParams(m_conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
            },
            error);
    } else {
        auto name = m_prepared.constFind(sql);
        if (name == m_prepared.constEnd()) {
            const QByteArray newName = "orders_" + QByteArray::number(m_prepared.size() + 1);
            const QByteArray text = numberedParameters(sql);
            ResultHolder prepared{exchange(
                [&] {
                    return PQsendPrepare(m_conn, newName.constData(), text.constData(), int(values.size()),
                                         nullptr);
                },
                error)};
            if (!prepared.result)
                return nullptr;
            // Given up while the server prepared it: the statement is not sent.
            if (m_gaveUp) {
                *error = GaveUp;
                return nullptr;
            }
            if (PQresultStatus(prepared.result) != PGRES_COMMAND_OK) {
                *error = failure(prepared.result);
                return nullptr;
            }
            name = m_prepared.insert(sql, newName);
        }
        result = exchange(
            [&] {
                return PQsendQueryPrepared(m_conn, name->constData(), int(values.size()), values.data(),
                                           nullptr, nullptr, 0);
            },
            error);
    }
    if (!result)
        return nullptr;
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
        return result;
    *error = failure(result);
    PQclear(result);
    return nullptr;
}

bool PostgresEngine::query(const QString& sql, const EngineParameters& parameters, const EngineVisitor& visit,
                           QString* error) {
    ResultHolder held{run(sql, parameters, error)};
    if (!held.result)
        return false;
    const int rows = PQntuples(held.result);
    for (int i = 0; i < rows; ++i)
        if (!visit(PostgresRow(held.result, i)))
            break;
    return true;
}

bool PostgresEngine::execute(const QString& sql, const EngineParameters& parameters, qint64* changed,
                             QString* error) {
    ResultHolder held{run(sql, parameters, error)};
    if (!held.result)
        return false;
    if (changed)
        *changed = QByteArray(PQcmdTuples(held.result)).toLongLong();
    return true;
}

PGresult* PostgresEngine::exchange(const std::function<int()>& send, QString* error) {
    if (m_busy) {
        *error = QStringLiteral("The register's server has not answered the step before yet");
        return nullptr;
    }
    m_gaveUp = false;
    // Not blocking while it sends, so that the window goes on answering.
    PQsetnonblocking(m_conn, 1);
    const bool sent = send() && flushAsking();
    if (m_conn)
        PQsetnonblocking(m_conn, 0);
    if (!sent) {
        *error = m_conn || m_gaveUp ? failure(nullptr) : Dropped;
        return nullptr;
    }
    m_busy = true;
    awaitAnswer();
    PGresult* result = nullptr;
    while (PGresult* next = m_conn ? PQgetResult(m_conn) : nullptr) {
        // A statement's failure is what the step reports, not what followed it.
        if (result && PQresultStatus(result) == PGRES_FATAL_ERROR) {
            PQclear(next);
        } else {
            PQclear(result);
            result = next;
        }
    }
    m_busy = false;
    // An answer that came after the clerk gave up, within the time the cancel
    // had, is not taken where nothing of it is kept yet: inside a transaction
    // the step fails as given up, and its caller's rollback undoes it.
    if (result && m_gaveUp && PQtransactionStatus(m_conn) == PQTRANS_INTRANS) {
        PQclear(result);
        result = nullptr;
    }
    if (!result)
        *error = m_conn ? failure(nullptr) : Dropped;
    return result;
}

void PostgresEngine::awaitAnswer() {
    QElapsedTimer clock;
    clock.start();
    qint64 gaveUpAt = -1;
    bool asked = false;
    while (PQisBusy(m_conn)) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        int timeout = m_wait ? AskEveryMs : -1;
        if (gaveUpAt >= 0)
            timeout = int(qBound<qint64>(0, gaveUpAt + CancelAnswerMs - clock.elapsed(), qint64(AskEveryMs)));
        const int ready = poll(&socket, 1, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready != 0) {
            if (!PQconsumeInput(m_conn))
                break; // the connection broke: the result says so
            continue;
        }
        if (gaveUpAt >= 0 && clock.elapsed() < gaveUpAt + CancelAnswerMs) {
            m_wait->keepWaiting(clock.elapsed()); // the window goes on answering meanwhile
            continue;
        }
        if (gaveUpAt >= 0) {
            // Not even the cancel was answered: the session is dropped, and
            // the next step connects again.
            PQfinish(m_conn);
            m_conn = nullptr;
            m_prepared.clear();
            m_lost = true;
            break;
        }
        asked = true;
        if (!m_wait->keepWaiting(clock.elapsed())) {
            m_gaveUp = true;
            gaveUpAt = clock.elapsed();
            cancelRunning();
        }
    }
    if (asked)
        m_wait->finished();
}

bool PostgresEngine::flushAsking() {
    QElapsedTimer clock;
    clock.start();
    bool asked = false;
    int state = 0;
    while ((state = PQflush(m_conn)) == 1) {
        pollfd socket{PQsocket(m_conn), POLLIN | POLLOUT, 0};
        const int ready = poll(&socket, 1, m_wait ? AskEveryMs : -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0) {
            if ((socket.revents & POLLIN) && !PQconsumeInput(m_conn))
                break;
            continue;
        }
        asked = true;
        if (!m_wait->keepWaiting(clock.elapsed())) {
            PQfinish(m_conn);
            m_conn = nullptr;
            m_prepared.clear();
            m_lost = true;
            m_gaveUp = true;
            break;
        }
    }
    if (asked)
        m_wait->finished();
    return m_conn && state == 0;
}

void PostgresEngine::cancelRunning() {
    // The cancel request connects to the server and waits for it to close
    // the connection, with no time limit: on a server's machine that hangs it
    // would hold the window for as long. It is sent from a thread of its own,
    // which ends when the server answers (or the program does); the cancel
    // object holds all it needs, so the session may be dropped meanwhile.
    if (PGcancel* cancel = PQgetCancel(m_conn)) {
        std::thread([cancel] {
            char message[256];
            PQcancel(cancel, message, int(sizeof message));
            PQfreeCancel(cancel);
        }).detach();
    }
}

bool PostgresEngine::command(const char* sql, QString* error) {
    observe(QString::fromUtf8(sql));
    ResultHolder held{exchange([&] { return PQsendQuery(m_conn, sql); }, error)};
    if (!held.result)
        return false;
    if (PQresultStatus(held.result) == PGRES_COMMAND_OK)
        return true;
    *error = failure(held.result);
    return false;
}

bool PostgresEngine::begin(const char* sql, QString* error) {
    m_lost = false;
    if (!ensureConnected(error))
        return false;
    if (!command(sql, error)) {
        rollback(); // a BEGIN answered after a give-up leaves one open
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool PostgresEngine::beginRead(QString* error) {
    return begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", error);
}

bool PostgresEngine::beginWrite(QString* error) {
    return begin("BEGIN", error);
}

bool PostgresEngine::commit(QString* error) {
    m_inTransaction = false;
    return command("COMMIT", error);
}

void PostgresEngine::rollback() {
    m_inTransaction = false;
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        QString ignored;
        command("ROLLBACK", &ignored);
    }
}

bool PostgresEngine::insertTakingNextKey(const QString& sql, const EngineParameters& parameters,
                                         const EngineVisitor& visit, QString* error) {
    // The key comes back as one more column of the INSERT's answer.
    qint32 next = 0;
    const bool stored = query(
        sql + QStringLiteral(", nextval(pg_get_serial_sequence('table1', 'key'))"), parameters,
        [&](const EngineRow& row) {
            next = qint32(row.integer(row.count() - 1));
            return visit(row);
        },
        error);
    if (stored)
        holdKey(next);
    return stored;
}

bool PostgresEngine::nextKey(qint32* key, QString* error) {
    // A sequence number is never handed out twice, even by transactions
    // that roll back, so a clerk's pending line keeps its key for good. One
    // held since the last store is as good, and costs no round trip; it is
    // lost when the program ends, as a cancelled line's is.
    if (takeHeldKey(key))
        return true;
    qint64 next = 0;
    // A parameter keeps the statement prepared: it runs at every new line.
    if (!query(
            QStringLiteral("SELECT nextval(pg_get_serial_sequence(?, 'key'))"), {QStringLiteral("table1")},
            [&](const EngineRow& row) {
                next = row.integer(0);
                return false;
            },
            error))
        return false;
    *key = qint32(next);
    return true;
}

bool PostgresEngine::reserveKeys(int count, QVector<qint32>* keys, QString* error) {
    // One round trip for them all; another clerk's numbers may come between.
    keys->clear();
    return query(
        QStringLiteral(
            "SELECT nextval(pg_get_serial_sequence('table1', 'key')) FROM generate_series(1, ?::int)"),
        {count},
        [keys](const EngineRow& row) {
            *keys << qint32(row.integer(0));
            return true;
        },
        error);
}

bool PostgresEngine::advanceKeySequence(qint32 key, QString* error) {
    return query(
        QStringLiteral("SELECT setval(s, GREATEST(?::bigint, COALESCE(pg_sequence_last_value(s), 1)))"
                       " FROM (SELECT pg_get_serial_sequence('table1', 'key')::regclass AS s) AS q"),
        {key}, [](const EngineRow&) { return false; }, error);
}

qint64 PostgresEngine::lastKey() {
    return number(
        QStringLiteral("SELECT GREATEST(COALESCE(pg_sequence_last_value(pg_get_serial_sequence('table1', "
                       "'key')::regclass), 0), COALESCE((SELECT MAX(key) FROM Table1), 0))"));
}

QString PostgresEngine::versionExpression() const {
    return QStringLiteral("xmin::text");
}

QString PostgresEngine::containsIgnoringCase(const QStringList& columns) const {
    // lower() folds as the database's character type does: with a UTF-8
    // locale (C.UTF-8 included) Cyrillic as well as Latin. concat_ws leaves
    // out the null ones and writes a number as its digits.
    return QStringLiteral("strpos(lower(concat_ws(E'\\n', %1)), lower(?)) > 0")
        .arg(columns.join(QStringLiteral(", ")));
}

bool PostgresEngine::schemaFits(int version, QString* error) {
    QString problem;
    QVector<bool> found(OrderColumns::Count, false);
    const bool read = query(
        QStringLiteral("SELECT column_name::text, data_type::text,"
                       " pg_get_serial_sequence('table1', 'key') IS NOT NULL FROM information_schema.columns"
                       " WHERE table_schema = current_schema() AND table_name = 'table1'"),
        {},
        [&](const EngineRow& row) {
            // Without a sequence, every new line would be given key 0.
            if (row.text(2) != "t") {
                problem =
                    QStringLiteral("Column key of Table1 takes its numbers from no sequence, so new lines "
                                   "would get no keys of their own; this register needs key as an "
                                   "identity column.");
                return false;
            }
            const int column =
                OrderColumns::indexOf(QString::fromUtf8(row.text(0).data(), int(row.text(0).size())));
            if (column < 0)
                return true;
            found[column] = true;
            const ColumnType type = OrderColumns::at(column).type;
            const QString declared = QString::fromUtf8(row.text(1).data(), int(row.text(1).size()));
            QString needed;
            if (type == ColumnType::Date)
                needed = QStringLiteral("date");
            else if (type == ColumnType::Text || type == ColumnType::Memo)
                needed = declared == QLatin1String("character varying") ? declared : QStringLiteral("text");
            else if (type == ColumnType::Currency)
                needed = QStringLiteral("bigint");
            else
                needed = declared == QLatin1String("bigint") ? declared : QStringLiteral("integer");
            if (declared == needed)
                return true;
            problem = QStringLiteral("Column %1 of Table1 holds %2; this register needs %3 there.")
                          .arg(OrderColumns::name(column), declared, needed);
            return false;
        },
        error);
    if (!read)
        return false;
    for (int column = 0; problem.isEmpty() && column < OrderColumns::Count; ++column)
        if (!found[column] && OrderColumns::inVersion(column, version))
            problem = OrderColumns::missingMessage(column);
    if (!problem.isEmpty())
        *error = problem;
    return problem.isEmpty();
}

namespace {

QString declaration(const ColumnDef& column) {
    const QString name = QString::fromLatin1(column.name);
    switch (column.type) {
    case ColumnType::AutoIncrement:
        return name + " integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
    case ColumnType::Integer:
        return name + " integer DEFAULT 0";
    case ColumnType::Currency: // ten-thousandths, exact
        return name + " bigint DEFAULT 0";
    case ColumnType::Date:
        return name + " date";
    case ColumnType::Text: // not cut to the form's widths: moved registers may hold longer texts
    case ColumnType::Memo:
        return name + " text DEFAULT ''";
    }
    return name;
}

} // namespace

QString PostgresEngine::addColumnStatement(int index) {
    return "ALTER TABLE Table1 ADD COLUMN IF NOT EXISTS " + declaration(OrderColumns::at(index));
}

QStringList PostgresEngine::schemaStatements() {
    QStringList columns;
    for (const ColumnDef& column : OrderColumns::all())
        columns << declaration(column);
    // The server's indexes do not hold the key as the file's do (its rowid):
    // carried along, a filtered view's keys come from the index alone.
    QStringList statements{"CREATE TABLE Table1 (" + columns.join(", ") + ")"};
    for (const QString& index : OrderColumns::indexStatements())
        statements << index + " INCLUDE (key)";
    return statements;
}

QStringList PostgresEngine::changeSignalStatements() {
    // Once per statement, not per line: a copy of many lines is one notice.
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION table1_changed() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$BEGIN PERFORM pg_notify('%1', TG_TABLE_SCHEMA); RETURN NULL; END$$")
            .arg(QLatin1String(ChangeChannel)),
        QStringLiteral("CREATE TRIGGER table1_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON Table1 "
                       "FOR EACH STATEMENT EXECUTE FUNCTION table1_changed()")};
}

QString PostgresEngine::movingMessage() {
    return QStringLiteral(
        "Not done: register_server move is moving the lines of db1.mdb into this register, and "
        "nothing can be stored or deleted until it has finished. Try again then.");
}

QStringList PostgresEngine::moveGuardStatements() {
    // Every store takes the table's move lock shared for its transaction,
    // without waiting; the move holds it alone. The move's own inserts pass:
    // a session never conflicts with its own locks.
    QString message = movingMessage();
    message.replace(QLatin1String("'"), QLatin1String("''"));
    return {QStringLiteral(
                "CREATE OR REPLACE FUNCTION table1_move_guard() RETURNS trigger LANGUAGE plpgsql AS "
                "$$BEGIN IF NOT pg_try_advisory_xact_lock_shared(%1, TG_RELID::int) THEN "
                "RAISE EXCEPTION '%2' USING ERRCODE = 'lock_not_available'; END IF; RETURN NULL; END$$")
                .arg(MoveLockClass)
                .arg(message),
            QStringLiteral("DROP TRIGGER IF EXISTS table1_move_guard ON Table1"),
            QStringLiteral(
                "CREATE TRIGGER table1_move_guard BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON Table1 "
                "FOR EACH STATEMENT EXECUTE FUNCTION table1_move_guard()")};
}

bool PostgresEngine::holdOffStores(QString* error) {
    // The lines moved in are not new: the history trigger records nothing
    // for the rest of the transaction, which brings the old history itself.
    return query(
        QStringLiteral("SELECT pg_advisory_xact_lock(%1, 'table1'::regclass::oid::int), "
                       "set_config('register.moving', 'on', true)")
            .arg(MoveLockClass),
        {}, [](const EngineRow&) { return false; }, error);
}

void PostgresEngine::ensureChangeSignal() {
    if (number(QStringLiteral("SELECT COUNT(*) FROM pg_trigger WHERE tgrelid = 'table1'::regclass"
                              " AND tgname IN ('table1_changed', 'table1_move_guard')")) == 2)
        return;
    QStringList statements = changeSignalStatements();
    statements.insert(1, QStringLiteral("DROP TRIGGER IF EXISTS table1_changed ON Table1"));
    QString ignored;
    executeAll(statements + moveGuardStatements(), &ignored);
}

QString PostgresEngine::noCreatedbMessage(const QString& role, const QString& database) {
    return QStringLiteral(
               "the role \"%1\" may not create databases (it lacks CREATEDB), so the database \"%2\" "
               "was not made: have a superuser run CREATE DATABASE %2 OWNER %1, or ALTER ROLE %1 CREATEDB")
        .arg(role, database);
}

QString PostgresEngine::noCreateOnSchemaMessage(const QString& role, const QString& schema) {
    return QStringLiteral(
               "the role \"%1\" may not create tables in the schema \"%2\" (it lacks CREATE on it; "
               "since PostgreSQL 15 only the database's owner has that right on public), so Table1 was not "
               "made: have the database's owner run GRANT CREATE ON SCHEMA %2 TO %1, or make %1 the "
               "database's owner")
        .arg(role, schema);
}

bool PostgresEngine::mayCreateTables(QString* error) {
    QString role;
    QString schema;
    bool allowed = false;
    const bool read = query(
        QStringLiteral("SELECT current_user, COALESCE(current_schema(), 'public'), "
                       "COALESCE(has_schema_privilege(current_schema(), 'CREATE'), false)"),
        {},
        [&](const EngineRow& row) {
            role = QString::fromUtf8(row.text(0).data(), qsizetype(row.text(0).size()));
            schema = QString::fromUtf8(row.text(1).data(), qsizetype(row.text(1).size()));
            allowed = row.text(2) == "t";
            return false;
        },
        error);
    if (read && !allowed)
        *error = noCreateOnSchemaMessage(role, schema);
    return read && allowed;
}

bool PostgresEngine::createRegister(const QString& connectionString, bool* created, QString* error) {
    *created = false;
    const QByteArray info = connectionString.toUtf8();
    PGconn* conn = connectTo(info, nullptr);
    if (PQstatus(conn) != CONNECTION_OK) {
        // A database that is not there yet is made through the maintenance
        // database of the same server; any other failure is the answer.
        const QString firstError = connectionFailure(conn);
        const QByteArray name = databaseName(info);
        PGconn* maintenance = connectTo(info, "postgres");
        bool made = false;
        QString refusal = firstError;
        if (!name.isEmpty() && PQstatus(maintenance) == CONNECTION_OK) {
            char* quoted = PQescapeIdentifier(maintenance, name.constData(), size_t(name.size()));
            ResultHolder result{PQexec(maintenance, "CREATE DATABASE " + QByteArray(quoted) +
                                                        " ENCODING 'UTF8' TEMPLATE template0")};
            PQfreemem(quoted);
            made = PQresultStatus(result.result) == PGRES_COMMAND_OK;
            if (!made &&
                qstrcmp(PQresultErrorField(result.result, PG_DIAG_SQLSTATE), InsufficientPrivilege) == 0)
                refusal = noCreatedbMessage(QString::fromUtf8(PQuser(maintenance)), QString::fromUtf8(name));
        }
        PQfinish(maintenance);
        PQfinish(conn);
        conn = made ? connectTo(info, nullptr) : nullptr;
        if (!made || PQstatus(conn) != CONNECTION_OK) {
            *error = made ? connectionFailure(conn) : refusal;
            PQfinish(conn);
            return false;
        }
    }
    PQfinish(conn);
    PostgresEngine engine;
    if (!engine.connect(connectionString, error))
        return false;
    // Seen whatever the role's rights on it (the information schema shows
    // only the tables a role may use): one it may not use is not made again.
    if (engine.number(QStringLiteral("SELECT COUNT(*) WHERE to_regclass(quote_ident(current_schema()) || "
                                     "'.table1') IS NOT NULL")) > 0) {
        engine.ensureChangeSignal();
        return true;
    }
    if (!engine.mayCreateTables(error) ||
        !engine.executeAll(schemaStatements() + changeSignalStatements() + moveGuardStatements() +
                               RegisterVersion::serverStepStatements() +
                               RegisterVersion::serverTableStatements(),
                           error))
        return false;
    *created = true;
    return true;
}

bool PostgresEngine::settingParses(const QString& setting, QString* error) {
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(setting.toUtf8().constData(), &message);
    const bool parses = options != nullptr;
    if (!parses)
        *error = QString::fromUtf8(message ? message : "out of memory").trimmed();
    PQconninfoFree(options);
    PQfreemem(message);
    return parses;
}
