// What the user reads in the window: one message per problem, numbers and
// captions shown whole, status panels that stay apart in a narrow window,
// dates in the user's format, the about page behind the credit line, and a
// window whose frame fits the screen.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "data/OrderColumns.h"
#include "photos/gui/PhotoArea.h"
#include "support/WindowFixture.h"
#include "ui/ScreenFit.h"
#include "ui/StatusPanel.h"

#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QtTest>

namespace {

QVariantMap line(const QString& article, int photo, qint64 moneyUnits = 1250000, int received = 10) {
    return {{"dostavcik", "Zara"}, {"artikul", article},  {"batch", "B2"},
            {"paracbr", received}, {"polucbr", received}, {"pokupnacena", 125000},
            {"obsto", moneyUnits}, {"photo", photo},      {"date", "2026-12-07"}};
}

const QByteArray NotAPhoto("hello, not a photo");

int countShown(const QStringList& shown, const QString& part) {
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
    void numbersAndCaptionsShownWhole_data();
    void numbersAndCaptionsShownWhole();
    void statusPanelsElideInANarrowWindow_data();
    void statusPanelsElideInANarrowWindow();
    void gridShowsDatesInTheUsersFormat_data();
    void gridShowsDatesInTheUsersFormat();
    void filterLabelIsReadAsShown();
    void newLineTakesARowWithoutRelayingTheRows_data();
    void newLineTakesARowWithoutRelayingTheRows();
    void windowFrameFitsTheScreen_data();
    void windowFrameFitsTheScreen();
};

void WindowPolishTest::oneMessagePerDamagedPhoto_data() {
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
void WindowPolishTest::oneMessagePerDamagedPhoto() {
    QFETCH(QString, action);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "B2\r\n");
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    f.dir.writeFile("articles.txt", "shirt\r\n");
    f.insertLine(line("shirt", 1));
    f.insertLine(line("shirt", 2));
    const QString chosen = f.dir.filePath("camera/letter.jpg");
    f.dir.writeFile("camera/letter.jpg", NotAPhoto);
    // The register opens on its first line. A store shows the photo its line
    // showed while it was pending, so its message is the start's, not a second.
    const bool damagedAtStart = action == QLatin1String("start") || action == QLatin1String("store") ||
                                action.endsWith(QLatin1String("damaged"));
    if (damagedAtStart)
        f.dir.writeFile("pictures/B2/1.jpg", NotAPhoto);
    TForm1& form = f.open();
    if (action != QLatin1String("start"))
        QCOMPARE(countShown(f.dialogs.takeShown(), "Not a JPEG file"), damagedAtStart ? 1 : 0);

    if (action == QLatin1String("last")) {
        f.dir.writeFile("pictures/B2/2.jpg", NotAPhoto);
        f.click(form.SpeedButton4);
    } else if (action == QLatin1String("store")) {
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
    QCOMPARE(countShown(f.dialogs.shown, "Not a JPEG file"), action == QLatin1String("store") ? 0 : 1);
}

void WindowPolishTest::numbersAndCaptionsShownWhole_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<qint64>("moneyUnits"); // of each of the five lines
    QTest::addColumn<int>("received");
    // The money summary of the whole 1M-line register read 93646542.25.
    QTest::addRow("money summary 1593646542.25") << "etotal" << Q_INT64_C(3187293084500) << 10;
    QTest::addRow("pieces count of eleven digits") << "eobstbr" << Q_INT64_C(10000) << 2000000000;
    // A fifth of the largest sum the register can hold.
    QTest::addRow("money of a line, 184467440737095.5161")
        << "DBEdit12" << Q_INT64_C(1844674407370955161) << 10;
    QTest::addRow("navigation: First") << "SpeedButton1" << Q_INT64_C(0) << 0;
    QTest::addRow("navigation: Prev") << "SpeedButton2" << Q_INT64_C(0) << 0;
    QTest::addRow("navigation: Next") << "SpeedButton3" << Q_INT64_C(0) << 0;
    QTest::addRow("navigation: Last") << "SpeedButton4" << Q_INT64_C(0) << 0;
}

// A number cut off at either end reads as another number; a caption cut off
// reads as nothing. Small values keep the 12-point font of the counters.
void WindowPolishTest::numbersAndCaptionsShownWhole() {
    QFETCH(QString, control);
    QFETCH(qint64, moneyUnits);
    QFETCH(int, received);
    WindowFixture f;
    for (int i = 0; i < 5; ++i)
        f.insertLine(line("shirt", 0, moneyUnits, received));
    TForm1& form = f.open();
    QWidget* widget = form.findChild<QWidget*>(control);
    QVERIFY(widget);
    QStyle* style = widget->style();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const int room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= room, qPrintable(button->text()));
        return;
    }
    auto* field = qobject_cast<QLineEdit*>(widget);
    QVERIFY(field->text().size() > 10);
    // The frame, then two pixels either side of the text and one for the cursor.
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    const auto fits = [field, frame] {
        return field->fontMetrics().horizontalAdvance(field->text()) + 2 * frame + 5 <=
               field->contentsRect().width();
    };
    QVERIFY2(fits(), qPrintable(field->text()));
    // Back to a short number, back to the field's own font.
    if (field == form.DBEdit12)
        return;
    const QFont own = field->font();
    field->setText(QStringLiteral("12.5"));
    QCOMPARE(field->font().pointSizeF(), 12.0);
    QVERIFY(own.pointSizeF() < 12.0);
}

void WindowPolishTest::statusPanelsElideInANarrowWindow_data() {
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<bool>("elided");
    QTest::addRow("designed width: whole texts") << 1016 << false;
    QTest::addRow("narrow window: elided, apart") << 520 << true;
}

void WindowPolishTest::statusPanelsElideInANarrowWindow() {
    QFETCH(int, windowWidth);
    QFETCH(bool, elided);
    WindowFixture f;
    f.insertLine(line("shirt", 0, Q_INT64_C(15936465422500), 2000000000));
    TForm1& form = f.open();
    WindowFixture::click(form.Button1); // the longest data mode: "Add New Data Mode"
    form.resize(windowWidth, 706);
    QTRY_COMPARE(form.width(), windowWidth);
    form.statusBar()->layout()->activate();
    int right = -1;
    for (int i = 0; i < StatusPanels::Count; ++i) {
        auto* panel = qobject_cast<StatusPanel*>(form.statusPanels().label(i));
        QVERIFY(panel);
        QVERIFY2(panel->x() > right, qPrintable(panel->text()));
        right = panel->geometry().right();
        QVERIFY(right < form.statusBar()->width());
        const QString shown = panel->shownText();
        QVERIFY(panel->fontMetrics().horizontalAdvance(shown) <= panel->contentsRect().width());
        if (i == StatusPanels::Money)
            QCOMPARE(shown.endsWith(QStringLiteral("…")), elided);
        if (!elided)
            QCOMPARE(shown, panel->text());
    }
}

void WindowPolishTest::gridShowsDatesInTheUsersFormat_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("shown");
    QTest::addRow("Bulgarian") << QLocale(QLocale::Bulgarian, QLocale::Bulgaria) << "7.12.2026 г.";
    QTest::addRow("English, United States")
        << QLocale(QLocale::English, QLocale::UnitedStates) << "12/7/2026";
    QTest::addRow("C: as stored") << QLocale::c() << "2026-12-07";
}

void WindowPolishTest::gridShowsDatesInTheUsersFormat() {
    QFETCH(QLocale, locale);
    QFETCH(QString, shown);
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    QLocale::setDefault(locale);
    WindowFixture f;
    f.insertLine(line("shirt", 0));
    TForm1& form = f.open();
    const QModelIndex date = form.DBGrid1->model()->index(0, OrderColumns::Date);
    QCOMPARE(date.data().toString(), shown);
    QVERIFY(form.DBGrid1->fontMetrics().horizontalAdvance(shown) <
            form.DBGrid1->columnWidth(OrderColumns::Date));
}

void WindowPolishTest::filterLabelIsReadAsShown() {
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    TForm1& form = f.open();
    f.choose(form.cbfiltersup, "Zara");
    QCOMPARE(form.lrecalc->text(), QStringLiteral("Zara"));
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(form.lrecalc);
    QVERIFY(label);
    QCOMPARE(label->text(QAccessible::Name), QStringLiteral("Zara"));
}

void WindowPolishTest::newLineTakesARowWithoutRelayingTheRows_data() {
    QTest::addColumn<int>("lines");
    QTest::addRow("fewer lines than the grid shows") << 3;
    QTest::addRow("more lines than the grid shows") << 60;
}

// The row header's sections stay as they are while a line is added, dropped
// and stored (renumbering them costs a pass over every line of the view);
// the grid still shows the new line as its own row, scrolls to it, and shows
// nothing below the last line.
void WindowPolishTest::newLineTakesARowWithoutRelayingTheRows() {
    QFETCH(int, lines);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Mango\r\nZara\r\n");
    f.dir.writeFile("articles.txt", "shirt\r\n");
    QVariantMap other = line("shirt", 0);
    other["dostavcik"] = "Mango";
    f.insertLine(other);
    for (int i = 1; i < lines; ++i)
        f.insertLine(line("shirt", i + 1));
    TForm1& form = f.open();
    WindowFixture::click(form.SpeedButton4); // where Cancel comes back to
    OrderGrid* grid = form.DBGrid1;
    const QImage before = grid->grab().toImage();
    const int scrollRange = grid->verticalScrollBar()->maximum();
    QSignalSpy sections(grid->verticalHeader(), &QHeaderView::sectionCountChanged);
    auto lastRowShown = [grid](int row) {
        return grid->model()->rowCount() == row + 1 && grid->currentIndex().row() == row &&
               grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(row, 0)));
    };

    WindowFixture::click(form.Button1);
    QVERIFY(lastRowShown(lines));
    WindowFixture::click(form.Button7);
    QCOMPARE(grid->model()->rowCount(), lines);
    QCOMPARE(grid->verticalScrollBar()->maximum(), scrollRange);
    QCOMPARE(grid->grab().toImage(), before);

    WindowFixture::click(form.Button1);
    WindowFixture::choose(form.DBComboBox2, "Zara");
    WindowFixture::choose(form.DBComboBox1, "shirt");
    WindowFixture::typeInto(form.DBEdit7, "2.5");
    WindowFixture::typeInto(form.DBEdit16, "3");
    WindowFixture::click(form.Button5);
    QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
    QCOMPARE(form.table().state(), TableState::Browse);
    QVERIFY(lastRowShown(lines));
    QCOMPARE(grid->model()->index(lines, OrderColumns::Artikul).data().toString(), QStringLiteral("shirt"));
    QCOMPARE(sections.count(), 0);
    // Scrolled to the end, the stored line is the last row, not above empty ones.
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    const QRect last = grid->visualRect(grid->model()->index(lines, 0));
    QVERIFY(grid->viewport()->rect().contains(last));
    if (grid->verticalScrollBar()->maximum() > 0)
        QVERIFY(last.bottom() >= grid->viewport()->height() - 2 * grid->rowHeight(lines));

    // A smaller view: one line, nothing to scroll, nothing drawn below it.
    WindowFixture::choose(form.cbfiltersup, "Mango");
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->verticalScrollBar()->maximum(), 0);
    const QImage rows = grid->viewport()->grab().toImage();
    const int below = grid->rowViewportPosition(0) + grid->rowHeight(0) + 1;
    for (int y = below; y < rows.height(); y += 3)
        for (int x = 0; x < rows.width(); x += 3)
            QCOMPARE(rows.pixel(x, y), rows.pixel(0, below));
    QCOMPARE(sections.count(), 0);
}

void WindowPolishTest::windowFrameFitsTheScreen_data() {
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QPoint>("frameTopLeft");
    const QSize designed(1016, 706);
    QTest::addRow("large screen: designed size, centred")
        << QMargins(1, 20, 1, 1) << QRect(0, 0, 1920, 1080) << designed << QPoint(451, 176);
    QTest::addRow("small screen, title bar: frame fills the height")
        << QMargins(0, 20, 0, 0) << QRect(0, 0, 1024, 600) << QSize(1016, 580) << QPoint(4, 0);
    QTest::addRow("not yet framed: client fills the height")
        << QMargins() << QRect(0, 0, 1024, 600) << QSize(1016, 600) << QPoint(4, 0);
    QTest::addRow("panel on top, borders: inside the area")
        << QMargins(4, 24, 4, 4) << QRect(0, 30, 1024, 570) << QSize(1016, 542) << QPoint(0, 30);
}

void WindowPolishTest::windowFrameFitsTheScreen() {
    QFETCH(QMargins, frame);
    QFETCH(QRect, available);
    QFETCH(QSize, client);
    QFETCH(QPoint, frameTopLeft);
    const ScreenFit::Placement placement = ScreenFit::place(QSize(1016, 706), frame, available);
    QCOMPARE(placement.clientSize, client);
    QCOMPARE(placement.frameTopLeft, frameTopLeft);
    QVERIFY(available.contains(QRect(placement.frameTopLeft, placement.clientSize.grownBy(frame))));
}

QTEST_MAIN(WindowPolishTest)
#include "tst_window_polish.moc"
