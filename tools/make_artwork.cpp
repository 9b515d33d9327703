// Draws the three built-in pictures of the main window and writes them as
// JPEG files into a folder (photos/resources in the source tree):
//   NoPhoto.jpg        250 x 185, "NO PHOTO" in light grey on black
//   PhotoDisabled.jpg  250 x 185, "PHOTO" ringed by "DISABLED", grey on black
//   Flag.jpg            30 x 18, the Bulgarian flag (white, green, red)
//
// The pictures are committed; run this only to change them. Built on demand:
//   g++ -std=c++17 -O1 -fPIC tools/make_artwork.cpp -o /tmp/make_artwork
//       $(pkg-config --cflags --libs Qt6Gui) -ljpeg      (one command line)
//   QT_QPA_PLATFORM=offscreen /tmp/make_artwork photos/resources
//
// libjpeg writes the files with full-resolution colour (4:4:4), so the thin
// flag stripes keep clean edges.

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>
#include <jpeglib.h>

static bool writeJpeg(const QImage& source, const QString& path) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err); // a tool: the default handler may end it
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}

static QFont boldFont(qreal pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qRound(pixelSize));
    font.setBold(true);
    return font;
}

static QImage blackCanvas(int width, int height, QPainter& painter) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    return image;
}

static QImage noPhoto() {
    QPainter painter;
    QImage image = blackCanvas(250, 185, painter);
    const QColor grey(0xc8, 0xc8, 0xc8);
    // A simple camera outline above the words.
    painter.setPen(QPen(grey, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(90, 34, 70, 46), 6, 6);
    painter.drawRect(QRectF(104, 26, 18, 8));
    painter.drawEllipse(QPointF(125, 57), 14, 14);
    painter.setFont(boldFont(34));
    painter.setPen(grey);
    painter.drawText(QRectF(0, 95, 250, 60), Qt::AlignCenter, QStringLiteral("NO PHOTO"));
    painter.end();
    return image;
}

// Writes `text` clockwise along a circle, starting at the top, spreading the
// characters so that the repetitions close the ring.
static void drawRing(QPainter& painter, QPointF centre, qreal radius, const QString& text) {
    const QFontMetricsF metrics(painter.font());
    const qreal total = metrics.horizontalAdvance(text);
    qreal along = 0;
    for (const QChar ch : text) {
        const qreal advance = metrics.horizontalAdvance(ch);
        const qreal degrees = (along + advance / 2) / total * 360.0;
        painter.save();
        painter.translate(centre);
        painter.rotate(degrees);
        painter.drawText(QPointF(-advance / 2, -radius), QString(ch));
        painter.restore();
        along += advance;
    }
}

static QImage photoDisabled() {
    QPainter painter;
    QImage image = blackCanvas(250, 185, painter);
    const QColor grey(0x9a, 0x9a, 0x9a);
    const QPointF centre(125, 92.5);
    painter.setPen(QPen(grey, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 86, 86);
    painter.drawEllipse(centre, 62, 62);
    painter.setFont(boldFont(15));
    painter.setPen(grey);
    QString ring;
    for (int i = 0; i < 4; ++i)
        ring += QStringLiteral("DISABLED \u2022 ");
    drawRing(painter, centre, 68, ring);
    painter.setFont(boldFont(27));
    painter.drawText(QRectF(0, 0, 250, 185), Qt::AlignCenter, QStringLiteral("PHOTO"));
    painter.end();
    return image;
}

static QImage bulgarianFlag() {
    QImage image(30, 18, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 30, 6, QColor(0xff, 0xff, 0xff));
    painter.fillRect(0, 6, 30, 6, QColor(0x00, 0x96, 0x6e));
    painter.fillRect(0, 12, 30, 6, QColor(0xd6, 0x26, 0x12));
    painter.end();
    return image;
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool ok = writeJpeg(noPhoto(), folder.filePath(QStringLiteral("NoPhoto.jpg"))) &&
                    writeJpeg(photoDisabled(), folder.filePath(QStringLiteral("PhotoDisabled.jpg"))) &&
                    writeJpeg(bulgarianFlag(), folder.filePath(QStringLiteral("Flag.jpg")));
    if (!ok) {
        std::fprintf(stderr, "cannot write the pictures into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
