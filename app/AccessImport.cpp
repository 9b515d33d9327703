#include "app/AccessImport.h"

#include "data/Database.h"
#include "data/RegisterConversion.h"
#include "ui/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

AccessImport::SourceOpener& sourceOpener()
{
    static AccessImport::SourceOpener opener;
    return opener;
}

std::unique_ptr<RowSource> openTable1(const QString& path, QString* error)
{
    if (sourceOpener())
        return sourceOpener()(path, error);
    auto reader = std::make_unique<AccessTableReader>();
    if (!reader->open(path, QStringLiteral("Table1"))) {
        *error = reader->errorString();
        return nullptr;
    }
    return reader;
}

QString figuresText(const RegisterFigures& figures)
{
    return QStringLiteral("%1 lines, %2 pieces received, money %3")
        .arg(figures.lines)
        .arg(figures.received)
        .arg(figures.money.toString(QLocale::system()));
}

} // namespace

void AccessImport::setSourceOpener(SourceOpener opener)
{
    sourceOpener() = std::move(opener);
}

QString AccessImport::keptName(const QString& appDir)
{
    const QDir dir(appDir);
    QString name = QStringLiteral("db1-access.mdb");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = QStringLiteral("db1-access-%1.mdb").arg(n);
    return name;
}

bool AccessImport::run(const QString& appDir, AccessFormat format)
{
    const QDir dir(appDir);
    const QString registerPath = dir.filePath(QLatin1String(Database::FileName));
    const QString kept = keptName(appDir);
    if (!m_dialogs.confirm(QStringLiteral("db1.mdb is a Microsoft Access file (%1), the register of the Windows "
                                          "version.\r\nConvert it into a register of this program? The Access file "
                                          "is kept as %2.")
                               .arg(AccessFile::formatName(format), kept)))
        return false;

    QString error;
    std::unique_ptr<RowSource> source = openTable1(registerPath, &error);
    if (!source) {
        m_dialogs.standardError(QStringLiteral("db1.mdb cannot be converted: %1").arg(error));
        return false;
    }

    const QString converted = registerPath + QStringLiteral(".new");
    RegisterConversion conversion;
    RegisterConversion::Outcome outcome;
    {
        const std::unique_ptr<ProgressReport> progress =
            m_dialogs.progress(QStringLiteral("Converting the Access register..."), source->declaredRowCount());
        outcome = conversion.convert(*source, converted,
                                     [&progress](qint64 done) { return progress->update(done); });
    }
    source.reset(); // the Access file is closed before it is renamed
    if (outcome == RegisterConversion::Outcome::Cancelled)
        return false;
    if (outcome == RegisterConversion::Outcome::Failed) {
        m_dialogs.standardError(QStringLiteral("db1.mdb cannot be converted: %1").arg(conversion.errorString()));
        return false;
    }
    if (conversion.sourceFigures() != conversion.targetFigures()) {
        QFile::remove(converted);
        m_dialogs.standardError(QStringLiteral("The converted register does not match the Access file (Access file: "
                                               "%1; converted: %2). db1.mdb stays the Access file")
                                    .arg(figuresText(conversion.sourceFigures()),
                                         figuresText(conversion.targetFigures())));
        return false;
    }

    const QString keptPath = dir.filePath(kept);
    if (!QFile::rename(registerPath, keptPath)) {
        QFile::remove(converted);
        m_dialogs.standardError(QStringLiteral("db1.mdb cannot be renamed to %1").arg(kept));
        return false;
    }
    if (!QFile::rename(converted, registerPath)) {
        QFile::rename(keptPath, registerPath);
        QFile::remove(converted);
        m_dialogs.standardError(QStringLiteral("The converted register cannot be renamed to db1.mdb"));
        return false;
    }
    m_dialogs.information(QStringLiteral("The Access register was converted: %1, the same as in the Access file.\r\n"
                                         "The Access file is kept as %2.")
                              .arg(figuresText(conversion.targetFigures()), kept));
    return true;
}
