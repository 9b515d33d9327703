#include "support/PrintedPages.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int ConvertMs = 180000;

QString run(const QString& program, const QStringList& arguments, QByteArray* output,
            const QString& workingDirectory = QDir::tempPath()) {
    // Not the current folder: a test's application folder may be gone already.
    // A group of its own: soffice is a script whose office process would
    // outlive a stuck run.
    QProcess p;
    p.setWorkingDirectory(workingDirectory);
    p.setChildProcessModifier([] { ::setsid(); });
    p.start(program, arguments);
    if (!p.waitForFinished(ConvertMs) && p.processId() > 0) {
        ::kill(-pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        return program + QStringLiteral(" did not finish in time");
    }
    if (p.state() != QProcess::NotRunning || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("%1 failed (exit %2): %3")
            .arg(program)
            .arg(p.exitCode())
            .arg(QString::fromLocal8Bit(p.readAllStandardError()));
    *output = p.readAllStandardOutput();
    return {};
}

QString readPdf(const QString& pdf, PrintedPages* pages) {
    QByteArray info, boxes;
    QString error = run(QStringLiteral("pdfinfo"), {pdf}, &info);
    if (error.isEmpty())
        error = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, &boxes);
    if (!error.isEmpty())
        return error;
    for (const QByteArray& line : info.split('\n'))
        if (line.startsWith("Pages:"))
            pages->pages = line.mid(6).trimmed().toInt();
    QXmlStreamReader xml(boxes);
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            const QXmlStreamAttributes a = xml.attributes();
            PrintedWord w;
            w.page = page;
            w.xMin = a.value(QLatin1String("xMin")).toDouble();
            w.yMin = a.value(QLatin1String("yMin")).toDouble();
            w.xMax = a.value(QLatin1String("xMax")).toDouble();
            w.yMax = a.value(QLatin1String("yMax")).toDouble();
            w.text = xml.readElementText();
            pages->words.append(w);
        }
    }
    return xml.hasError() ? xml.errorString() : QString();
}

} // namespace

const PrintedWord* PrintedPages::find(const QString& text) const {
    for (const PrintedWord& w : words)
        if (w.text == text)
            return &w;
    return nullptr;
}

bool libreOfficeInstalled() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

QString printWithLibreOffice(const QStringList& workbooks, const QString& outputDir,
                             QHash<QString, PrintedPages>* printed) {
    QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/soffice-profile-XXXXXX"));
    QByteArray ignored;
    QStringList arguments{QStringLiteral("-env:UserInstallation=") +
                              QUrl::fromLocalFile(profile.path()).toString(QUrl::FullyEncoded),
                          QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("pdf"),
                          QStringLiteral("--outdir"),
                          outputDir};
    arguments += workbooks;
    if (const QString error = run(QStringLiteral("soffice"), arguments, &ignored); !error.isEmpty())
        return error;
    for (const QString& workbook : workbooks) {
        const QString pdf =
            QDir(outputDir).filePath(QFileInfo(workbook).completeBaseName() + QStringLiteral(".pdf"));
        PrintedPages pages;
        if (const QString error = readPdf(pdf, &pages); !error.isEmpty())
            return error;
        printed->insert(workbook, pages);
    }
    return {};
}
