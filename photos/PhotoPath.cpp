#include "photos/PhotoPath.h"

#include <QDir>

PhotoPath::PhotoPath(const QString& appDir, const QString& batch, const QString& photoText)
    : m_appDir(QDir::fromNativeSeparators(appDir)), m_batch(batch), m_photoText(photoText)
{
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');
}

QString PhotoPath::folder() const
{
    QString path = m_appDir + picturesFolderName();
    // An empty batch puts the photos directly into "pictures", without the
    // doubled separator that plain concatenation would leave.
    if (!m_batch.isEmpty())
        path += QLatin1Char('/') + m_batch;
    return QDir::toNativeSeparators(path);
}

QString PhotoPath::file() const
{
    return folder() + QDir::separator() + m_photoText + QStringLiteral(".jpg");
}
