// The photo store and viewer: display widths, the JPEG decoder on good and
// bad files, photo paths, the built-in pictures and the photo area.

#include "photos/JpegDecoder.h"
#include "photos/PhotoArea.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPictures.h"

#include "support/TempAppDir.h"

#include <QBuffer>
#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <cstdio>
#include <jpeglib.h>

namespace {

QByteArray jpegBytes(const QImage& image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality))
        qFatal("cannot encode a test JPEG");
    return bytes;
}

QByteArray solidJpeg(QSize size, QColor colour = QColor(200, 40, 60))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return jpegBytes(image);
}

QByteArray pngBytes()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Qt cannot write CMYK, so this goes through libjpeg. Pixels are given as ink
// and stored inverted, the way Adobe software writes CMYK (libjpeg adds the
// Adobe marker that says so).
QByteArray cmykJpeg(QSize size, const uchar ink[4])
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(size.width());
    cinfo.image_height = JDIMENSION(size.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(size.width()) * 4);
    for (int x = 0; x < size.width(); ++x)
        for (int c = 0; c < 4; ++c)
            row[size_t(x) * 4 + size_t(c)] = JSAMPLE(255 - ink[c]);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

bool near(QRgb a, QColor b, int tolerance = 12)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace

class TestPhotos : public QObject {
    Q_OBJECT

private slots:
    void displayWidth_data();
    void displayWidth();
    void scaleNumerator_data();
    void scaleNumerator();

    void decodesToDisplayHeight_data();
    void decodesToDisplayHeight();
    void decodesGreyAndCmyk_data();
    void decodesGreyAndCmyk();
    void widePanoramaIsCapped();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void missingFileIsAnError();

    void photoPath_data();
    void photoPath();

    void builtInPictures_data();
    void builtInPictures();
    void photoAreaClicks();
};

void TestPhotos::displayWidth_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("width");
    QTest::addRow("640x480") << QSize(640, 480) << 247;
    QTest::addRow("300x400") << QSize(300, 400) << 139;
    QTest::addRow("1x2: a half goes down to even") << QSize(1, 2) << 92;
    QTest::addRow("3x2: a half goes up to even") << QSize(3, 2) << 278;
    QTest::addRow("square") << QSize(185, 185) << 185;
    QTest::addRow("2x1, no upper bound") << QSize(2, 1) << 370;
    QTest::addRow("widest the format allows") << QSize(65500, 1) << 12117500;
    QTest::addRow("tallest rounds to zero") << QSize(1, 65500) << 0;
}

void TestPhotos::displayWidth()
{
    QFETCH(QSize, source);
    QFETCH(int, width);
    QCOMPARE(JpegDecoder::displayWidth(source, 185), width);
}

void TestPhotos::scaleNumerator_data()
{
    QTest::addColumn<int>("sourceHeight");
    QTest::addColumn<int>("numerator");
    QTest::addRow("camera 4000 high: 1/8") << 4000 << 1;
    QTest::addRow("exactly 8 x 185: 1/8") << 1480 << 1;
    QTest::addRow("1473 high rounds up to 185: 1/8") << 1473 << 1;
    QTest::addRow("1472 high gives 184 at 1/8: 2/8") << 1472 << 2;
    QTest::addRow("1200 high: 2/8") << 1200 << 2;
    QTest::addRow("480 high: 4/8 (rounded up to 240)") << 480 << 4;
    QTest::addRow("exactly 185: full size") << 185 << 8;
    QTest::addRow("lower than 185: full size") << 50 << 8;
}

void TestPhotos::scaleNumerator()
{
    QFETCH(int, sourceHeight);
    QFETCH(int, numerator);
    QCOMPARE(JpegDecoder::scaleNumerator(sourceHeight, 185), numerator);
}

void TestPhotos::decodesToDisplayHeight_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<int>("width");
    QTest::addRow("640x480 at 4/8") << QSize(640, 480) << QSize(320, 240) << 247;
    QTest::addRow("300x400 at 4/8") << QSize(300, 400) << QSize(150, 200) << 139;
    QTest::addRow("2000x1500 at 1/8") << QSize(2000, 1500) << QSize(250, 188) << 247;
    QTest::addRow("1601x1201 at 2/8, sizes rounded up") << QSize(1601, 1201) << QSize(401, 301) << 247;
    QTest::addRow("800x1473 at 1/8, rounded up to 185") << QSize(800, 1473) << QSize(100, 185) << 100;
    QTest::addRow("small photo widened") << QSize(100, 50) << QSize(100, 50) << 370;
}

void TestPhotos::decodesToDisplayHeight()
{
    QFETCH(QSize, source);
    QFETCH(QSize, decoded);
    QFETCH(int, width);
    const QColor colour(200, 40, 60);
    JpegDecoder decoder;
    QVERIFY2(decoder.decodeData(solidJpeg(source, colour), 185), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.sourceSize(), source);
    QCOMPARE(decoder.decoded().size(), decoded);
    QCOMPARE(decoder.displayWidth(), width);
    QCOMPARE(decoder.picture().size(), QSize(width, 185));
    QVERIFY(near(decoder.picture().pixel(width / 2, 92), colour));
    QVERIFY(decoder.errorString().isEmpty());
}

void TestPhotos::decodesGreyAndCmyk_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QColor>("expected");
    QImage grey(400, 300, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));
    QTest::addRow("grey") << jpegBytes(grey) << QColor(90, 90, 90);
    const uchar red[4] = {0, 255, 255, 0};
    QTest::addRow("CMYK red") << cmykJpeg(QSize(400, 300), red) << QColor(255, 0, 0);
    const uchar halfBlack[4] = {0, 0, 0, 128};
    QTest::addRow("CMYK grey from black ink") << cmykJpeg(QSize(400, 300), halfBlack) << QColor(127, 127, 127);
}

void TestPhotos::decodesGreyAndCmyk()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(QColor, expected);
    JpegDecoder decoder;
    QVERIFY2(decoder.decodeData(jpeg, 185), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.picture().size(), QSize(247, 185));
    QVERIFY(near(decoder.picture().pixel(120, 90), expected));
}

// A panorama's display width is not bounded, but its picture is: the area
// stretches it when it paints.
void TestPhotos::widePanoramaIsCapped()
{
    JpegDecoder decoder;
    QVERIFY(decoder.decodeData(solidJpeg(QSize(6000, 60)), 185));
    QCOMPARE(decoder.displayWidth(), 18500);
    QCOMPARE(decoder.picture().size(), QSize(JpegDecoder::MaxPictureWidth, 185));
}

void TestPhotos::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = solidJpeg(QSize(640, 480));
    QTest::addRow("empty file") << QByteArray() << "Empty input file";
    QTest::addRow("PNG under the .jpg name") << pngBytes() << "Not a JPEG file: starts with 0x89 0x50";
    QTest::addRow("text") << QByteArray("hello") << "Not a JPEG file: starts with 0x68 0x65";
    QTest::addRow("truncated in the header") << good.left(40) << "Premature end of JPEG file";
    QTest::addRow("truncated in the data") << good.left(good.size() / 2) << "Premature end of JPEG file";
    QByteArray noHeight = good;
    const int sof = int(noHeight.indexOf("\xff\xc0"));
    QVERIFY(sof > 0);
    noHeight[sof + 5] = 0; // frame height 0
    noHeight[sof + 6] = 0;
    QTest::addRow("frame without height") << noHeight << "Empty JPEG image";
}

void TestPhotos::refusesBadFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TempAppDir dir(false);
    dir.writeFile(QStringLiteral("bad.jpg"), bytes);
    JpegDecoder decoder;
    QVERIFY(!decoder.decodeFile(dir.filePath(QStringLiteral("bad.jpg")), 185));
    QVERIFY2(decoder.errorString().startsWith(message), qPrintable(decoder.errorString()));
    QVERIFY(decoder.picture().isNull());
    QCOMPARE(decoder.displayWidth(), 0);
}

void TestPhotos::missingFileIsAnError()
{
    TempAppDir dir(false);
    JpegDecoder decoder;
    QVERIFY(!decoder.decodeFile(dir.filePath(QStringLiteral("none.jpg")), 185));
    QVERIFY2(decoder.errorString().startsWith(QStringLiteral("Cannot open file")),
             qPrintable(decoder.errorString()));
}

void TestPhotos::photoPath_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    const QString app = QStringLiteral("/opt/orders/");
    QTest::addRow("batch") << app << "Spring 24" << "12" << "/opt/orders/pictures/Spring 24"
                           << "/opt/orders/pictures/Spring 24/12.jpg";
    QTest::addRow("empty batch: directly in pictures")
        << app << "" << "7" << "/opt/orders/pictures" << "/opt/orders/pictures/7.jpg";
    QTest::addRow("empty photo field") << app << "A1" << "" << "/opt/orders/pictures/A1"
                                       << "/opt/orders/pictures/A1/.jpg";
    QTest::addRow("no trailing separator") << "/opt/orders" << "A1" << "0" << "/opt/orders/pictures/A1"
                                           << "/opt/orders/pictures/A1/0.jpg";
    QTest::addRow("Cyrillic batch") << app << "Партида 3" << "5" << "/opt/orders/pictures/Партида 3"
                                    << "/opt/orders/pictures/Партида 3/5.jpg";
}

void TestPhotos::photoPath()
{
    QFETCH(QString, appDir);
    QFETCH(QString, batch);
    QFETCH(QString, photo);
    QFETCH(QString, folder);
    QFETCH(QString, file);
    const PhotoPath path(appDir, batch, photo);
    QCOMPARE(path.folder(), QDir::toNativeSeparators(folder));
    QCOMPARE(path.file(), QDir::toNativeSeparators(file));
}

void TestPhotos::builtInPictures_data()
{
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("colour");
    QTest::addRow("no photo: black ground") << PhotoPictures::noPhoto() << QSize(250, 185) << QPoint(4, 4)
                                            << QColor(Qt::black);
    QTest::addRow("photo disabled: black ground")
        << PhotoPictures::photoDisabled() << QSize(250, 185) << QPoint(4, 4) << QColor(Qt::black);
    QTest::addRow("flag: white top") << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 2)
                                     << QColor(255, 255, 255);
    QTest::addRow("flag: green middle") << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 9)
                                        << QColor(0x00, 0x96, 0x6e);
    QTest::addRow("flag: red bottom") << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 15)
                                      << QColor(0xd6, 0x26, 0x12);
}

void TestPhotos::builtInPictures()
{
    QFETCH(QPixmap, picture);
    QFETCH(QSize, size);
    QFETCH(QPoint, probe);
    QFETCH(QColor, colour);
    QCOMPARE(picture.size(), size);
    QVERIFY(near(picture.toImage().pixel(probe), colour, 20));
    if (size.height() == 185) {
        // Letters in grey: some clearly light pixels, none coloured.
        const QImage image = picture.toImage();
        int light = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                light += qGray(image.pixel(x, y)) > 140 ? 1 : 0;
        QVERIFY(light > 1000);
    }
}

void TestPhotos::photoAreaClicks()
{
    PhotoArea area;
    QCOMPARE(area.size(), QSize(169, 185));
    QCOMPARE(area.toolTip(), QStringLiteral("Right Click To Select / Left Click To Enlarge"));
    QCOMPARE(area.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy left(&area, &PhotoArea::clicked);
    QSignalSpy right(&area, &PhotoArea::rightClicked);
    QTest::mouseClick(&area, Qt::LeftButton);
    QCOMPARE(left.count(), 1);
    QCOMPARE(right.count(), 0);
    QTest::mouseClick(&area, Qt::RightButton);
    QCOMPARE(left.count(), 1);
    QCOMPARE(right.count(), 1);
}

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"
