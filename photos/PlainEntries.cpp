#include "photos/PlainEntries.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace PlainEntries {
namespace {

enum class Kind { Missing, File, Link, Other };

Kind kindOf(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return Kind::Missing; // or not to be looked at: the work that follows fails there on its own
    if (S_ISLNK(status.st_mode))
        return Kind::Link;
    if (S_ISREG(status.st_mode))
        return Kind::File;
    return Kind::Other;
}

QString refusal(const QString& entry, const QString& what)
{
    return QStringLiteral("\"%1\" is %2. No photo is shown, attached or deleted through it.")
        .arg(QDir::toNativeSeparators(entry), what);
}

} // namespace

QString refusalOfFile(const QString& root, const QString& path)
{
    const QString below = QDir(QDir::fromNativeSeparators(root)).relativeFilePath(QDir::fromNativeSeparators(path));
    if (below.startsWith(QLatin1String("..")))
        return refusal(path, QStringLiteral("outside the photo folders"));
    const QStringList names = below.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString entry = QDir::fromNativeSeparators(root);
    for (qsizetype i = 0; i < names.size(); ++i) {
        entry += QLatin1Char('/') + names.at(i);
        const bool last = i == names.size() - 1;
        const Kind kind = kindOf(entry);
        if (kind == Kind::Missing)
            return {};
        if (kind == Kind::Link)
            return refusal(entry, QStringLiteral("a link, not a photo folder or file of its own"));
        // A folder's place taken by a file leads nowhere: the work fails
        // there with its own message.
        if (last && kind != Kind::File)
            return refusal(entry, QStringLiteral("not a regular file"));
    }
    return {};
}

} // namespace PlainEntries
