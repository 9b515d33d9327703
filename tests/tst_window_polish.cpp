// What the user reads in the window: one message per problem, numbers and
// captions shown whole, status panels that stay apart in a narrow window,
// dates in the user's format, and the about page behind the credit line.

#include "app/CreditLabel.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "photos/PhotoArea.h"
#include "support/WindowFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QVariantMap line(const QString& article, int photo, qint64 moneyUnits = 1250000, int received = 10)
{
    return {{"dostavcik", "Zara"},      {"artikul", article},    {"batch", "B2"},
            {"paracbr", received},      {"polucbr", received},   {"pokupnacena", 125000},
            {"obsto", moneyUnits},      {"photo", photo},        {"date", "2026-12-07"}};
}

const QByteArray NotAPhoto("hello, not a photo");

int countShown(const QStringList& shown, const QString& part)
{
    int n = 0;
    for (const QString& text : shown)
        n += text.contains(part) ? 1 : 0;
    return n;
}

} // namespace

class WindowPolishTest : public QObject {
    Q_OBJECT
private slots:
    void oneMessagePerDamagedPhoto_data();
    void oneMessagePerDamagedPhoto();
};

void WindowPolishTest::oneMessagePerDamagedPhoto_data()
{
    QTest::addColumn<QString>("action");
    QTest::addRow("start-up on the line") << "start";
    QTest::addRow("move to the line") << "last";
    QTest::addRow("store the line") << "store";
    QTest::addRow("attach to a stored line") << "attach";
    QTest::addRow("attach while editing") << "attach while editing";
    QTest::addRow("attach to a new line") << "attach to new";
    QTest::addRow("attach over a photo already reported") << "attach over damaged";
}

// Every step of an action may show the photo again; the user reads about a
// file that cannot be shown once per action.
void WindowPolishTest::oneMessagePerDamagedPhoto()
{
    QFETCH(QString, action);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "B2\r\n");
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    f.dir.writeFile("articles.txt", "shirt\r\n");
    f.insertLine(line("shirt", 1));
    f.insertLine(line("shirt", 2));
    const QString chosen = f.dir.filePath("camera/letter.jpg");
    f.dir.writeFile("camera/letter.jpg", NotAPhoto);
    // The register opens on its first line.
    const bool damagedAtStart = action == QLatin1String("start") || action.endsWith(QLatin1String("damaged"));
    if (damagedAtStart)
        f.dir.writeFile("pictures/B2/1.jpg", NotAPhoto);
    TForm1& form = f.open();
    if (action != QLatin1String("start"))
        QCOMPARE(countShown(f.dialogs.takeShown(), "Not a JPEG file"), damagedAtStart ? 1 : 0);

    if (action == QLatin1String("last")) {
        f.dir.writeFile("pictures/B2/2.jpg", NotAPhoto);
        f.click(form.SpeedButton4);
    } else if (action == QLatin1String("store")) {
        f.dir.writeFile("pictures/B2/1.jpg", NotAPhoto);
        f.retype(form.DBEdit13, "red");
        f.click(form.Button5);
    } else if (action.startsWith(QLatin1String("attach"))) {
        if (action.endsWith(QLatin1String("editing")))
            f.retype(form.DBEdit13, "red");
        if (action.endsWith(QLatin1String("new")))
            f.click(form.Button1);
        f.dialogs.fileAnswers << chosen;
        QTest::mouseClick(form.Image1, Qt::RightButton);
    }
    QCOMPARE(countShown(f.dialogs.shown, "Not a JPEG file"), 1);
}

QTEST_MAIN(WindowPolishTest)
#include "tst_window_polish.moc"
