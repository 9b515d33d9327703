#include "support/OtherClient.h"

#include "data/Engine.h"
#include "support/TempAppDir.h"

#include <QtGlobal>

OtherClient::OtherClient(const TempAppDir& dir)
{
    if (!m_db.open(dir.path()))
        qFatal("other client: %s", qPrintable(m_db.errorString()));
}

bool OtherClient::run(const QString& sql, const QVariantList& parameters, bool mayFail)
{
    m_error.clear();
    if (m_db.engine()->execute(sql, parameters, nullptr, &m_error))
        return true;
    if (!mayFail)
        qFatal("other client: %s: %s", qPrintable(sql), qPrintable(m_error));
    return false;
}

qint64 OtherClient::number(const QString& sql, const QVariantList& parameters)
{
    qint64 value = -1;
    m_error.clear();
    m_db.engine()->query(sql, parameters, [&](const EngineRow& row) {
        value = row.isNull(0) ? -1 : row.integer(0);
        return false;
    }, &m_error);
    return value;
}

QString OtherClient::text(const QString& sql, const QVariantList& parameters)
{
    QString value;
    m_error.clear();
    m_db.engine()->query(sql, parameters, [&](const EngineRow& row) {
        if (!row.isNull(0))
            value = QString::fromUtf8(row.text(0).data(), qsizetype(row.text(0).size()));
        return false;
    }, &m_error);
    return value;
}
