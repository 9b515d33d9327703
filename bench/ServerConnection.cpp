#include "bench/ServerConnection.h"

#include "bench/RegisterGenerator.h"
#include "data/Database.h"
#include "data/OrderColumns.h"

#include <QStringList>
#include <libpq-fe.h>

namespace {

struct Result {
    PGresult* result;
    ~Result() { PQclear(result); }
};

// The values of one stored line as the server takes them (text), in column order.
std::vector<QByteArray> lineValues() {
    std::vector<QByteArray> values;
    for (int column = 1; column < OrderColumns::Count; ++column) {
        const ColumnType type = OrderColumns::at(column).type;
        values.push_back(type == ColumnType::Text || type == ColumnType::Memo ? QByteArray("")
                         : type == ColumnType::Date                           ? QByteArray()
                                                                              : QByteArray("0"));
    }
    values[OrderColumns::Dostavcik - 1] = RegisterGenerator::filterSupplier().toUtf8();
    values[OrderColumns::Artikul - 1] = RegisterGenerator::articles().first().toUtf8();
    values[OrderColumns::Batch - 1] = RegisterGenerator::batches().last().toUtf8();
    values[OrderColumns::Paracbr - 1] = "12";
    values[OrderColumns::Polucbr - 1] = "12";
    values[OrderColumns::Pokupnacena - 1] = "125000";
    values[OrderColumns::Obsto - 1] = "1500000";
    values[OrderColumns::Date - 1] = "2023-07-10";
    return values;
}

} // namespace

ServerConnection::~ServerConnection() {
    PQfinish(m_conn);
}

bool ServerConnection::open(const QString& folder) {
    const QString setting = Database::serverSetting(folder, &m_error);
    if (setting.isEmpty()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 has no db1.conninfo").arg(folder);
        return false;
    }
    m_conn = PQconnectdb(setting.toUtf8().constData());
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail();
    PQsetClientEncoding(m_conn, "UTF8");
    return true;
}

bool ServerConnection::fail() {
    m_error = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    return false;
}

qint64 ServerConnection::rows(const QByteArray& sql) {
    Result held{PQexecParams(m_conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)};
    const ExecStatusType status = PQresultStatus(held.result);
    if (status == PGRES_COMMAND_OK)
        return 0;
    if (status != PGRES_TUPLES_OK) {
        fail();
        return -1;
    }
    return PQntuples(held.result);
}

bool ServerConnection::keys(const QByteArray& sql, std::vector<qint32>* out) {
    out->clear();
    Result held{PQexecParams(m_conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)};
    if (PQresultStatus(held.result) != PGRES_TUPLES_OK)
        return fail();
    const int count = PQntuples(held.result);
    out->reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        out->push_back(qint32(std::strtol(PQgetvalue(held.result, i, 0), nullptr, 10)));
    return true;
}

qint64 ServerConnection::scalar(const QByteArray& sql, qint64 fallback) {
    Result held{PQexec(m_conn, sql.constData())};
    if (PQresultStatus(held.result) != PGRES_TUPLES_OK || PQntuples(held.result) < 1 ||
        PQgetisnull(held.result, 0, 0))
        return fallback;
    return std::strtoll(PQgetvalue(held.result, 0, 0), nullptr, 10);
}

bool ServerConnection::prepareInsert() {
    if (m_insertPrepared)
        return true;
    QStringList names, marks;
    for (int column = 1; column < OrderColumns::Count; ++column) {
        names << OrderColumns::name(column);
        marks << QStringLiteral("$%1").arg(column);
    }
    const QByteArray sql =
        ("INSERT INTO Table1 (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")").toUtf8();
    Result held{PQprepare(m_conn, "reference_insert", sql.constData(), OrderColumns::Count - 1, nullptr)};
    m_insertPrepared = PQresultStatus(held.result) == PGRES_COMMAND_OK;
    return m_insertPrepared || fail();
}

bool ServerConnection::insertLine(const QByteArray& supplier) {
    static const std::vector<QByteArray> values = lineValues();
    std::vector<const char*> pointers;
    for (const QByteArray& value : values)
        pointers.push_back(value.isNull() ? nullptr : value.constData());
    if (!supplier.isEmpty())
        pointers[OrderColumns::Dostavcik - 1] = supplier.constData();
    Result held{PQexecPrepared(m_conn, "reference_insert", int(pointers.size()), pointers.data(), nullptr,
                               nullptr, 0)};
    return PQresultStatus(held.result) == PGRES_COMMAND_OK || fail();
}
