#include "export/ExportQuery.h"

namespace ExportQuery {

QString fieldList()
{
    return QStringLiteral("dostavcik, artikul, sastav, cvet, razmeri, pokupnacena, paracbr, obsto");
}

QString text(bool filtered, const QString& filterText, const QString& sortText)
{
    const QString head = QStringLiteral("SELECT ") + fieldList() + QStringLiteral(" INTO Orders ");
    if (filtered)
        return head + QStringLiteral("IN \"Orders.xls\" \"Excel 8.0;\" FROM Table1 ") + QStringLiteral("WHERE ") +
               filterText + QStringLiteral(" ORDER BY ") + sortText;
    return head + QStringLiteral("IN \"Orders.xls\" \"Excel 8.0;\" FROM Table1") + QStringLiteral(" ORDER BY ") +
           sortText;
}

} // namespace ExportQuery
