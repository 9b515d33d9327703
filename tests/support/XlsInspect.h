#pragma once
// The project's own check of a written workbook: tools/xls-inspect (named by
// the XLS_INSPECT environment variable that CTest sets), run with --strict.

#include <QJsonObject>
#include <QString>

// The reader's report of the workbook; empty when it failed or found problems.
QJsonObject inspectWorkbook(const QString& path);
