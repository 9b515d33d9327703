#include "support/WindowFixture.h"

#include "data/OrderColumns.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <sqlite3.h>

WindowFixture::~WindowFixture()
{
    window.reset();
}

qint64 WindowFixture::insertLine(const QVariantMap& values) const
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.databasePath()).constData(), &db);
    QStringList names;
    QStringList marks;
    for (auto it = values.begin(); it != values.end(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)").arg(names.join(','), marks.join(','));
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr);
    int i = 1;
    for (auto it = values.begin(); it != values.end(); ++it, ++i) {
        const QVariant& v = it.value();
        if (v.typeId() == QMetaType::QString)
            sqlite3_bind_text(statement, i, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_int64(statement, i, v.toLongLong());
    }
    if (sqlite3_step(statement) != SQLITE_DONE)
        qFatal("insertLine: %s", sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    const qint64 key = sqlite3_last_insert_rowid(db);
    sqlite3_close(db);
    return key;
}

TForm1& WindowFixture::open()
{
    window = std::make_unique<TForm1>(dir.path(), dialogs);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the window did not become active");
    return *window;
}

void WindowFixture::focus(QWidget* widget)
{
    widget->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
}

void WindowFixture::click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

void WindowFixture::typeInto(QWidget* field, const QString& text)
{
    focus(field);
    QTest::keyClicks(field, text);
}

void WindowFixture::choose(QComboBox* box, const QString& text)
{
    focus(box);
    const int index = box->findText(text);
    if (index < 0)
        QTest::qFail(qPrintable(QStringLiteral("no entry \"%1\" in %2").arg(text, box->objectName())), __FILE__, __LINE__);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void WindowFixture::retype(QLineEdit* field, const QString& text)
{
    focus(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}
