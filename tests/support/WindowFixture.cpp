#include "support/WindowFixture.h"

#include "data/OrderColumns.h"
#include "support/OtherClient.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

WindowFixture::~WindowFixture() {
    window.reset();
}

qint64 WindowFixture::insertLineInto(const TempAppDir& dir, const QVariantMap& values) {
    QStringList names;
    QVariantList parameters;
    for (auto it = values.begin(); it != values.end(); ++it) {
        names << it.key();
        parameters << it.value();
    }
    const QString sql = QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2) RETURNING key")
                            .arg(names.join(','), QStringList(names.size(), QStringLiteral("?")).join(','));
    OtherClient other(dir);
    const qint64 key = other.number(sql, parameters);
    if (key < 0)
        qFatal("insertLine: %s", qPrintable(other.error()));
    return key;
}

TForm1& WindowFixture::open() {
    window = std::make_unique<TForm1>(dir.path(), dialogs);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the window did not become active");
    return *window;
}

void WindowFixture::focus(QWidget* widget) {
    widget->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
}

void WindowFixture::click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

void WindowFixture::heldClick(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::qWait(100);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
}

void WindowFixture::typeInto(QWidget* field, const QString& text) {
    focus(field);
    QTest::keyClicks(field, text);
}

void WindowFixture::choose(QComboBox* box, const QString& text) {
    focus(box);
    const int index = box->findText(text);
    if (index < 0)
        QTest::qFail(qPrintable(QStringLiteral("no entry \"%1\" in %2").arg(text, box->objectName())),
                     __FILE__, __LINE__);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void WindowFixture::retype(QLineEdit* field, const QString& text) {
    focus(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}
