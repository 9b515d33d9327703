#include "photos/PhotoPreview.h"

#include "data/ReplaceFile.h"
#include "photos/JpegDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>

#include <jpeglib.h>

namespace PhotoPreview {
namespace {

struct EncoderErrors {
    jpeg_error_mgr base; // first member: libjpeg only knows this part
    jmp_buf jump;
};

[[noreturn]] void encoderFailed(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<EncoderErrors*>(cinfo->err)->jump, 1);
}

// The RGB32 picture as a baseline JPEG. Between setjmp() and the last
// libjpeg call no C++ object is made whose destructor a longjmp could skip.
bool encode(const QImage& picture, int quality, unsigned char** out, unsigned long* size) {
    jpeg_compress_struct cinfo;
    EncoderErrors err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = encoderFailed;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = JDIMENSION(picture.width());
    cinfo.image_height = JDIMENSION(picture.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray make(const QByteArray& photo, QString* error) {
    return makeWithin(photo, LongSide, Quality, error);
}

QByteArray makeWithin(const QByteArray& photo, int longSide, int quality, QString* error) {
    JpegDecoder decoder;
    if (!decoder.decodeDataWithin(photo, longSide)) {
        *error = decoder.errorString();
        return {};
    }
    const QImage picture = decoder.picture().convertToFormat(QImage::Format_RGB32);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    const bool encoded = encode(picture, quality, &bytes, &size);
    QByteArray preview =
        encoded ? QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)) : QByteArray();
    std::free(bytes);
    if (!encoded)
        *error = QStringLiteral("The preview of the photo could not be written");
    return preview;
}

QString fileOf(const QString& photoFile) {
    const QFileInfo photo(photoFile);
    return QDir::toNativeSeparators(photo.absolutePath() + QLatin1Char('/') + folderName() +
                                    QLatin1Char('/') + photo.fileName());
}

bool isCurrent(const QString& photoFile) {
    const QFileInfo photo(photoFile);
    const QFileInfo preview(fileOf(photoFile));
    return photo.isFile() && preview.isFile() && !preview.isSymLink() &&
           preview.lastModified() == photo.lastModified();
}

bool write(const QString& photoFile, const QByteArray& preview, const QDateTime& photoTime, QString* error) {
    const QString file = fileOf(photoFile);
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        *error = QStringLiteral("Cannot create the folder of \"%1\"").arg(file);
        return false;
    }
    if (!replaceFileContents(file, preview, error))
        return false;
    QFile written(file);
    if (written.open(QIODevice::ReadWrite) &&
        written.setFileTime(photoTime, QFileDevice::FileModificationTime))
        return true;
    *error = written.errorString();
    QFile::remove(file); // a preview that cannot be told from an old one is none
    return false;
}

} // namespace PhotoPreview
