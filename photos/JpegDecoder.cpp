#include "photos/JpegDecoder.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A preview 185 pixels high needs little: a sequential photo is decoded a
// few rows at a time, and only a progressive one holds all its coefficients
// (two bytes per pixel and colour). These limits keep a damaged or crafted
// file from taking the machine's memory or the window's time; real photos
// stay far below them.
constexpr long MaxDecoderMemory = 256L * 1024 * 1024;
constexpr qint64 MaxPixels = 100'000'000;
// Progressive photos have about ten scans; every scan is a pass over the
// whole image, so thousands of tiny ones hang the window for minutes.
constexpr int MaxScans = 100;

// libjpeg calls these instead of its defaults, which print and end the
// process: the decoder formats its own message and control jumps back into
// decodeJpeg().
struct ErrorManager {
    jpeg_error_mgr base; // first member: libjpeg only knows this part
    jmp_buf jump;
    bool allRowsRead = false;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    // The decoder's own words for the memory limit ("Backing store not
    // supported") would tell the user nothing.
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
        std::snprintf(err->message, sizeof err->message,
                      "The photo needs more memory to decode than a preview may take");
    else
        (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

// Called before each step of input; counts the scans read so far.
void onProgress(j_common_ptr cinfo) {
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number <= MaxScans)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message,
                  "The photo has more than %d scans, far more than any real photo has", MaxScans);
    longjmp(err->jump, 1);
}

// Warnings are never printed. Data that ends before the picture is whole is
// refused with the decoder's message: a file that ends before its last row,
// and entropy data cut short by a marker (the decoder would fill the rest
// with grey and go on, also when the file's end marker follows). Other
// warnings (stray bytes between markers, which some cameras write) leave a
// picture that is still whole, so it is shown.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace output
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    cinfo->err->num_warnings++;
    const int code = cinfo->err->msg_code;
    if ((code == JWRN_JPEG_EOF && !err->allRowsRead) || code == JWRN_HIT_MARKER)
        jumpBack(cinfo);
}

// Adobe writes CMYK inverted (255 = no ink); other writers store the ink.
void cmykRowToRgb32(const JSAMPLE* cmyk, QRgb* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

struct DecodeResult {
    QImage image;
    QSize source;
    int height = 0; // the picture's height, once the source's size is known
    int numerator = 8;
    QString error;
};

// The height of a picture whose longer side is at most longSide, never
// higher than the source (a preview is not enlarged).
int heightWithin(QSize source, int longSide) {
    if (source.height() >= source.width())
        return qMin(source.height(), longSide);
    if (source.width() <= longSide)
        return source.height();
    return qMax(1, int((qint64(source.height()) * longSide + source.width() / 2) / source.width()));
}

// Between setjmp() and the last libjpeg call there is no C++ object whose
// destructor a longjmp could skip: the results live in the caller's struct.
// height > 0: the picture's height; otherwise -height is the longest side it may have.
bool decodeJpeg(const unsigned char* bytes, unsigned long size, int height, DecodeResult* result) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = jumpBack;
    err.base.emit_message = onMessage;
    jpeg_progress_mgr progress = {};
    progress.progress_monitor = onProgress;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result->image = QImage();
        result->error = QString::fromLocal8Bit(err.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    // A small file can claim a huge progressive image; beyond this the decoder
    // refuses instead of exhausting memory.
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    jpeg_mem_src(&cinfo, bytes, size); // an empty buffer is the decoder's "Empty input file"
    jpeg_read_header(&cinfo, TRUE);
    result->source = QSize(int(cinfo.image_width), int(cinfo.image_height));
    // Refused before the decoder allocates anything for the image.
    if (qint64(cinfo.image_width) * cinfo.image_height > MaxPixels) {
        result->error = QStringLiteral("The photo claims %1 x %2 pixels, more than can be shown")
                            .arg(cinfo.image_width)
                            .arg(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    result->height = height > 0 ? height : heightWithin(result->source, -height);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    // Grey and colour photos come out directly in QImage's RGB32 byte order.
    const J_COLOR_SPACE rgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    cinfo.out_color_space = cmyk ? JCS_CMYK : rgb32;
    result->numerator = JpegDecoder::scaleNumerator(int(cinfo.image_height), result->height);
    cinfo.scale_num = unsigned(result->numerator);
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);

    result->image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (result->image.isNull()) {
        jpeg_destroy_decompress(&cinfo);
        result->error = QStringLiteral("Not enough memory to decode a %1 x %2 photo")
                            .arg(cinfo.image_width)
                            .arg(cinfo.image_height);
        return false;
    }
    // Freed with the decompressor, on the error path too.
    JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                           JPOOL_IMAGE, cinfo.output_width * 4, 1)
                              : nullptr;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int line = int(cinfo.output_scanline);
        JSAMPROW row = cmyk ? cmykRow[0] : result->image.scanLine(line);
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk)
            cmykRowToRgb32(row, reinterpret_cast<QRgb*>(result->image.scanLine(line)),
                           int(cinfo.output_width), cinfo.saw_Adobe_marker);
    }
    err.allRowsRead = true;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

int JpegDecoder::displayWidth(QSize source, int height) {
    if (source.isEmpty() || height <= 0)
        return 0;
    const qint64 product = qint64(source.width()) * height;
    const qint64 quotient = product / source.height();
    const qint64 twiceRest = 2 * (product % source.height());
    const bool roundUp = twiceRest > source.height() || (twiceRest == source.height() && quotient % 2 == 1);
    return int(quotient + (roundUp ? 1 : 0));
}

int JpegDecoder::scaleNumerator(int sourceHeight, int height) {
    for (int n = 1; n < 8; ++n) {
        if ((qint64(sourceHeight) * n + 7) / 8 >= height)
            return n;
    }
    return 8;
}

static QString tooLargeMessage(const QString& path) {
    return QStringLiteral("The file \"%1\" is too large for a photo (%2 MB or more)")
        .arg(path)
        .arg(JpegDecoder::MaxFileBytes / (1024 * 1024));
}

bool JpegDecoder::decodeFile(const QString& path, int height) {
    QString error;
    const QByteArray bytes = readFile(path, &error);
    if (!error.isEmpty()) {
        fail(error);
        return false;
    }
    if (!decodeData(bytes, height))
        return false;
    m_fileBytes = bytes;
    return true;
}

QByteArray JpegDecoder::readFile(const QString& path, QString* error) {
    // Opening a pipe waits for a writer, and a device may never end: a
    // photo is only ever a regular file.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("Cannot open file \"%1\": it is not a regular file").arg(path);
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString());
        return {};
    }
    // Nothing a camera writes comes near this; a file that does is no photo,
    // and reading it whole would take the machine's memory.
    if (file.size() > MaxFileBytes) {
        *error = tooLargeMessage(path);
        return {};
    }
    // Read, not mapped: another program may shorten the file while it is
    // decoded, and a mapping would then end the process.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read file \"%1\": %2").arg(path, file.errorString());
        return {};
    }
    if (bytes.size() > MaxFileBytes) { // it grew while it was read
        *error = tooLargeMessage(path);
        return {};
    }
    return bytes;
}

bool JpegDecoder::decodeData(const QByteArray& data, int height) {
    return decodeBytes(reinterpret_cast<const unsigned char*>(data.constData()), data.size(), height);
}

bool JpegDecoder::decodeDataWithin(const QByteArray& data, int longSide) {
    Q_ASSERT(longSide > 0);
    return decodeBytes(reinterpret_cast<const unsigned char*>(data.constData()), data.size(), -longSide);
}

bool JpegDecoder::decodeBytes(const unsigned char* bytes, qint64 size, int height) {
    Q_ASSERT(height != 0);
    *this = JpegDecoder();
    DecodeResult result;
    if (!decodeJpeg(bytes, static_cast<unsigned long>(size), height, &result)) {
        fail(result.error);
        return false;
    }
    m_sourceSize = result.source;
    m_scaleNumerator = result.numerator;
    m_decoded = result.image;
    height = result.height;
    m_displayWidth = displayWidth(m_sourceSize, height);
    const QSize pictureSize(qBound(1, m_displayWidth, MaxPictureWidth), height);
    m_picture = m_decoded.size() == pictureSize
                    ? m_decoded
                    : m_decoded.scaled(pictureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return true;
}

void JpegDecoder::fail(const QString& message) {
    *this = JpegDecoder();
    m_error = message;
}
