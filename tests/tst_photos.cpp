// The photo store and viewer: display widths, the JPEG decoder on good and
// bad files, photo paths, the built-in pictures, the photo area, and the
// viewer's show, enlarge and attach on a real register.

#include "app/ServerWaitIndicator.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/OrderTable.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoCacheUpkeep.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPictures.h"
#include "photos/PhotoPreview.h"
#include "photos/PhotoStore.h"
#include "photos/gui/PhotoArea.h"
#include "photos/gui/PhotoViewer.h"

#include "support/JpegBytes.h"
#include "support/OtherClient.h"
#include "support/ScriptedDialogs.h"
#include "support/StoppedBackend.h"
#include "support/TempAppDir.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QImageWriter>
#include <QSignalSpy>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>

namespace {

QByteArray encoded(const QImage& image, const char* format = "JPG") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 90))
        qFatal("cannot encode a test picture");
    return bytes;
}

QByteArray solidJpeg(QSize size, QColor colour = QColor(200, 40, 60), const char* format = "JPG") {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, format);
}

// Qt cannot write CMYK, so this goes through libjpeg. Pixels are given as ink
// and stored inverted, the way Adobe software writes CMYK (libjpeg adds the
// Adobe marker that says so).
QByteArray cmykJpeg(QSize size, const uchar ink[4]) {
    JpegShape shape;
    shape.width = size.width();
    shape.height = size.height();
    shape.components = 4;
    shape.colourSpace = JCS_CMYK;
    shape.quality = 95;
    return encodeJpeg(shape, [&](int, JSAMPLE* samples) {
        for (int x = 0; x < size.width(); ++x)
            for (int c = 0; c < 4; ++c)
                samples[x * 4 + c] = JSAMPLE(255 - ink[c]);
    });
}

bool near(QRgb a, QColor b, int tolerance = 12) {
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

bool samePicture(const QPixmap& a, const QPixmap& b) {
    return a.toImage().convertToFormat(QImage::Format_RGB32) ==
           b.toImage().convertToFormat(QImage::Format_RGB32);
}

// A register in a temporary application directory, with the viewer and the
// few controls it works with. Lines are stored before the table opens; the
// batch chooser is set by hand (following the line is the window's job).
class ViewerWorld {
  public:
    explicit ViewerWorld(const QStringList& batchList = {QStringLiteral("A1"), QStringLiteral("B2")}) {
        batches.addItems(batchList);
        batches.setCurrentIndex(int(batchList.size()) - 1);
        if (!database.open(dir.path()))
            qFatal("cannot open the test register: %s", qPrintable(database.errorString()));
        table.setErrorSink([this](const QString& message) { dialogs.standardError(message); });
    }

    // photo: a number, or a null QVariant for an empty field.
    void storeLine(const QString& batch, const QVariant& photo) {
        OtherClient(dir).run(
            QStringLiteral("INSERT INTO Table1 (batch, artikul, dostavcik, paracbr, pokupnacena, "
                           "photo) VALUES (?, 'Shirt', 'Supplier', 1, 10000, ?)"),
            {batch, photo});
    }

    bool open() { return table.open() && table.last(); }

    // Where the store keeps a photo, relative to the application directory.
    static QString photoName(const QString& batch, const QString& number) {
        return QStringLiteral("pictures/%1/%2.jpg").arg(batch, number);
    }

    QVariant storedPhoto(int key) const { return OtherClient(dir).stored(key, QStringLiteral("photo")); }

    // A source photo the user picks in the dialog.
    QString sourcePhoto(const QString& name, QSize size) const {
        dir.writeFile(QStringLiteral("camera/") + name, solidJpeg(size));
        return dir.filePath(QStringLiteral("camera/") + name);
    }

    TempAppDir dir;
    Database database;
    OrderTable table{database};
    QComboBox batches;
    PhotoArea area;
    ScriptedDialogs dialogs;
    int nextPhotoNumber = 0;
    PhotoStore store{dir.path(), database};
    PhotoViewer viewer{&area, &batches, table, dialogs, dir.path(), store, nextPhotoNumber};
};

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

    void photoPath_data();
    void photoPath();

    void builtInPictures_data();
    void builtInPictures();
    void photoAreaClicks();

    void showPhoto_data();
    void showPhoto();
    void damagedPhotoLeavesAreaAsItWas();
    void storedLineShowsItsPhotoWithoutLookingAgain();
    void enlargeHandsPathToDesktop_data();
    void enlargeHandsPathToDesktop();

    void attachToNewLine();
    void attachToStoredLine_data();
    void attachToStoredLine();
    void attachWhileEditingStoresOnReturn();
    void attachTwiceReplaces();
    void attachCancelledChangesNothing();
    void storeCopiedFromWindowsIgnoresCase_data();
    void storeCopiedFromWindowsIgnoresCase();
    void failedCopyKeepsOldPhoto_data();
    void failedCopyKeepsOldPhoto();
    void batchThatWouldLeavePicturesHasNoPath_data();
    void batchThatWouldLeavePicturesHasNoPath();
    void linkInPhotoFolderIsNotFollowed_data();
    void linkInPhotoFolderIsNotFollowed();
    void storedPhotoThatCannotBeCachedIsNotCalledMissing_data();
    void storedPhotoThatCannotBeCachedIsNotCalledMissing();
    void photoChangedUnseenIsNotOverwritten_data();
    void photoChangedUnseenIsNotOverwritten();
    void refusedAttachLeavesNoPhotoBehind_data();
    void refusedAttachLeavesNoPhotoBehind();
    void attachGivenUpStoresNothing_data();
    void attachGivenUpStoresNothing();
    void photoCacheKeepsLatestCopiesWithinBound_data();
    void photoCacheKeepsLatestCopiesWithinBound();
    void photoAndPreviewAgree_data();
    void photoAndPreviewAgree();
};

void TestPhotos::displayWidth_data() {
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

void TestPhotos::displayWidth() {
    QFETCH(QSize, source);
    QFETCH(int, width);
    QCOMPARE(JpegDecoder::displayWidth(source, 185), width);
}

void TestPhotos::scaleNumerator_data() {
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

void TestPhotos::scaleNumerator() {
    QFETCH(int, sourceHeight);
    QFETCH(int, numerator);
    QCOMPARE(JpegDecoder::scaleNumerator(sourceHeight, 185), numerator);
}

void TestPhotos::decodesToDisplayHeight_data() {
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<int>("width");
    QTest::addRow("640x480 at 4/8") << QSize(640, 480) << QSize(320, 240) << 247;
    QTest::addRow("300x400 at 4/8") << QSize(300, 400) << QSize(150, 200) << 139;
    QTest::addRow("2000x1500 at 1/8") << QSize(2000, 1500) << QSize(250, 188) << 247;
    QTest::addRow("1601x1201 at 2/8, sizes rounded up") << QSize(1601, 1201) << QSize(401, 301) << 247;
    QTest::addRow("800x1473 at 1/8, rounded up to 185") << QSize(800, 1473) << QSize(100, 185) << 100;
    QTest::addRow("small photo widened") << QSize(100, 50) << QSize(100, 50) << 370;
    QTest::addRow("1 x 1") << QSize(1, 1) << QSize(1, 1) << 185;
}

void TestPhotos::decodesToDisplayHeight() {
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

void TestPhotos::decodesGreyAndCmyk_data() {
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QColor>("expected");
    QImage grey(400, 300, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));
    QTest::addRow("grey") << encoded(grey) << QColor(90, 90, 90);
    const uchar red[4] = {0, 255, 255, 0};
    QTest::addRow("CMYK red") << cmykJpeg(QSize(400, 300), red) << QColor(255, 0, 0);
    const uchar halfBlack[4] = {0, 0, 0, 128};
    QTest::addRow("CMYK grey from black ink")
        << cmykJpeg(QSize(400, 300), halfBlack) << QColor(127, 127, 127);
}

void TestPhotos::decodesGreyAndCmyk() {
    QFETCH(QByteArray, jpeg);
    QFETCH(QColor, expected);
    JpegDecoder decoder;
    QVERIFY2(decoder.decodeData(jpeg, 185), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.picture().size(), QSize(247, 185));
    QVERIFY(near(decoder.picture().pixel(120, 90), expected));
}

// A panorama's display width is not bounded, but its picture is: the area
// stretches it when it paints.
void TestPhotos::widePanoramaIsCapped() {
    JpegDecoder decoder;
    QVERIFY(decoder.decodeData(solidJpeg(QSize(6000, 60)), 185));
    QCOMPARE(decoder.displayWidth(), 18500);
    QCOMPARE(decoder.picture().size(), QSize(JpegDecoder::MaxPictureWidth, 185));
}

void TestPhotos::refusesBadFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = solidJpeg(QSize(640, 480));
    QTest::addRow("no file at all") << QByteArray() << "Cannot open file";
    QTest::addRow("empty file") << QByteArray("") << "Empty input file";
    QTest::addRow("PNG under the .jpg name")
        << solidJpeg(QSize(8, 8), Qt::green, "PNG") << "Not a JPEG file: starts with 0x89 0x50";
    QTest::addRow("text") << QByteArray("hello") << "Not a JPEG file: starts with 0x68 0x65";
    QTest::addRow("truncated in the header") << good.left(40) << "Premature end of JPEG file";
    QTest::addRow("truncated in the data") << good.left(good.size() / 2) << "Premature end of JPEG file";
    QByteArray noHeight = good;
    const int sof = int(noHeight.indexOf("\xff\xc0"));
    QVERIFY(sof > 0);
    noHeight[sof + 5] = 0; // frame height 0
    noHeight[sof + 6] = 0;
    QTest::addRow("frame without height") << noHeight << "Empty JPEG image";
    // A few hundred bytes that claim a progressive 65500 x 65500 image.
    QByteArray progressive;
    QBuffer buffer(&progressive);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    QVERIFY(writer.write(QImage(16, 16, QImage::Format_RGB32)));
    const int sof2 = int(progressive.indexOf("\xff\xc2"));
    QVERIFY(sof2 > 0);
    for (int i = 5; i <= 8; ++i)
        progressive[sof2 + i] = char(i % 2 ? 0xff : 0xdc); // 0xffdc = 65500, height then width
    QTest::addRow("bomb: huge progressive image") << progressive << "The photo claims 65500 x 65500 pixels";
}

void TestPhotos::refusesBadFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TempAppDir dir(false);
    if (!bytes.isNull())
        dir.writeFile(QStringLiteral("bad.jpg"), bytes);
    JpegDecoder decoder;
    QVERIFY(!decoder.decodeFile(dir.filePath(QStringLiteral("bad.jpg")), 185));
    QVERIFY2(decoder.errorString().startsWith(message), qPrintable(decoder.errorString()));
    QVERIFY(decoder.picture().isNull());
    QCOMPARE(decoder.displayWidth(), 0);
}

void TestPhotos::photoPath_data() {
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    const QString app = QStringLiteral("/opt/orders/");
    QTest::addRow("batch") << app << "Spring 24"
                           << "12"
                           << "/opt/orders/pictures/Spring 24"
                           << "/opt/orders/pictures/Spring 24/12.jpg";
    QTest::addRow("empty batch: directly in pictures") << app << ""
                                                       << "7"
                                                       << "/opt/orders/pictures"
                                                       << "/opt/orders/pictures/7.jpg";
    QTest::addRow("empty photo field") << app << "A1"
                                       << ""
                                       << "/opt/orders/pictures/A1"
                                       << "/opt/orders/pictures/A1/.jpg";
    QTest::addRow("no trailing separator") << "/opt/orders"
                                           << "A1"
                                           << "0"
                                           << "/opt/orders/pictures/A1"
                                           << "/opt/orders/pictures/A1/0.jpg";
    QTest::addRow("Cyrillic batch") << app << "Партида 3"
                                    << "5"
                                    << "/opt/orders/pictures/Партида 3"
                                    << "/opt/orders/pictures/Партида 3/5.jpg";
    QTest::addRow("batch .. names no folder") << app << ".."
                                              << "12"
                                              << ""
                                              << "";
    QTest::addRow("batch with a separator names no folder") << app << "../../x"
                                                            << "1"
                                                            << ""
                                                            << "";
}

void TestPhotos::photoPath() {
    QFETCH(QString, appDir);
    QFETCH(QString, batch);
    QFETCH(QString, photo);
    QFETCH(QString, folder);
    QFETCH(QString, file);
    const PhotoPath path(appDir, batch, photo);
    QCOMPARE(path.folder(), QDir::toNativeSeparators(folder));
    QCOMPARE(path.file(), QDir::toNativeSeparators(file));
}

void TestPhotos::builtInPictures_data() {
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("colour");
    QTest::addRow("no photo: black ground")
        << PhotoPictures::noPhoto() << QSize(250, 185) << QPoint(4, 4) << QColor(Qt::black);
    QTest::addRow("photo disabled: black ground")
        << PhotoPictures::photoDisabled() << QSize(250, 185) << QPoint(4, 4) << QColor(Qt::black);
    QTest::addRow("flag: white top") << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 2)
                                     << QColor(255, 255, 255);
    QTest::addRow("flag: green middle")
        << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 9) << QColor(0x00, 0x96, 0x6e);
    QTest::addRow("flag: red bottom")
        << PhotoPictures::flag() << QSize(30, 18) << QPoint(15, 15) << QColor(0xd6, 0x26, 0x12);
}

void TestPhotos::builtInPictures() {
    QFETCH(QPixmap, picture);
    QFETCH(QSize, size);
    QFETCH(QPoint, probe);
    QFETCH(QColor, colour);
    QCOMPARE(picture.size(), size);
    QVERIFY(near(picture.toImage().pixel(probe), colour, 20));
}

void TestPhotos::photoAreaClicks() {
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
    // Pressed on the area but released outside it: no click.
    QTest::mousePress(&area, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&area, Qt::LeftButton, {}, QPoint(-20, 5));
    QCOMPARE(left.count(), 1);
}

void TestPhotos::showPhoto_data() {
    QTest::addColumn<QStringList>("batchList");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("fileBatch"); // where the test puts photo 5
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("expected"); // "disabled", "none" or "photo"
    QTest::addColumn<int>("width");
    const QStringList two = {QStringLiteral("A1"), QStringLiteral("B2")};
    QTest::addRow("switched off, whatever the line holds")
        << two << false << "B2" << QSize(640, 480) << "disabled" << 250;
    QTest::addRow("no file") << two << true << "" << QSize() << "none" << 250;
    QTest::addRow("640x480 photo") << two << true << "B2" << QSize(640, 480) << "photo" << 247;
    QTest::addRow("300x400 photo") << two << true << "B2" << QSize(300, 400) << "photo" << 139;
    QTest::addRow("photo of another batch is not this line's")
        << two << true << "A1" << QSize(640, 480) << "none" << 250;
    QTest::addRow("empty batch list: directly in pictures")
        << QStringList() << true << "" << QSize(3, 2) << "photo" << 278;
}

void TestPhotos::showPhoto() {
    QFETCH(QStringList, batchList);
    QFETCH(bool, enabled);
    QFETCH(QString, fileBatch);
    QFETCH(QSize, size);
    QFETCH(QString, expected);
    QFETCH(int, width);
    ViewerWorld world(batchList);
    world.storeLine(QStringLiteral("B2"), 5);
    QVERIFY(world.open());
    if (size.isValid())
        world.dir.writeFile(ViewerWorld::photoName(fileBatch, QStringLiteral("5")), solidJpeg(size));

    world.viewer.showPhoto(enabled);
    QCOMPARE(world.dialogs.shown, QStringList());
    QCOMPARE(world.area.width(), width);
    QCOMPARE(world.area.height(), 185);
    const QPixmap shown = world.area.pixmap();
    if (expected == QLatin1String("disabled"))
        QVERIFY(samePicture(shown, PhotoPictures::photoDisabled()));
    else if (expected == QLatin1String("none"))
        QVERIFY(samePicture(shown, PhotoPictures::noPhoto()));
    else
        QCOMPARE(shown.size(), QSize(width, 185));
}

void TestPhotos::damagedPhotoLeavesAreaAsItWas() {
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 5);
    QVERIFY(world.open());
    const QString file = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("5"));
    world.dir.writeFile(file, solidJpeg(QSize(640, 480)));
    world.viewer.showPhoto(true);
    const QImage before = world.area.pixmap().toImage();
    QCOMPARE(world.area.width(), 247);

    world.dir.writeFile(file, QByteArray("hello, not a photo"));
    world.viewer.showPhoto(true);
    QCOMPARE(world.dialogs.shown, QStringList{"standardError: Not a JPEG file: starts with 0x68 0x65."});
    QCOMPARE(world.area.width(), 247);
    QCOMPARE(world.area.pixmap().toImage(), before);
}

// The show in the step that stores a line takes the photo shown while the
// line was edited, without looking into its folder; the next step looks again.
void TestPhotos::storedLineShowsItsPhotoWithoutLookingAgain() {
    SKIP_SIDE_FILES_ON_SERVER();
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 5);
    QVERIFY(world.open());
    world.viewer.showPhoto(true);
    QVERIFY(samePicture(world.area.pixmap(), PhotoPictures::noPhoto()));
    QVERIFY(world.table.edit());
    QVERIFY(world.table.setValue(QStringLiteral("artikul"), QStringLiteral("Coat")));
    world.dir.writeFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("5")),
                        solidJpeg(QSize(640, 480)));
    QVERIFY(world.table.post());
    world.viewer.showPhoto(true);
    QVERIFY(samePicture(world.area.pixmap(), PhotoPictures::noPhoto()));
    QCoreApplication::processEvents(); // the step ends
    world.viewer.showPhoto(true);
    QCOMPARE(world.area.width(), 247);
    QCOMPARE(world.dialogs.shown, QStringList());
}

void TestPhotos::enlargeHandsPathToDesktop_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("desktopOpens");
    QTest::addColumn<QString>("message"); // "%1": the photo's path
    QTest::addRow("photo present") << true << true << "";
    QTest::addRow("no file: still handed over, no message") << false << true << "";
    // Regression: nothing happened and nothing was said.
    QTest::addRow("no program opens the photo") << true << false
                                                << "information: The photo is\r\n%1\r\nbut no program could "
                                                   "open it. Please open it with a picture viewer.";
    QTest::addRow("no program, no file")
        << false << false << "information: This line has no photo: there is no file\r\n%1";
}

void TestPhotos::enlargeHandsPathToDesktop() {
    SKIP_SIDE_FILES_ON_SERVER();
    QFETCH(bool, fileExists);
    QFETCH(bool, desktopOpens);
    QFETCH(QString, message);
    ViewerWorld world;
    world.dialogs.desktopOpens = desktopOpens;
    world.storeLine(QStringLiteral("B2"), 9);
    QVERIFY(world.open());
    const QString file = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("9"));
    if (fileExists)
        world.dir.writeFile(file, solidJpeg(QSize(64, 48)));
    world.viewer.enlarge();
    const QString path = QDir::toNativeSeparators(world.dir.filePath(file));
    QCOMPARE(world.dialogs.shown, message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
    QCOMPARE(world.dialogs.opened, QStringList{path});
}

void TestPhotos::storeCopiedFromWindowsIgnoresCase_data() {
    QTest::addColumn<QString>("batch"); // in the batch list and the line
    QTest::addColumn<QString>("onDisk");
    // The folder was looked at before the photo came, this many seconds after
    // its last change (its listing is kept): -1, the folder was not there.
    QTest::addColumn<int>("folderAge");
    QTest::addRow("batch folder in other case") << "B2"
                                                << "pictures/b2/7.jpg" << -1;
    QTest::addRow("file name in other case") << "B2"
                                             << "pictures/B2/7.JPG" << -1;
    QTest::addRow("photo folder in other case") << "B2"
                                                << "Pictures/B2/7.jpg" << -1;
    QTest::addRow("Cyrillic batch folder in other case")
        << QString::fromUtf8("Б2") << QString::fromUtf8("pictures/б2/7.jpg") << -1;
    QTest::addRow("file copied into a folder looked at long after its change") << "B2"
                                                                               << "pictures/b2/7.JPG" << 3600;
    QTest::addRow("file copied into a folder looked at just after its change") << "B2"
                                                                               << "pictures/b2/7.JPG" << 0;
}

// Shown, enlarged, offered for deletion and replaced where Windows found it.
void TestPhotos::storeCopiedFromWindowsIgnoresCase() {
    SKIP_SIDE_FILES_ON_SERVER();
    QFETCH(QString, batch);
    QFETCH(QString, onDisk);
    QFETCH(int, folderAge);
    ViewerWorld world({batch});
    world.storeLine(batch, 7);
    QVERIFY(world.open());
    if (folderAge >= 0) {
        const QString folder = QFileInfo(world.dir.filePath(onDisk)).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        std::filesystem::last_write_time(QFile::encodeName(folder).toStdString(),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::seconds(folderAge));
        world.viewer.showPhoto(true);
        QVERIFY(world.viewer.photoFile().endsWith(QStringLiteral("7.jpg")));
    }
    world.dir.writeFile(onDisk, solidJpeg(QSize(640, 480)));
    const QString found = QDir::toNativeSeparators(world.dir.filePath(onDisk));

    world.viewer.showPhoto(true);
    QCOMPARE(world.area.width(), 247);
    world.viewer.enlarge();
    QCOMPARE(world.dialogs.opened, QStringList{found});
    QCOMPARE(world.viewer.photoFile(), found);

    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("new.jpg"), QSize(300, 400));
    world.viewer.attach(true);
    QCOMPARE(world.dir.readFile(onDisk), world.dir.readFile(QStringLiteral("camera/new.jpg")));
    QCOMPARE(QDir(world.dir.filePath(QStringLiteral("pictures")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                 .size(),
             onDisk.startsWith(QLatin1String("pictures/")) ? 1 : 0);
    QCOMPARE(world.area.width(), 139);
}

// A line being added gets the number of the key reserved for it and stays pending.
void TestPhotos::attachToNewLine() {
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 3);
    QVERIFY(world.open());
    QVERIFY(world.table.append());
    world.nextPhotoNumber = 1; // a stale number must not be used
    const QString source = world.sourcePhoto(QStringLiteral("IMG_0001.JPG"), QSize(640, 480));
    world.dialogs.fileAnswers << source;

    world.viewer.attach(true);
    QCOMPARE(world.dialogs.shown, QStringList{"openFile: Open | " + PhotoViewer::fileFilter()});
    QCOMPARE(world.dir.readFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("2"))),
             world.dir.readFile(QStringLiteral("camera/IMG_0001.JPG")));
    QCOMPARE(world.table.state(), TableState::Insert);
    QCOMPARE(world.table.asInteger(QStringLiteral("photo")), 2);
    QCOMPARE(world.nextPhotoNumber, 2);
    QCOMPARE(world.table.recordCount(), 1); // nothing stored yet
    QCOMPARE(world.area.width(), 247);
}

void TestPhotos::attachToStoredLine_data() {
    QTest::addColumn<QVariant>("photo");
    QTest::addColumn<int>("number");
    QTest::addRow("photo number 7") << QVariant(7) << 7;
    // Two lines stored (keys 1 and 2): the fresh number is the next key, not the shared 0.
    QTest::addRow("empty photo field gets a fresh number") << QVariant(QMetaType(QMetaType::Int)) << 3;
    QTest::addRow("photo number 0 gets a fresh number") << QVariant(0) << 3;
}

// A browsing line gets its photo number stored at once, and stays current.
void TestPhotos::attachToStoredLine() {
    QFETCH(QVariant, photo);
    QFETCH(int, number);
    ViewerWorld world({QStringLiteral("A1")});
    world.storeLine(QStringLiteral("A1"), 1);
    world.storeLine(QStringLiteral("A1"), photo);
    QVERIFY(world.open());
    const int key = world.table.asInteger(QStringLiteral("key"));
    world.nextPhotoNumber = 99;
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("shot.jpeg"), QSize(300, 400));

    world.viewer.attach(true);
    QVERIFY(
        !world.dir.readFile(ViewerWorld::photoName(QStringLiteral("A1"), QString::number(number))).isEmpty());
    QCOMPARE(world.nextPhotoNumber, number);
    QCOMPARE(world.table.state(), TableState::Browse);
    QCOMPARE(world.storedPhoto(key), QVariant(number));
    QCOMPARE(world.table.asInteger(QStringLiteral("key")), key);
    QCOMPARE(world.area.width(), 139);
    QCOMPARE(world.dialogs.shown.size(), 1); // only the file dialog
}

// Returning to the line stores a pending edit, photo number included.
void TestPhotos::attachWhileEditingStoresOnReturn() {
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 4);
    QVERIFY(world.open());
    const int key = world.table.asInteger(QStringLiteral("key"));
    QVERIFY(world.table.edit());
    QVERIFY(world.table.setValue(QStringLiteral("cvet"), QStringLiteral("red")));
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("a.jpg"), QSize(64, 48));

    world.viewer.attach(true);
    QCOMPARE(world.table.state(), TableState::Browse);
    QCOMPARE(world.storedPhoto(key), QVariant(4));
    QCOMPARE(world.table.asString(QStringLiteral("cvet")), QStringLiteral("red"));
    QVERIFY(!world.dir.readFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("4"))).isEmpty());
}

void TestPhotos::attachTwiceReplaces() {
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 6);
    QVERIFY(world.open());
    const QString first = world.sourcePhoto(QStringLiteral("first.jpg"), QSize(640, 480));
    const QString second = world.sourcePhoto(QStringLiteral("second.jpg"), QSize(300, 400));
    world.dialogs.fileAnswers << first << second;
    world.viewer.attach(true);
    world.viewer.attach(true);
    const QString target = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("6"));
    QCOMPARE(world.dir.readFile(target), world.dir.readFile(QStringLiteral("camera/second.jpg")));
    QCOMPARE(world.table.asInteger(QStringLiteral("photo")), 6);
    QCOMPARE(world.area.width(), 139);
    // Nothing but the photo is left in the batch folder.
    if (!TempAppDir::onServer())
        QCOMPARE(
            QDir(world.dir.filePath(QStringLiteral("pictures/B2"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("6.jpg")});
}

void TestPhotos::attachCancelledChangesNothing() {
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 6);
    QVERIFY(world.open());
    world.nextPhotoNumber = 50;
    world.viewer.attach(true);
    QCOMPARE(world.dialogs.shown.size(), 1);
    QCOMPARE(world.nextPhotoNumber, 50);
    QCOMPARE(world.table.state(), TableState::Browse);
    QVERIFY(!QFileInfo::exists(world.dir.filePath(QStringLiteral("pictures"))));
}

void TestPhotos::failedCopyKeepsOldPhoto_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message"); // how the reason begins
    QTest::addRow("source missing") << "missing"
                                    << "Cannot open file";
    QTest::addRow("source fails while being read") << "unreadable"
                                                   << "Cannot read file";
    QTest::addRow("batch folder cannot be created") << "no folder"
                                                    << "Cannot create folder";
    QTest::addRow("a PNG named .jpg") << "png"
                                      << "Not a JPEG file";
    QTest::addRow("an empty .jpg") << "empty"
                                   << "Empty input file";
    QTest::addRow("a pipe named .jpg, which no one writes") << "pipe"
                                                            << "Cannot open file";
    QTest::addRow("larger than a camera makes") << "huge"
                                                << "The photo is larger than 64 MB: \"";
}

// One message, no change to the line, the viewer refreshed, the old photo kept.
void TestPhotos::failedCopyKeepsOldPhoto() {
    SKIP_SIDE_FILES_ON_SERVER();
    QFETCH(QString, failure);
    QFETCH(QString, message);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 8);
    QVERIFY(world.open());
    const int key = world.table.asInteger(QStringLiteral("key"));
    const QString target = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("8"));
    QByteArray old;
    QString source = world.sourcePhoto(QStringLiteral("new.jpg"), QSize(300, 400));
    if (failure == QLatin1String("missing")) {
        source = world.dir.filePath(QStringLiteral("camera/none.jpg"));
    } else if (failure == QLatin1String("unreadable")) {
        // Opens, then every read fails (nothing is mapped at address 0).
        source = QStringLiteral("/proc/self/mem");
        if (!QFile::exists(source))
            QSKIP("needs /proc/self/mem");
    } else if (failure == QLatin1String("png")) {
        QImage scan(300, 400, QImage::Format_RGB32);
        scan.fill(Qt::blue);
        QVERIFY(scan.save(source, "PNG"));
    } else if (failure == QLatin1String("empty")) {
        world.dir.writeFile(QStringLiteral("scan.jpg"), QByteArray());
        source = world.dir.filePath(QStringLiteral("scan.jpg"));
    } else if (failure == QLatin1String("huge")) {
        QFile huge(source);
        QVERIFY(huge.resize(PhotoStore::LargestPhotoBytes + 1)); // sparse: no time, no disk
    } else if (failure == QLatin1String("pipe")) {
        source = world.dir.filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    } else {
        // A plain file where the pictures folder should be.
        world.dir.writeFile(QStringLiteral("pictures"), QByteArray("x"));
    }
    if (failure != QLatin1String("no folder")) {
        old = solidJpeg(QSize(640, 480));
        world.dir.writeFile(target, old);
    }
    world.dialogs.fileAnswers << source;

    world.viewer.attach(true);
    QCOMPARE(world.dialogs.shown.size(), 2); // the file dialog, then why the copy failed
    QVERIFY2(world.dialogs.shown.at(1).startsWith(QStringLiteral("standardError: ") + message),
             qPrintable(world.dialogs.shown.at(1)));
    // Which file was not attached, also when the reason does not name it ("Empty input file.").
    if (failure != QLatin1String("no folder"))
        QVERIFY(world.dialogs.shown.at(1).endsWith("No photo was attached from \"" +
                                                   QDir::toNativeSeparators(source) + "\"."));
    QCOMPARE(world.table.state(), TableState::Browse);
    QCOMPARE(world.storedPhoto(key), QVariant(8));
    QCOMPARE(world.table.asInteger(QStringLiteral("key")), key);
    if (!old.isEmpty()) {
        QCOMPARE(world.dir.readFile(target), old);
        QCOMPARE(
            QDir(world.dir.filePath(QStringLiteral("pictures/B2"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("8.jpg")});
        QCOMPARE(world.area.width(), 247); // refreshed with the old photo
    } else {
        QVERIFY(samePicture(world.area.pixmap(), PhotoPictures::noPhoto()));
    }
}

void TestPhotos::batchThatWouldLeavePicturesHasNoPath_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>(
        "escape"); // where the photo path used to lead, relative to the application directory
    QTest::addColumn<QString>("shownBatch"); // the batch as the message shows it
    // Regression: read and replaced <application directory>/12.jpg.
    QTest::addRow("..") << ".."
                        << "12.jpg"
                        << "..";
    QTest::addRow("../zz") << "../zz"
                           << "zz/12.jpg"
                           << "../zz";
    QTest::addRow("zz/../..") << "zz/../.."
                              << "12.jpg"
                              << "zz/../..";
    QTest::addRow(".") << "."
                       << "pictures/12.jpg"
                       << ".";
    // A separator on the Windows PCs that share the register.
    QTest::addRow("backslash") << "..\\zz"
                               << "pictures/..\\zz/12.jpg"
                               << "..\\zz";
    QTest::addRow("tab") << "B\t2"
                         << "pictures/B\t2/12.jpg"
                         << "B\u24092";
    // The previews of the photos directly in "pictures" lie there.
    QTest::addRow("the previews' folder") << "Previews:"
                                          << "pictures/previews:/12.jpg"
                                          << "Previews:";
}

// A line that already holds such a batch (another clerk's, an old register)
// shows, enlarges, attaches and deletes no photo, says why once per action,
// and nothing outside its batch folder is read or written.
void TestPhotos::batchThatWouldLeavePicturesHasNoPath() {
    QFETCH(QString, batch);
    QFETCH(QString, escape);
    QFETCH(QString, shownBatch);
    ViewerWorld world({batch});
    world.storeLine(batch, 12);
    QVERIFY(world.open());
    const QByteArray escaped = solidJpeg(QSize(640, 480));
    world.dir.writeFile(escape, escaped);
    const QString refusal =
        "standardError: The batch \"" + shownBatch +
        "\" cannot name a photo folder. A batch must not be \".\", \"..\" or \"previews:\", nor hold \"/\", "
        "\"\\\" or control characters. No photo is shown, attached or deleted for this line.";

    world.viewer.showPhoto(true);
    world.viewer.showPhoto(true); // the same line again: nothing new to say
    QCOMPARE(world.dialogs.takeShown(), QStringList{refusal});
    QVERIFY(samePicture(world.area.pixmap(), PhotoPictures::noPhoto()));
    QCOMPARE(world.viewer.photoFile(), QString());

    world.viewer.enlarge();
    QCOMPARE(world.dialogs.takeShown(), QStringList{refusal});
    QCOMPARE(world.dialogs.opened, QStringList());

    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("new.jpg"), QSize(300, 400));
    world.viewer.attach(true);
    QCOMPARE(world.dialogs.takeShown(), QStringList{refusal});
    QCOMPARE(world.dir.readFile(escape), escaped);
    QCOMPARE(world.storedPhoto(1), QVariant(12));

    QCOMPARE(world.viewer.photoFileToDelete(), QString());
    QCOMPARE(world.dialogs.takeShown(), QStringList{refusal});
}

void TestPhotos::linkInPhotoFolderIsNotFollowed_data() {
    QTest::addColumn<QString>("link");  // below the photo folder, as the file register names it
    QTest::addColumn<bool>("toFolder"); // leads to a folder outside, else to a text file outside
    QTest::addRow("the photo folder is a link") << "" << true;
    // Regression: attaching replaced a JPEG outside, deleting the line deleted it.
    QTest::addRow("the batch folder is a link") << "B2" << true;
    // Regression: attaching wrote JPEG bytes over the text file.
    QTest::addRow("the photo is a link to a text file") << "B2/12.jpg" << false;
}

// Show, enlarge, attach and delete each name the link and do nothing through
// it; on a server the same holds for the local copies in the cache folder.
void TestPhotos::linkInPhotoFolderIsNotFollowed() {
    QFETCH(QString, link);
    QFETCH(bool, toFolder);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 12);
    QVERIFY(world.open());
    world.dir.writeFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("12")),
                        solidJpeg(QSize(640, 480)));
    QString entry = QDir::cleanPath(world.dir.filePath(QStringLiteral("pictures/") + link));
    if (TempAppDir::onServer()) {
        world.viewer.showPhoto(true); // leaves its copy in the cache
        const QString cache = world.dir.filePath(PhotoStore::cacheFolderName());
        const QStringList copies = QDir(cache + QStringLiteral("/b2")).entryList(QDir::Files);
        QCOMPARE(copies.size(), 1);
        entry =
            cache + QStringList{QString(), QStringLiteral("/b2"), QStringLiteral("/b2/") + copies.first()}.at(
                        link.count(u'/') + !link.isEmpty());
    }
    const QString outside =
        world.dir.filePath(toFolder ? QStringLiteral("outside") : QStringLiteral("outside.txt"));
    if (toFolder)
        QVERIFY(QDir().rename(entry, outside));
    else
        world.dir.writeFile(QStringLiteral("outside.txt"), QByteArray("private notes"));
    if (!toFolder)
        QVERIFY(QFile::remove(entry));
    QVERIFY(QFile::link(outside, entry));
    const auto everythingOutside = [&] {
        QStringList files;
        for (QDirIterator it(outside, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            QFile read(file);
            files << file + QLatin1Char('=') +
                         (read.open(QIODevice::ReadOnly) ? read.readAll().toHex() : "?");
        }
        QFile plain(outside);
        if (!toFolder && plain.open(QIODevice::ReadOnly))
            files << QString::fromLatin1(plain.readAll());
        return files;
    };
    const QStringList before = everythingOutside();
    // silent: nothing need be said (nothing was done through the link).
    const auto refusedNamingLink = [&](bool silent = false) {
        QStringList said = world.dialogs.takeShown().filter(QStringLiteral("standardError: "));
        return (silent || !said.isEmpty()) &&
               said.filter(QDir::toNativeSeparators(entry)).size() == said.size();
    };
    world.dialogs.takeShown();

    world.viewer.showPhoto(true);
    QVERIFY(refusedNamingLink());
    world.viewer.enlarge();
    QVERIFY(refusedNamingLink());
    QCOMPARE(world.dialogs.opened, QStringList());
    QCOMPARE(world.viewer.photoFileToDelete(), QString());
    QVERIFY(refusedNamingLink());
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("new.jpg"), QSize(300, 400));
    world.viewer.attach(true);
    // On a server the new version's copy lies beside the old one's link.
    QVERIFY(refusedNamingLink(TempAppDir::onServer() && link.endsWith(QLatin1String(".jpg"))));
    QCOMPARE(everythingOutside(), before);
    QVERIFY(QFileInfo(entry).isSymLink());
}

void TestPhotos::storedPhotoThatCannotBeCachedIsNotCalledMissing_data() {
    QTest::addColumn<QString>("blocked"); // a plain file where this folder of the cache should be
    QTest::addRow("the cache folder") << "pictures-cache";
    QTest::addRow("the batch folder in the cache") << "pictures-cache/b2";
}

// Regression: attaching said only "Cannot create folder", and the line then
// showed the no-photo picture, though the server held its photo.
void TestPhotos::storedPhotoThatCannotBeCachedIsNotCalledMissing() {
    if (!TempAppDir::onServer())
        QSKIP("about the server's photo cache");
    QFETCH(QString, blocked);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 12);
    QVERIFY(world.open());
    world.dir.writeFile(blocked, QByteArray("x"));
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("new.jpg"), QSize(300, 400));

    world.viewer.attach(true);
    QCOMPARE(world.dir.readFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("12"))),
             world.dir.readFile(QStringLiteral("camera/new.jpg")));
    const QStringList said = world.dialogs.takeShown();
    QCOMPARE(said.size(), 2);
    QVERIFY2(said.at(1).startsWith(
                 "standardError: The photo is stored on the server, but it cannot be shown on this PC: "
                 "Cannot create folder \"" +
                 QDir::toNativeSeparators(world.dir.filePath(QStringLiteral("pictures-cache/b2"))) + "\": "),
             qPrintable(said.at(1)));
    QVERIFY(!samePicture(world.area.pixmap(), PhotoPictures::noPhoto()));
}

void TestPhotos::photoChangedUnseenIsNotOverwritten_data() {
    QTest::addColumn<QSize>("shown");  // the photo the clerk was shown; invalid: none
    QTest::addColumn<QSize>("theirs"); // what another clerk left since; invalid: deleted
    QTest::addColumn<int>("width");    // of the picture shown after the refusal
    QTest::addRow("attached to a line shown without a photo") << QSize() << QSize(640, 480) << 247;
    QTest::addRow("replaced after it was shown") << QSize(64, 48) << QSize(640, 480) << 247;
    QTest::addRow("deleted after it was shown") << QSize(64, 48) << QSize() << 250;
}

// Regression: the other clerk's photo was replaced without a word.
void TestPhotos::photoChangedUnseenIsNotOverwritten() {
    if (!TempAppDir::onServer())
        QSKIP("a file register has no versions of its photos");
    QFETCH(QSize, shown);
    QFETCH(QSize, theirs);
    QFETCH(int, width);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 12);
    QVERIFY(world.open());
    const QString name = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("12"));
    if (shown.isValid())
        world.dir.writeFile(name, solidJpeg(shown));
    world.viewer.showPhoto(true);
    const QByteArray theirBytes = theirs.isValid() ? solidJpeg(theirs, Qt::green) : QByteArray();
    if (theirs.isValid())
        world.dir.writeFile(name, theirBytes);
    else
        OtherClient(world.dir).run(QStringLiteral("DELETE FROM shared_photos"));
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("mine.jpg"), QSize(300, 400));

    world.viewer.attach(true);
    QCOMPARE(world.dir.readFile(name), theirBytes);
    QCOMPARE(world.dialogs.takeShown().filter(QStringLiteral("changed by another user")).size(), 1);
    QCOMPARE(world.area.width(), width);
}

void TestPhotos::refusedAttachLeavesNoPhotoBehind_data() {
    QTest::addColumn<QString>(
        "refusal"); // what another program does before the line's photo number is stored
    QTest::addRow("the line's store is refused") << "refuse";
    QTest::addRow("the line was deleted") << "delete";
}

// A line without a photo gets a fresh number; when the line does not take
// it, no photo stays behind under it.
void TestPhotos::refusedAttachLeavesNoPhotoBehind() {
    QFETCH(QString, refusal);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), QVariant(QMetaType(QMetaType::Int)));
    QVERIFY(world.open());
    world.viewer.showPhoto(true);
    OtherClient other(world.dir);
    if (refusal == QLatin1String("refuse"))
        other.refuse(QStringLiteral("UPDATE"), QStringLiteral("no changes today"));
    else
        other.run(QStringLiteral("DELETE FROM Table1"));
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("mine.jpg"), QSize(300, 400));

    world.viewer.attach(true);
    QVERIFY(world.nextPhotoNumber > 1);
    QCOMPARE(world.dir.readFile(
                 ViewerWorld::photoName(QStringLiteral("B2"), QString::number(world.nextPhotoNumber))),
             QByteArray());
    if (TempAppDir::onServer())
        QCOMPARE(other.number(QStringLiteral("SELECT COUNT(*) FROM shared_photos")), 0);
}

void TestPhotos::attachGivenUpStoresNothing_data() {
    QTest::addColumn<bool>("hadPhoto");       // the line held a photo before the attach
    QTest::addColumn<bool>("backendStopped"); // else another client locks the photos
    QTest::addRow("over a photo") << true << false;
    QTest::addRow("on a line without one") << false << false;
    // The server answers within the time the cancel has, the photo written.
    QTest::addRow("over a photo, server resumes after give up") << true << true;
    QTest::addRow("on a line without one, server resumes after give up") << false << true;
}

// While the server keeps the photo waiting, Give up ends the attach and
// leaves the photo, the line and the photo number as they were.
void TestPhotos::attachGivenUpStoresNothing() {
    if (!TempAppDir::onServer())
        QSKIP("only a server keeps an attach waiting");
    QFETCH(bool, hadPhoto);
    QFETCH(bool, backendStopped);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), hadPhoto ? QVariant(12) : QVariant(QMetaType(QMetaType::Int)));
    QVERIFY(world.open());
    const int key = world.table.asInteger(QStringLiteral("key"));
    const QByteArray old = hadPhoto ? solidJpeg(QSize(64, 48)) : QByteArray();
    if (hadPhoto)
        world.dir.writeFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("12")), old);
    world.viewer.showPhoto(true);
    const QVariant number = world.storedPhoto(key);
    ServerWaitIndicator wait(world.dialogs);
    QString error;
    Engine* engine = world.database.serverEngine(&error);
    StoppedBackend stopped(
        *engine, wait, {QStringLiteral("INSERT INTO shared_photos"), QStringLiteral("UPDATE shared_photos")});
    engine->setWait(backendStopped ? static_cast<ServerWait*>(&stopped) : &wait);
    OtherClient other(world.dir);
    if (!backendStopped) {
        other.run(QStringLiteral("BEGIN"));
        other.run(QStringLiteral("LOCK TABLE shared_photos IN ACCESS EXCLUSIVE MODE"));
    }
    world.dialogs.giveUpWaiting = true;
    world.dialogs.fileAnswers << world.sourcePhoto(QStringLiteral("mine.jpg"), QSize(300, 400));

    world.viewer.attach(true);
    QVERIFY(!world.dialogs.waited.isEmpty());
    QCOMPARE(stopped.resumed(), backendStopped);
    if (!backendStopped)
        other.unlock();
    world.dialogs.giveUpWaiting = false;
    QCOMPARE(world.storedPhoto(key), number);
    QCOMPARE(other.number(QStringLiteral("SELECT COUNT(*) FROM shared_photos")), hadPhoto ? 1 : 0);
    if (hadPhoto)
        QCOMPARE(world.dir.readFile(ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("12"))), old);
}

void TestPhotos::photoCacheKeepsLatestCopiesWithinBound_data() {
    QTest::addColumn<QStringList>("files"); // below the cache folder, written oldest first; "->" makes a link
    QTest::addColumn<qint64>("bound");
    QTest::addColumn<QStringList>("kept");
    const qint64 ample = 1 << 20;
    QTest::addRow("older versions of a photo go")
        << QStringList{"b2/12-3.jpg", "b2/12-5.jpg", "b2/7-4.jpg", "12-2.jpg"} << ample
        << QStringList{"12-2.jpg", "b2/12-5.jpg", "b2/7-4.jpg"};
    // Each copy holds 100 bytes.
    QTest::addRow("over the bound, the oldest go first")
        << QStringList{"a/1-1.jpg", "b/2-2.jpg", "a/3-3.jpg", "4-4.jpg"} << qint64(250)
        << QStringList{"4-4.jpg", "a/3-3.jpg"};
    QTest::addRow("other files and links are left alone")
        << QStringList{"notes.txt", "b2/1-x.jpg", "b2/old-> ../../outside"} << qint64(0)
        << QStringList{"b2/1-x.jpg", "notes.txt"};
}

// Regression: every version a PC was ever shown stayed, 22 MB each.
void TestPhotos::photoCacheKeepsLatestCopiesWithinBound() {
    QFETCH(QStringList, files);
    QFETCH(qint64, bound);
    QFETCH(QStringList, kept);
    TempAppDir dir(false);
    const QString cache = dir.filePath(PhotoStore::cacheFolderName());
    dir.writeFile(QStringLiteral("outside/1-1.jpg"), QByteArray(100, 'o'));
    dir.writeFile(QStringLiteral("outside/1-2.jpg"), QByteArray(100, 'o'));
    const QDateTime start = QDateTime::currentDateTime().addDays(-1);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QStringList link = files.at(i).split(QStringLiteral("-> "));
        const QString path = cache + QLatin1Char('/') + link.first();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (link.size() == 2) {
            QVERIFY(QFile::link(link.last(), path));
            continue;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100, 'x')) == 100 && file.flush());
        QVERIFY(file.setFileTime(start.addSecs(i * 60), QFileDevice::FileModificationTime));
    }

    PhotoCacheUpkeep::tidy(cache, bound);
    QStringList left;
    for (QDirIterator it(cache, QDir::Files | QDir::System, QDirIterator::Subdirectories); it.hasNext();)
        left << QDir(cache).relativeFilePath(it.next());
    left.sort();
    QCOMPARE(left, kept);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("outside"))).entryList(QDir::Files).size(), 2);
}

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"

void TestPhotos::photoAndPreviewAgree_data() {
    // Each step: "attach WxH colour", "other WxH colour" (another program
    // writes the photo, without a preview), "show", "delete".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QSize>("previewSize"); // empty: neither photo nor preview is left
    QTest::addColumn<QColor>("colour");
    QTest::addRow("attach") << QStringList{"attach 1600x1200 red"} << QSize(640, 480) << QColor(Qt::red);
    QTest::addRow("attach a photo smaller than a preview")
        << QStringList{"attach 300x400 red"} << QSize(300, 400) << QColor(Qt::red);
    QTest::addRow("replace") << QStringList{"attach 1600x1200 red", "attach 900x1200 blue"} << QSize(480, 640)
                             << QColor(Qt::blue);
    QTest::addRow("delete") << QStringList{"attach 1600x1200 red", "delete"} << QSize() << QColor();
    QTest::addRow("a photo without a preview")
        << QStringList{"other 2000x1000 green", "show"} << QSize(640, 320) << QColor("green");
    // The old preview is not taken for the new photo's.
    QTest::addRow("replaced by another program")
        << QStringList{"attach 1600x1200 red", "other 1000x2000 blue", "show"} << QSize(320, 640)
        << QColor(Qt::blue);
}

// After each row the stored photo and its preview agree: the preview is the
// photo scaled to 640 pixels on its longer side, or there is neither.
void TestPhotos::photoAndPreviewAgree() {
    QFETCH(QStringList, steps);
    QFETCH(QSize, previewSize);
    QFETCH(QColor, colour);
    ViewerWorld world;
    world.storeLine(QStringLiteral("B2"), 6);
    QVERIFY(world.open());
    const QString photo = ViewerWorld::photoName(QStringLiteral("B2"), QStringLiteral("6"));
    int made = 0;
    for (const QString& step : steps) {
        const QStringList words = step.split(u' ');
        const QStringList wh = words.value(1).split(u'x');
        const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
        if (words[0] == QLatin1String("attach")) {
            world.dir.writeFile(QStringLiteral("camera/%1.jpg").arg(++made),
                                solidJpeg(size, QColor(words[2])));
            world.dialogs.fileAnswers << world.dir.filePath(QStringLiteral("camera/%1.jpg").arg(made));
            world.viewer.attach(true);
        } else if (words[0] == QLatin1String("other")) {
            world.dir.writeFile(photo, solidJpeg(size, QColor(words[2])));
            // A file time the old preview cannot have.
            QFile file(world.dir.filePath(photo));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                                     QFileDevice::FileModificationTime));
        } else if (words[0] == QLatin1String("show")) {
            // The user's next step comes after the attach's step has ended.
            QCoreApplication::processEvents();
            world.viewer.showPhoto(true);
        } else if (words[0] == QLatin1String("delete")) {
            world.viewer.deletePhoto(world.viewer.photoFileToDelete());
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(!world.store.makingPreviews(), 120000);
    QCOMPARE(world.dialogs.shown.filter(QStringLiteral("standardError")), QStringList());

    QByteArray preview;
    if (TempAppDir::onServer()) {
        preview = QByteArray::fromBase64(
            OtherClient(world.dir)
                .text(
                    QStringLiteral("SELECT encode(preview, 'base64') FROM shared_photos WHERE number = '6'"))
                .toLatin1());
    } else {
        const QString file = world.dir.filePath(photo);
        if (PhotoPreview::isCurrent(file)) {
            QFile previewFile(PhotoPreview::fileOf(file));
            QVERIFY(previewFile.open(QIODevice::ReadOnly));
            preview = previewFile.readAll();
        }
    }
    if (previewSize.isEmpty()) {
        QCOMPARE(world.dir.readFile(photo), QByteArray());
        QCOMPARE(preview, QByteArray());
        if (!TempAppDir::onServer())
            QVERIFY(!QFileInfo::exists(PhotoPreview::fileOf(world.dir.filePath(photo))));
        return;
    }
    JpegDecoder decoder;
    QVERIFY2(decoder.decodeDataWithin(preview, 10000), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.sourceSize(), previewSize);
    QVERIFY(near(decoder.picture().pixel(previewSize.width() / 2, previewSize.height() / 2), colour, 16));
}
