// The report workbook: the export statement's text, and the report of the
// view written through the real window and read back by an independent
// reader (tools/xls-inspect, over Spreadsheet::ParseExcel and its own record
// walk, with --strict for what strict readers require).

#include "app/DBComboBox.h"
#include "export/CompoundFile.h"
#include "export/ExcelExport.h"
#include "export/ExportQuery.h"
#include "export/BiffStream.h"
#include "export/SharedStrings.h"
#include "support/WindowFixture.h"

#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtEndian>
#include <QtTest>
#include <sqlite3.h>

namespace {

// The reader's JSON for the workbook, or a failed check.
QJsonObject inspect(const QString& path, const QString& cells = QString())
{
    const QString tool = qEnvironmentVariable("XLS_INSPECT");
    QProcess p;
    QStringList args{QStringLiteral("--strict"), QStringLiteral("--compact")};
    if (!cells.isEmpty())
        args << QStringLiteral("--cells=") + cells;
    p.start(tool, args << path);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        qWarning("xls-inspect did not run: %s", qPrintable(tool));
        return {};
    }
    if (p.exitCode() != 0)
        qWarning("xls-inspect exit %d: %s %s", p.exitCode(), p.readAllStandardError().constData(),
                 p.readAllStandardOutput().left(4000).constData());
    return p.exitCode() == 0 ? QJsonDocument::fromJson(p.readAllStandardOutput()).object() : QJsonObject();
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void smoke();
};

void ExportTest::smoke()
{
    WindowFixture f;
    f.insertLine({{"dostavcik", "Зара"}, {"artikul", "coat \"Lux\""}, {"pokupnacena", 125000}, {"paracbr", 3}, {"obsto", 375000}});
    f.insertLine({{"dostavcik", "Ann's"}, {"artikul", "apple"}, {"pokupnacena", 5}, {"paracbr", 2}, {"obsto", 10}});
    TForm1& form = f.open();
    WindowFixture::click(form.Button3);
    qDebug() << f.dialogs.shown << f.dialogs.opened;
    QFile::copy(f.dir.filePath("Orders.xls"), "/tmp/exp_smoke.xls");
    const QJsonObject o = inspect(f.dir.filePath("Orders.xls"));
    qDebug().noquote() << QJsonDocument(o).toJson().left(3000);
}

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
