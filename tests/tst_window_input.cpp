// What the user brings into the register (list entries, pasted text, notes,
// photo files) is stored whole or refused with a word, never cut, changed or
// left to hang the window. Each case drives the real window.

#include "app/DBEdit.h"
#include "app/DBMemo.h"
#include "lists/gui/Unit2.h"
#include "photos/gui/PhotoArea.h"
#include "support/JpegBytes.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QVariantMap line(const QString& batch, const QString& note = {}, int photo = 0) {
    return {{"dostavcik", "Zara"},  {"artikul", "shirt"}, {"batch", batch},  {"paracbr", 10}, {"polucbr", 10},
            {"pokupnacena", 10000}, {"obsto", 100000},    {"belejka", note}, {"photo", photo}};
}

// A column of a stored line, read past the window's own connection.
QString stored(const WindowFixture& f, qint64 key, const char* column) {
    return OtherClient(f.dir).stored(qint32(key), QString::fromLatin1(column)).toString();
}

// A colourful progressive JPEG (4:4:4), so that every scan carries data.
QByteArray progressiveJpeg(int width, int height) {
    JpegShape shape;
    shape.width = width;
    shape.height = height;
    shape.progressive = true;
    shape.fullChroma = true;
    return encodeJpeg(shape, [&](int line, JSAMPLE* samples) {
        for (int i = 0; i < width * 3; ++i)
            samples[i] = JSAMPLE((i * 7 + line * 13) % 256);
    });
}

// The frame header claims another size; the data stays that of the small image.
QByteArray claimingSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = jpeg.indexOf("\xff\xc2");
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xff);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xff);
    return jpeg;
}

// The file's shortest scan repeated until the file holds `scans` more. Tables
// stay defined from one scan to the next, and the entropy data never holds a
// bare 0xFF, so the next table, scan or end marker ends a scan.
QByteArray withRepeatedScans(const QByteArray& jpeg, int scans) {
    QByteArray shortest;
    for (qsizetype at = jpeg.indexOf("\xff\xda"); at >= 0; at = jpeg.indexOf("\xff\xda", at + 2)) {
        qsizetype end = jpeg.size() - 2;
        for (const char* marker : {"\xff\xc4", "\xff\xda"}) {
            const qsizetype next = jpeg.indexOf(marker, at + 2);
            if (next > 0)
                end = qMin(end, next);
        }
        if (shortest.isEmpty() || end - at < shortest.size())
            shortest = jpeg.mid(at, end - at);
    }
    return jpeg.left(jpeg.size() - 2) + shortest.repeated(scans) + QByteArray("\xff\xd9");
}

// Entropy data cut in the middle of the first scan, with an end marker after it.
QByteArray cutWithEndMarker(const QByteArray& jpeg) {
    const qsizetype scan = jpeg.indexOf("\xff\xda");
    const qsizetype next = jpeg.indexOf("\xff\xc4", scan);
    return jpeg.left((scan + next) / 2) + QByteArray("\xff\xd9");
}

} // namespace

class WindowInputTest : public QObject {
    Q_OBJECT
  private slots:
    void listEditorRefusesEntriesTooLongForTheirColumn_data();
    void listEditorRefusesEntriesTooLongForTheirColumn();
    void startupNamesLongListEntriesOnce_data();
    void startupNamesLongListEntriesOnce();
    void pastedLineBreaksBecomeSpaces_data();
    void pastedLineBreaksBecomeSpaces();
    void noteKeepsItsLineBreaks_data();
    void noteKeepsItsLineBreaks();
    void craftedPhotoIsRefusedQuickly_data();
    void craftedPhotoIsRefusedQuickly();
};

void WindowInputTest::listEditorRefusesEntriesTooLongForTheirColumn_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named"); // empty when the text is accepted
    QTest::addRow("batch of 11 refused") << "Button9"
                                         << "Batches.txt"
                                         << "A1\n2025-Spring"
                                         << "Batches (at most 7 characters): 2025-Spring";
    QTest::addRow("batch of 7 accepted") << "Button9"
                                         << "Batches.txt"
                                         << "A1\n2025-Sp"
                                         << "";
    QTest::addRow("supplier of 51 refused, the fitting one not named")
        << "Button8"
        << "Suppliers.txt" << QString(50, 'a') + "\n" + QString(51, 'b')
        << "Suppliers (at most 50 characters): " + QString(51, 'b');
    QTest::addRow("article of 50 accepted") << "Button6"
                                            << "Articles.txt" << QString(50, 'c') << "";
}

void WindowInputTest::listEditorRefusesEntriesTooLongForTheirColumn() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    WindowFixture f;
    f.dir.writeFile(file, "old");
    TForm1& form = f.open();
    TForm2* editor = form.findChild<TForm2*>("Form2");
    bool stayedOpen = false;
    QTimer::singleShot(0, editor, [&] {
        editor->Memo1->setPlainText(typed);
        editor->Button1->click();
        stayedOpen = editor->isVisible() && editor->Memo1->toPlainText() == typed;
        if (editor->isVisible())
            editor->Button2->click();
    });
    WindowFixture::click(form.findChild<QPushButton*>(button));
    if (named.isEmpty()) {
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.dir.readFile(file), typed.replace("\n", "\r\n").toUtf8());
        return;
    }
    QCOMPARE(f.dialogs.shown, QStringList{"information: These entries are longer than their column holds and "
                                          "would be stored cut:\r\n" +
                                          named + "\r\nShorten them and press OK again."});
    QVERIFY(stayedOpen);
    QCOMPARE(f.dir.readFile(file), QByteArray("old"));
}

void WindowInputTest::startupNamesLongListEntriesOnce_data() {
    QTest::addColumn<QByteArray>("batches");
    QTest::addColumn<QByteArray>("suppliers");
    QTest::addColumn<QStringList>("shown");
    QTest::addRow("all fit") << QByteArray("A1\r\n1234567") << QByteArray("Zara") << QStringList{};
    QTest::addRow("two lists, one message")
        << QByteArray("A1\r\n2025-Spring\r\n2025-Autumn") << QByteArray("Zara\r\n") + QByteArray(51, 's')
        << QStringList{
               "information: These entries are longer than their column holds and would be stored cut:\r\n"
               "Suppliers (at most 50 characters): " +
               QString(51, 's') +
               "\r\n"
               "Batches (at most 7 characters): 2025-Autumn, 2025-Spring\r\n"
               "Shorten them in the list editor."};
}

void WindowInputTest::startupNamesLongListEntriesOnce() {
    QFETCH(QByteArray, batches);
    QFETCH(QByteArray, suppliers);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", batches);
    f.dir.writeFile("Suppliers.txt", suppliers);
    f.open();
    QTEST(f.dialogs.shown, "shown");
}

void WindowInputTest::pastedLineBreaksBecomeSpaces_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::addRow("CR LF") << "DBEdit13"
                           << "red\r\nblue"
                           << "red blue";
    QTest::addRow("LF, twice") << "DBEdit13"
                               << "red\nblue\ngreen"
                               << "red blue green";
    QTest::addRow("CR") << "DBEdit13"
                        << "red\rblue"
                        << "red blue";
    QTest::addRow("break at the end") << "DBEdit13"
                                      << "red\r\n"
                                      << "red ";
    QTest::addRow("company name") << "ecompany"
                                  << "Nelvo\r\nLtd"
                                  << "Nelvo Ltd";
}

void WindowInputTest::pastedLineBreaksBecomeSpaces() {
    QFETCH(QString, field);
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    WindowFixture f;
    const qint64 key = f.insertLine(line("A1"));
    TForm1& form = f.open();
    auto* edit = form.findChild<QLineEdit*>(field);
    QGuiApplication::clipboard()->setText(pasted);
    WindowFixture::focus(edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), kept);
    if (field == "ecompany") {
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(f.dir.readFile("Company.txt"), (kept + "\r\n").toUtf8());
    } else {
        WindowFixture::click(form.Button5);
        QCOMPARE(stored(f, key, "cvet"), kept);
    }
    QVERIFY(f.dialogs.shown.isEmpty());
}

void WindowInputTest::noteKeepsItsLineBreaks_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("stored");
    QTest::addRow("CR LF kept, a typed break too") << "first\r\nsecond"
                                                   << "first\r\nsecondx\r\ny";
    QTest::addRow("LF kept") << "first\nsecond"
                             << "first\nsecondx\ny";
    QTest::addRow("CR kept") << "first\rsecond"
                             << "first\rsecondx\ry";
    QTest::addRow("no break yet: CR LF") << "first"
                                         << "firstx\r\ny";
    QTest::addRow("blanks and no-break space kept") << " a\u00a0b \r\n"
                                                    << " a\u00a0b \r\nx\r\ny";
}

void WindowInputTest::noteKeepsItsLineBreaks() {
    QFETCH(QString, note);
    WindowFixture f;
    const qint64 key = f.insertLine(line("A1", note));
    TForm1& form = f.open();
    WindowFixture::focus(form.DBMemo1);
    form.DBMemo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(form.DBMemo1, "x");
    QTest::keyClick(form.DBMemo1, Qt::Key_Return);
    QTest::keyClicks(form.DBMemo1, "y");
    WindowFixture::click(form.Button5);
    QTEST(stored(f, key, "belejka"), "stored");
}

void WindowInputTest::craftedPhotoIsRefusedQuickly_data() {
    QTest::addColumn<QByteArray>("photo");
    QTest::addColumn<QString>("message");
    const QByteArray small = progressiveJpeg(256, 192);
    QTest::addRow("20000 tiny scans")
        << withRepeatedScans(small, 20000)
        << "The photo has more than 100 scans, far more than any real photo has.";
    QTest::addRow("header claims 18000 x 18000")
        << claimingSize(small, 18000, 18000)
        << "The photo claims 18000 x 18000 pixels, more than can be shown.";
    QTest::addRow("header claims 9000 x 9000, too much memory")
        << claimingSize(small, 9000, 9000)
        << "The photo needs more memory to decode than a preview may take.";
    QTest::addRow("data cut, end marker after it")
        << cutWithEndMarker(small) << "Corrupt JPEG data: premature end of data segment.";
}

void WindowInputTest::craftedPhotoIsRefusedQuickly() {
    QFETCH(QByteArray, photo);
    QFETCH(QString, message);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "A1");
    f.insertLine(line("A1", {}, 5));
    f.dir.writeFile("pictures/A1/5.jpg", photo);
    // Each message is given by a bound checked before the decoding's work
    // (scans, pixels, memory, data): the refusal is the proof that the work
    // stopped at the bound, whatever the machine's speed.
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown, QStringList{"standardError: " + message});
    QCOMPARE(form.Image1->width(), int(PhotoArea::InitialWidth)); // as it was before
}

QTEST_MAIN(WindowInputTest)
#include "tst_window_input.moc"
