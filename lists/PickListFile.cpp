#include "lists/PickListFile.h"

#include "data/ReplaceFile.h"
#include "lists/PickListText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString PickListFile::resolve(const QString& directory, const QString& fileName) {
    const QDir dir(directory);
    const QStringList names = dir.entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return dir.filePath(fileName);
}

QString PickListFile::normaliseBreaks(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

QStringList PickListFile::splitEntries(const QString& text) {
    QString normalised = normaliseBreaks(text);
    if (normalised.isEmpty())
        return {};
    if (normalised.endsWith(u'\n'))
        normalised.chop(1);
    return normalised.split(u'\n');
}

static QString fullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

PickListFile::Text PickListFile::readText(const QString& path) {
    Text result;
    const QFileInfo info(path);
    if (!info.exists())
        return result;
    result.status = Status::Error;
    const auto refuse = [&](const QString& reason) {
        result.error = QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), reason);
        return result;
    };
    // Checked before opening: opening a pipe waits for a writer, and a
    // device such as /dev/zero never ends.
    if (!info.isFile())
        return refuse(QStringLiteral("It is not a regular file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    // One byte more than allowed tells a file at the limit from a larger one,
    // also when it grows while being read.
    const QByteArray bytes = file.read(LargestFile + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(file.errorString());
    if (bytes.size() > LargestFile)
        return refuse(
            QStringLiteral("It is larger than 1 MB, more than any list holds; it is left as it is."));
    const PickListText::Decoded decoded = PickListText::decode(bytes);
    if (!decoded.problem.isEmpty())
        return refuse(decoded.problem +
                      QStringLiteral(", so the file cannot be read whole; it is left as it is."));
    result.status = Status::Ok;
    result.text = normaliseBreaks(decoded.text);
    return result;
}

PickListFile::Entries PickListFile::readEntries(const QString& path) {
    return entriesOf(readText(path));
}

PickListFile::Entries PickListFile::entriesOf(const Text& text) {
    Entries result;
    result.status = text.status;
    result.error = text.error;
    if (text.status == Status::Ok)
        result.lines = splitEntries(text.text);
    return result;
}

bool PickListFile::write(const QString& path, const QString& text, QString* error) {
    // The save file would write through a link to a device (as root: replace
    // /dev/zero itself); a list is only ever a regular file.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("Cannot create file \"%1\". It is not a regular file.").arg(fullPath(path));
        return false;
    }
    QString reason;
    if (replaceFileContents(path, text.toUtf8(), &reason))
        return true;
    *error = QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(path), reason);
    return false;
}
