#include "support/XlsInspect.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

QJsonObject inspectWorkbook(const QString& path) {
    const QString tool = QFileInfo(qEnvironmentVariable("XLS_INSPECT")).absoluteFilePath();
    QProcess p;
    p.start(tool, {QStringLiteral("--strict"), QStringLiteral("--compact"), path});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("xls-inspect %s: exit %d: %s %s", qPrintable(tool), p.exitCode(),
                 p.readAllStandardError().constData(), p.readAllStandardOutput().left(2000).constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
