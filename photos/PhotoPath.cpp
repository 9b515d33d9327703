#include "photos/PhotoPath.h"

#include "data/EntryName.h"
#include "photos/CaseBlindNames.h"
#include "photos/PhotoPreview.h"

#include <QDir>
#include <QFileInfo>

namespace {

// parent/name when it exists, else an entry of parent whose name differs
// only in letter case, else parent/name. The folder is looked at only when
// the exact name is missing.
QString existingIgnoringCase(const QString& parent, const QString& name) {
    const QString exact = parent + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QString entry = CaseBlindNames::find(parent, name);
    return entry.isEmpty() ? exact : parent + QLatin1Char('/') + entry;
}

} // namespace

PhotoPath::PhotoPath(const QString& appDir, const QString& batch, const QString& photoText)
    : m_appDir(QDir::fromNativeSeparators(appDir)), m_batch(batch), m_photoText(photoText) {
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');
}

bool PhotoPath::isUsable() const {
    return EntryName::namesOneEntry(m_batch) && EntryName::namesOneEntry(fileNameOf(m_photoText));
}

QString PhotoPath::refusal() const {
    if (isUsable())
        return {};
    const QString what = EntryName::namesOneEntry(m_batch)
                             ? QStringLiteral("The photo number \"%1\" cannot name a photo file.")
                                   .arg(EntryName::visible(m_photoText))
                             : QStringLiteral("The batch \"%1\" cannot name a photo folder. %2")
                                   .arg(EntryName::visible(m_batch), EntryName::batchRule());
    return what + QStringLiteral(" No photo is shown, attached or deleted for this line.");
}

QString PhotoPath::folder() const {
    if (!isUsable())
        return {};
    QString path = existingIgnoringCase(m_appDir.chopped(1), picturesFolderName());
    // An empty batch puts the photos directly into "pictures", without the
    // doubled separator that plain concatenation would leave.
    if (!m_batch.isEmpty())
        path = existingIgnoringCase(path, m_batch);
    return QDir::toNativeSeparators(path);
}

QString PhotoPath::file() const {
    if (!isUsable())
        return {};
    const QString folder = QDir::fromNativeSeparators(this->folder());
    return QDir::toNativeSeparators(existingIgnoringCase(folder, fileNameOf(m_photoText)));
}

QString PhotoPath::fileNameOf(const QString& photoText) {
    return photoText + QStringLiteral(".jpg");
}

bool PhotoPath::isPhotoFileName(const QString& fileName, QString* number) {
    const QString suffix = fileNameOf(QString());
    if (!fileName.endsWith(suffix, Qt::CaseInsensitive))
        return false;
    *number = fileName.chopped(suffix.size());
    return true;
}
