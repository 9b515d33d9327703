// The refused-number path as a hand meets it, under a real X server
// (xvfb-run) with real pointer and key input from xdotool: the button is held
// 100 ms while the focus moves, which a Qt Test click sent offscreen does not
// do. Runs with QT_QPA_PLATFORM=xcb.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "support/WindowFixture.h"

#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Every step waits for the state it needs, never for a time: on a busy
// machine the X server and the window may take seconds to answer. The bound
// only ends a test that is stuck.
constexpr int StateWaitMs = 30000;

// Runs xdotool with the given commands while the window's event loop goes on,
// so that every event reaches the window when X delivers it.
bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForStarted())
        return false;
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, StateWaitMs)) {
        qWarning("xdotool %s did not end", qPrintable(arguments.join(u' ')));
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The window as the X server shows it: mapped, active, and fitted to the
// screen, so that no later move shifts what the pointer aims at.
bool windowSettled(TForm1& form) {
    const QRect available = form.screen()->availableGeometry();
    return QTest::qWaitFor(
        [&] {
            const QSize frame = form.frameGeometry().size() - form.size();
            return form.isActiveWindow() && available.contains(form.frameGeometry()) &&
                   form.size() == TForm1::DesignedSize.boundedTo(available.size() - frame);
        },
        StateWaitMs);
}

QStringList pointerTo(QWidget* widget, QPoint at) {
    const QPoint global = widget->mapToGlobal(at);
    return {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())};
}

// Moves the pointer off the window's widgets and onto the widget, and waits
// until the widget has seen it come in. X delivers events in order, so
// everything sent before has been handled too.
bool pointAt(QWidget* widget, QPoint at) {
    const QStringList off{QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")};
    if (!xdotool(off + pointerTo(widget, at)))
        return false;
    if (QTest::qWaitFor([widget] { return widget->underMouse(); }, StateWaitMs))
        return true;
    qWarning("%s never saw the pointer come in", qPrintable(widget->objectName()));
    return false;
}

bool pointAt(QWidget* widget) {
    return pointAt(widget, widget->rect().center());
}

const QStringList HeldClick{"mousedown", "1", "sleep", "0.1", "mouseup", "1"};

void insertLines(WindowFixture& f, int count) {
    for (int i = 0; i < count; ++i)
        f.insertLine({{"dostavcik", "Zara"},
                      {"artikul", "coat"},
                      {"paracbr", 2},
                      {"polucbr", 2},
                      {"pokupnacena", 10000},
                      {"obsto", 20000}});
}

} // namespace

class XHeldClickTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a real X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
                 "xdotool is not installed");
    }
    void refusedNumberSaysWhyOnAHeldClick_data();
    void refusedNumberSaysWhyOnAHeldClick();
    void refusedGridMoveKeepsTheMark();
    void wheelOverAnUnfocusedBoxChangesNothing();
    void windowFitsTheScreen();
};

void XHeldClickTest::refusedNumberSaysWhyOnAHeldClick_data() {
    QTest::addColumn<QString>("button");
    QTest::addRow("Apply") << "Button5";
    QTest::addRow("Next") << "SpeedButton3";
    QTest::addRow("Export in Excel") << "Button3";
}

// Type 12x into Purchasing Price, Tab (the reason is shown once and the focus
// comes back), then press the action's button, hold it 100 ms, let go: the
// reason is shown again and the line stays pending.
void XHeldClickTest::refusedNumberSaysWhyOnAHeldClick() {
    QFETCH(QString, button);
    WindowFixture f;
    insertLines(f, 2);
    TForm1& form = f.open();
    QVERIFY(windowSettled(form));
    const QString reason =
        QStringLiteral("standardError: Purchasing Price: '12x' is not a valid currency value.");

    QVERIFY(pointAt(form.DBEdit7));
    QVERIFY(xdotool({"click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit7), StateWaitMs);
    // Keys, not typed text: xdotool types by remapping the keyboard, and a
    // key pressed during the remapping can be lost.
    QVERIFY(xdotool({"key", "ctrl+a", "1", "2", "x"}));
    QTRY_COMPARE_WITH_TIMEOUT(form.DBEdit7->text(), "12x", StateWaitMs);
    QVERIFY(xdotool({"key", "Tab"}));
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.shown, QStringList{reason}, StateWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit7), StateWaitMs);
    QTest::qWait(300); // the user reads the message

    auto* action = form.findChild<QPushButton*>(button);
    QVERIFY(pointAt(action));
    QVERIFY(xdotool(HeldClick));
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.shown, (QStringList{reason, reason}), StateWaitMs);
    // The field takes the focus back after the message: until then the
    // refusal is not over, and the next window's fields would not check.
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit7), StateWaitMs);
    QCOMPARE(form.table().state(), TableState::Edit);
    QCOMPARE(form.table().currentRow(), 0);
}

// Ordered 0 cannot be stored; a held click on the third row is refused and
// the grid still marks the first.
void XHeldClickTest::refusedGridMoveKeepsTheMark() {
    WindowFixture f;
    insertLines(f, 3);
    TForm1& form = f.open();
    QVERIFY(windowSettled(form));
    QVERIFY(pointAt(form.DBEdit16));
    QVERIFY(xdotool({"click", "1", "key", "ctrl+a", "0"}));
    QTRY_COMPARE_WITH_TIMEOUT(form.DBEdit16->text(), "0", StateWaitMs);
    QWidget* cells = form.DBGrid1->viewport();
    QVERIFY(pointAt(cells, form.DBGrid1->visualRect(form.DBGrid1->model()->index(2, 2)).center()));
    QVERIFY(xdotool(HeldClick));
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.shown.size(), 1, StateWaitMs);
    // Whatever the click set off has run once the pointer's next move is seen.
    QVERIFY(pointAt(form.DBEdit16));
    QCOMPARE(form.table().currentRow(), 0);
    QCOMPARE(form.DBGrid1->currentIndex().row(), 0);
    for (const QModelIndex& index : form.DBGrid1->selectionModel()->selectedIndexes())
        QCOMPARE(index.row(), 0);
}

// A turn of the wheel over the article box, the focus in the grid: the
// line's article stays, and the box does not take the focus.
void XHeldClickTest::wheelOverAnUnfocusedBoxChangesNothing() {
    WindowFixture f;
    f.dir.writeFile("articles.txt", "coat\r\nshirt\r\n");
    insertLines(f, 1);
    TForm1& form = f.open();
    QVERIFY(windowSettled(form));
    QWidget* cells = form.DBGrid1->viewport();
    QVERIFY(pointAt(cells, form.DBGrid1->visualRect(form.DBGrid1->model()->index(0, 2)).center()));
    QVERIFY(xdotool({"click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(form.DBGrid1), StateWaitMs);
    QVERIFY(pointAt(form.DBComboBox1));
    QVERIFY(xdotool({"click", "5"}));
    // The wheel has been handled once the pointer's next move is seen.
    QVERIFY(pointAt(cells));
    QCOMPARE(form.DBComboBox1->currentText(), "coat");
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBGrid1));
}

// On a 1024 x 600 screen the window keeps its width and takes the screen's
// height: title bar and status bar stay on the screen.
void XHeldClickTest::windowFitsTheScreen() {
    WindowFixture f;
    TForm1& form = f.open();
    QVERIFY(windowSettled(form));
    const QRect available = form.screen()->availableGeometry();
    const QSize frame = form.frameGeometry().size() - form.size();
    QCOMPARE(form.size(), TForm1::DesignedSize.boundedTo(available.size() - frame));
    QVERIFY2(available.contains(form.frameGeometry()), qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                                      .arg(form.frameGeometry().x())
                                                                      .arg(form.frameGeometry().y())
                                                                      .arg(form.frameGeometry().width())
                                                                      .arg(form.frameGeometry().height())));
}

QTEST_MAIN(XHeldClickTest)
#include "x_held_click.moc"
