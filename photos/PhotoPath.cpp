#include "photos/PhotoPath.h"

#include <QDir>
#include <QFileInfo>

namespace {

// parent/name when it exists, else an entry of parent whose name differs
// only in letter case, else parent/name. The folder is listed only when the
// exact name is missing.
QString existingIgnoringCase(const QString& parent, const QString& name)
{
    const QString exact = parent + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries =
        QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return parent + QLatin1Char('/') + entry;
    return exact;
}

} // namespace

PhotoPath::PhotoPath(const QString& appDir, const QString& batch, const QString& photoText)
    : m_appDir(QDir::fromNativeSeparators(appDir)), m_batch(batch), m_photoText(photoText)
{
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');
}

QString PhotoPath::folder() const
{
    QString path = existingIgnoringCase(m_appDir.chopped(1), picturesFolderName());
    // An empty batch puts the photos directly into "pictures", without the
    // doubled separator that plain concatenation would leave.
    if (!m_batch.isEmpty())
        path = existingIgnoringCase(path, m_batch);
    return QDir::toNativeSeparators(path);
}

QString PhotoPath::file() const
{
    const QString folder = QDir::fromNativeSeparators(this->folder());
    return QDir::toNativeSeparators(existingIgnoringCase(folder, m_photoText + QStringLiteral(".jpg")));
}
