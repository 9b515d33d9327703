#pragma once
// Turns a JPEG file into the picture the photo area shows: the photo's
// proportions at a fixed height (185 pixels on the main window).
//
// Camera photos are large, so the decoder scales in the DCT domain (1/8 to
// 8/8) to the smallest size that is still at least the wanted height: that
// skips most of the decoding work and never holds the full-size image. A
// smooth area-averaging resize then gives the display size.
//
// libjpeg's default error handler ends the process. Here every error returns
// to the caller with the decoder's own message, and everything the decoder
// holds is released on every path. One object decodes once; nothing is cached.
//
// A file must not hang the window or take the machine's memory: more than
// 100 megapixels, more than 100 scans, more than 256 MB of decoder memory,
// and entropy data cut short (also when an end marker follows) are refused
// with a message of their own.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class JpegDecoder {
  public:
    // The picture is not made wider than this: the photo area stretches it to
    // its own width when it paints, so a panorama costs no huge buffer.
    static constexpr int MaxPictureWidth = 4096;
    // Larger files are refused unread.
    static constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

    // Reads and decodes the file. On failure returns false and errorString()
    // holds the reason: the decoder's message for a damaged, empty or
    // non-JPEG file, the file system's for a file that cannot be read.
    bool decodeFile(const QString& path, int height);
    // The bytes of a regular file of at most MaxFileBytes, as decodeFile
    // reads them; error says why there are none.
    static QByteArray readFile(const QString& path, QString* error);
    bool decodeData(const QByteArray& data, int height);
    // Decodes to the photo's proportions with the longer side at most
    // longSide (a smaller photo keeps its size), for making its preview.
    bool decodeDataWithin(const QByteArray& data, int longSide);

    QSize sourceSize() const { return m_sourceSize; } // pixel size in the file
    int displayWidth() const { return m_displayWidth; }
    // displayWidth() x height, or narrower when capped (see MaxPictureWidth).
    QImage picture() const { return m_picture; }
    // The image as the decoder delivered it, before the final resize.
    QImage decoded() const { return m_decoded; }
    int scaleNumerator() const { return m_scaleNumerator; } // of N/8
    QString errorString() const { return m_error; }
    // Whether the last decode gave a picture.
    bool ok() const { return !m_picture.isNull(); }
    // After decodeFile: the bytes that were decoded (the file as it was read).
    QByteArray fileBytes() const { return m_fileBytes; }

    // width * height / sourceHeight rounded to the nearest integer, a half to
    // the even neighbour; exact integer arithmetic, no bound. 0 for an empty size.
    static int displayWidth(QSize source, int height);
    // N of the smallest DCT scale N/8 whose output is at least `height` rows
    // high (libjpeg rounds the scaled size up); 8 when even 8/8 is lower.
    static int scaleNumerator(int sourceHeight, int height);

  private:
    // height > 0: the picture's height; otherwise -height bounds its longer side.
    bool decodeBytes(const unsigned char* bytes, qint64 size, int height);
    void fail(const QString& message);

    QSize m_sourceSize;
    int m_displayWidth = 0;
    int m_scaleNumerator = 8;
    QImage m_decoded;
    QImage m_picture;
    QByteArray m_fileBytes;
    QString m_error;
};
