#include "export/ExportQuery.h"

#include "export/ReportColumns.h"

namespace ExportQuery {

QString fieldList() {
    QStringList fields;
    for (const ReportColumns::Column& column : ReportColumns::All)
        fields << OrderColumns::name(column.field);
    return fields.join(QStringLiteral(", "));
}

QString text(bool filtered, const QString& filterText, const QString& sortText) {
    const QString head = QStringLiteral("SELECT ") + fieldList() + QStringLiteral(" INTO Orders ");
    if (filtered)
        return head + QStringLiteral("IN \"Orders.xls\" \"Excel 8.0;\" FROM Table1 ") +
               QStringLiteral("WHERE ") + filterText + QStringLiteral(" ORDER BY ") + sortText;
    return head + QStringLiteral("IN \"Orders.xls\" \"Excel 8.0;\" FROM Table1") +
           QStringLiteral(" ORDER BY ") + sortText;
}

} // namespace ExportQuery
