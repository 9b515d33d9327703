#include "photos/PhotoPictures.h"

#include "photos/JpegDecoder.h"

#include <QFile>
#include <mutex>

// The resources are compiled into the static library; their registration is
// only linked in when something names it.
static void registerResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(photos); });
}

QPixmap PhotoPictures::noPhoto()
{
    return load(QStringLiteral(":/photos/resources/NoPhoto.jpg"), 185);
}

QPixmap PhotoPictures::photoDisabled()
{
    return load(QStringLiteral(":/photos/resources/PhotoDisabled.jpg"), 185);
}

QPixmap PhotoPictures::flag()
{
    return load(QStringLiteral(":/photos/resources/Flag.jpg"), 18);
}

QPixmap PhotoPictures::load(const QString& resource, int height)
{
    registerResources();
    QFile file(resource);
    JpegDecoder decoder;
    if (!file.open(QIODevice::ReadOnly) || !decoder.decodeData(file.readAll(), height))
        return QPixmap();
    return QPixmap::fromImage(decoder.picture());
}
