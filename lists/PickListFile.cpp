#include "lists/PickListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

QString PickListFile::resolve(const QString& directory, const QString& fileName)
{
    const QDir dir(directory);
    const QStringList names = dir.entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return dir.filePath(fileName);
}

QString PickListFile::decode(const QByteArray& input)
{
    QByteArray bytes = input;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    // Line by line: one stray Windows-1251 line must not turn the UTF-8
    // entries of the same list into garbage.
    QString text;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // Every line is decoded as a text of its own: without ConvertInitialBom
        // the decoder would drop a U+FEFF that begins any line, not only the
        // file's byte-order mark removed above.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString line = utf8.decode(lines[i]);
        if (utf8.hasError()) {
            QStringDecoder cp1251("windows-1251");
            line = cp1251.decode(lines[i]);
        }
        if (i > 0)
            text += u'\n';
        text += line;
    }
    return text;
}

QString PickListFile::normaliseBreaks(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

QStringList PickListFile::splitEntries(const QString& text)
{
    QString normalised = normaliseBreaks(text);
    if (normalised.isEmpty())
        return {};
    if (normalised.endsWith(u'\n'))
        normalised.chop(1);
    return normalised.split(u'\n');
}

static QString fullPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

PickListFile::Text PickListFile::readText(const QString& path)
{
    Text result;
    if (!QFileInfo::exists(path))
        return result;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        result.status = Status::Error;
        result.error = QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), file.errorString());
        return result;
    }
    result.status = Status::Ok;
    result.text = normaliseBreaks(decode(bytes));
    return result;
}

PickListFile::Entries PickListFile::readEntries(const QString& path)
{
    const Text text = readText(path);
    Entries result;
    result.status = text.status;
    result.error = text.error;
    if (text.status == Status::Ok)
        result.lines = splitEntries(text.text);
    return result;
}

bool PickListFile::write(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    // Unbuffered: a buffered write that fails half-way (a full disk) is not
    // reported by the flush in commit(), which then puts the cut file in
    // place of the old one. A short write is retried so that the system
    // names its reason.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; written && done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        written = n > 0;
        done += n;
    }
    if (written && file.commit())
        return true;
    *error = QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(path), file.errorString());
    return false;
}
