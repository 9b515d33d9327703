#include "support/OtherClient.h"

#include "data/Engine.h"
#include "data/OrderColumns.h"
#include "support/TempAppDir.h"

#include <QtGlobal>

OtherClient::OtherClient(const TempAppDir& dir) {
    if (!m_db.open(dir.path()))
        qFatal("other client: %s", qPrintable(m_db.errorString()));
}

bool OtherClient::run(const QString& sql, const QVariantList& parameters, bool mayFail) {
    m_error.clear();
    if (m_db.engine()->execute(sql, parameters, nullptr, &m_error))
        return true;
    if (!mayFail)
        qFatal("other client: %s: %s", qPrintable(sql), qPrintable(m_error));
    return false;
}

qint64 OtherClient::number(const QString& sql, const QVariantList& parameters) {
    qint64 value = -1;
    m_error.clear();
    m_db.engine()->query(
        sql, parameters,
        [&](const EngineRow& row) {
            value = row.isNull(0) ? -1 : row.integer(0);
            return false;
        },
        &m_error);
    return value;
}

QString OtherClient::text(const QString& sql, const QVariantList& parameters) {
    QString value;
    m_error.clear();
    m_db.engine()->query(
        sql, parameters,
        [&](const EngineRow& row) {
            if (!row.isNull(0))
                value = QString::fromUtf8(row.text(0).data(), qsizetype(row.text(0).size()));
            return false;
        },
        &m_error);
    return value;
}

QVariant OtherClient::stored(qint32 key, const QString& column) {
    const int index = OrderColumns::indexOf(column);
    if (index < 0)
        qFatal("other client: no column %s", qPrintable(column));
    const ColumnType type = OrderColumns::at(index).type;
    const bool number =
        type == ColumnType::AutoIncrement || type == ColumnType::Integer || type == ColumnType::Currency;
    QVariant value;
    m_error.clear();
    m_db.engine()->query(
        QStringLiteral("SELECT %1 FROM Table1 WHERE key = ?").arg(column), {key},
        [&](const EngineRow& row) {
            if (!row.isNull(0))
                value = number
                            ? QVariant(row.integer(0))
                            : QVariant(QString::fromUtf8(row.text(0).data(), qsizetype(row.text(0).size())));
            return false;
        },
        &m_error);
    return value;
}

void OtherClient::refuse(const QString& event, const QString& message) {
    const QString name = QStringLiteral("refuse_") + event.toLower();
    if (!m_db.isServer()) {
        run(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON Table1 BEGIN SELECT RAISE(ABORT, '%3'); END")
                .arg(name, event, message));
        return;
    }
    run(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$ BEGIN RAISE EXCEPTION '%2'; END $$")
            .arg(name, message));
    run(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON Table1 FOR EACH ROW EXECUTE FUNCTION %1()")
            .arg(name, event));
}

void OtherClient::allow(const QString& event) {
    const QString name = QStringLiteral("refuse_") + event.toLower();
    run(m_db.isServer() ? QStringLiteral("DROP TRIGGER %1 ON Table1").arg(name)
                        : QStringLiteral("DROP TRIGGER %1").arg(name));
}

void OtherClient::lock() {
    if (!m_db.isServer()) {
        run(QStringLiteral("BEGIN EXCLUSIVE"));
        return;
    }
    run(QStringLiteral("BEGIN"));
    run(QStringLiteral("LOCK TABLE Table1 IN EXCLUSIVE MODE"));
}

void OtherClient::cutOffOthers() {
    run(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = "
                       "current_setting('application_name') AND pid <> pg_backend_pid()"));
}
