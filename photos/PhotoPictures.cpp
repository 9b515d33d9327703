#include "photos/PhotoPictures.h"

#include "photos/JpegDecoder.h"

#include <QFile>
#include <mutex>

// The resources are compiled into the static library; their registration is
// only linked in when something names it.
static void registerResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(photos); });
}

// The built-in pictures never change, so each is decoded once; users' photos
// are read afresh on every showing.
QPixmap PhotoPictures::noPhoto() {
    static const QImage picture = load(QStringLiteral(":/photos/resources/NoPhoto.jpg"), 185);
    return QPixmap::fromImage(picture);
}

QPixmap PhotoPictures::photoDisabled() {
    static const QImage picture = load(QStringLiteral(":/photos/resources/PhotoDisabled.jpg"), 185);
    return QPixmap::fromImage(picture);
}

QPixmap PhotoPictures::flag() {
    return QPixmap::fromImage(load(QStringLiteral(":/photos/resources/Flag.jpg"), 18));
}

QImage PhotoPictures::load(const QString& resource, int height) {
    registerResources();
    QFile file(resource);
    JpegDecoder decoder;
    if (!file.open(QIODevice::ReadOnly) || !decoder.decodeData(file.readAll(), height))
        return QImage();
    return decoder.picture();
}
