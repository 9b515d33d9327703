#include "app/AccessImport.h"

#include "data/AccessReaderProcess.h"
#include "data/Database.h"
#include "data/RegisterConversion.h"
#include "ui/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

AccessImport::SourceOpener& sourceOpener() {
    static AccessImport::SourceOpener opener;
    return opener;
}

std::unique_ptr<RowSource> openTable1(const QString& path) {
    if (sourceOpener())
        return sourceOpener()(path);
    auto reader = std::make_unique<AccessReaderProcess>();
    reader->open(path, QStringLiteral("Table1"), AccessReaderProcess::limitsFor(QFileInfo(path).size()));
    return reader;
}

QString figuresText(const RegisterFigures& figures) {
    return QStringLiteral("%1 lines, %2 pieces received, money %3")
        .arg(figures.lines)
        .arg(figures.received)
        .arg(figures.money.toString(QLocale::system()));
}

QString failureText(bool damaged, const QString& reason) {
    return damaged ? QStringLiteral("db1.mdb is damaged: %1").arg(reason)
                   : QStringLiteral("db1.mdb cannot be converted: %1").arg(reason);
}

} // namespace

void AccessImport::setSourceOpener(SourceOpener opener) {
    sourceOpener() = std::move(opener);
}

QString AccessImport::keptName(const QString& appDir) {
    const QDir dir(appDir);
    QString name = QStringLiteral("db1-access.mdb");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = QStringLiteral("db1-access-%1.mdb").arg(n);
    return name;
}

bool AccessImport::run(const QString& appDir, AccessFormat format) {
    const QString registerPath = QDir(appDir).filePath(QLatin1String(Database::FileName));
    // What an interrupted earlier run left behind is never taken for a result.
    QFile::remove(registerPath + QStringLiteral(".new"));
    const QString kept = keptName(appDir);
    if (m_dialogs.confirm(
            QStringLiteral("db1.mdb is a Microsoft Access file (%1), the register of the Windows "
                           "version.\r\nConvert it into a register of this program? The Access file "
                           "is kept as %2.")
                .arg(AccessFile::formatName(format), kept)) &&
        convert(appDir, kept))
        return true;
    return offerEmptyRegister(appDir);
}

bool AccessImport::convert(const QString& appDir, const QString& kept) {
    const QDir dir(appDir);
    const QString registerPath = dir.filePath(QLatin1String(Database::FileName));
    std::unique_ptr<RowSource> source = openTable1(registerPath);
    if (!source->errorString().isEmpty()) {
        m_dialogs.standardError(failureText(source->isDamaged(), source->errorString()));
        return false;
    }

    const QString converted = registerPath + QStringLiteral(".new");
    RegisterConversion conversion;
    RegisterConversion::Outcome outcome;
    {
        const std::unique_ptr<ProgressReport> progress = m_dialogs.progress(
            QStringLiteral("Converting the Access register..."), source->declaredRowCount());
        outcome = conversion.convert(*source, converted,
                                     [&progress](qint64 done) { return progress->update(done); });
    }
    source.reset(); // the Access file is closed (its reader ended) before it is renamed
    if (outcome == RegisterConversion::Outcome::Cancelled)
        return false;
    if (outcome == RegisterConversion::Outcome::Failed) {
        m_dialogs.standardError(failureText(conversion.sourceDamaged(), conversion.errorString()));
        return false;
    }
    if (conversion.sourceFigures() != conversion.targetFigures()) {
        QFile::remove(converted);
        m_dialogs.standardError(
            QStringLiteral("The converted register does not match the Access file (Access file: "
                           "%1; converted: %2). db1.mdb stays the Access file")
                .arg(figuresText(conversion.sourceFigures()), figuresText(conversion.targetFigures())));
        return false;
    }

    const QString keptPath = dir.filePath(kept);
    QFile access(registerPath);
    if (!access.rename(keptPath)) {
        QFile::remove(converted);
        m_dialogs.standardError(
            QStringLiteral("db1.mdb cannot be renamed to %1: %2").arg(kept, access.errorString()));
        return false;
    }
    QFile result(converted);
    if (!result.rename(registerPath)) {
        const QString reason = result.errorString();
        QFile::remove(converted);
        if (!QFile::rename(keptPath, registerPath)) {
            m_dialogs.standardError(
                QStringLiteral("The converted register cannot be renamed to db1.mdb (%1), and "
                               "the Access file cannot be renamed back: it is now %2. Rename "
                               "it to db1.mdb before the next start")
                    .arg(reason, kept));
            return false;
        }
        m_dialogs.standardError(
            QStringLiteral(
                "The converted register cannot be renamed to db1.mdb (%1). db1.mdb stays the Access file")
                .arg(reason));
        return false;
    }
    m_dialogs.information(
        QStringLiteral("The Access register was converted: %1, the same as in the Access file.\r\n"
                       "The Access file is kept as %2.")
            .arg(figuresText(conversion.targetFigures()), kept));
    return true;
}

// The way on when db1.mdb stays the Access file: without it the window would
// open on a closed table, where every action fails.
bool AccessImport::offerEmptyRegister(const QString& appDir) {
    const QDir dir(appDir);
    const QString registerPath = dir.filePath(QLatin1String(Database::FileName));
    if (!QFileInfo::exists(registerPath))
        return false; // a failed rename back has been reported with where the Access file is
    const QString kept = keptName(appDir);
    if (!m_dialogs.confirm(
            QStringLiteral("db1.mdb stays the Access file, and the program cannot work with it.\r\n"
                           "Set the Access file aside as %1 and start an empty register? (Cancel: "
                           "the program opens without a register and asks again at its next "
                           "start.)")
                .arg(kept)))
        return false;
    const QString keptPath = dir.filePath(kept);
    QFile access(registerPath);
    if (!access.rename(keptPath)) {
        m_dialogs.standardError(
            QStringLiteral("db1.mdb cannot be renamed to %1: %2").arg(kept, access.errorString()));
        return false;
    }
    QString error;
    if (!Database::createEmptyFile(registerPath, &error)) {
        QFile::rename(keptPath, registerPath);
        m_dialogs.standardError(
            QStringLiteral("An empty register cannot be made: %1. db1.mdb stays the Access file").arg(error));
        return false;
    }
    return true;
}
