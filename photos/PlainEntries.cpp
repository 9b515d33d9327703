#include "photos/PlainEntries.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace PlainEntries {
namespace {

enum class Kind { Missing, File, Link, Other };

Kind kindOf(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return Kind::Missing; // or not to be looked at: the work that follows fails there on its own
    if (S_ISLNK(status.st_mode))
        return Kind::Link;
    if (S_ISREG(status.st_mode))
        return Kind::File;
    return Kind::Other;
}

QString refusalText(const QString& entry, const QString& what) {
    return QStringLiteral("\"%1\" is %2. No photo is shown, attached or deleted through it.")
        .arg(QDir::toNativeSeparators(entry), what);
}

} // namespace

bool isPlainFile(const QString& root, const QString& path, QString* refusal) {
    const auto refused = [refusal](const QString& entry, const QString& what) {
        *refusal = refusalText(entry, what);
        return false;
    };
    const QString below =
        QDir(QDir::fromNativeSeparators(root)).relativeFilePath(QDir::fromNativeSeparators(path));
    if (below.startsWith(QLatin1String("..")))
        return refused(path, QStringLiteral("outside the photo folders"));
    const QStringList names = below.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString entry = QDir::fromNativeSeparators(root);
    for (qsizetype i = 0; i < names.size(); ++i) {
        entry += QLatin1Char('/') + names.at(i);
        const bool last = i == names.size() - 1;
        const Kind kind = kindOf(entry);
        if (kind == Kind::Missing)
            return true;
        if (kind == Kind::Link)
            return refused(entry, QStringLiteral("a link, not a photo folder or file of its own"));
        // A folder's place taken by a file leads nowhere: the work fails
        // there with its own message.
        if (last && kind != Kind::File)
            return refused(entry, QStringLiteral("not a regular file"));
    }
    return true;
}

} // namespace PlainEntries
