// Storing, refusing and deleting lines, and the rules that derive a line's
// received count and money: driven through the real window.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "editing/PriceRules.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString Tail = QStringLiteral(" to continue\r\nor click on \"Cancel\" button to refuse changes.");

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
  private slots:
    void receivedAndMoney_data();
    void receivedAndMoney();
    void checksRefuseIncompleteLines_data();
    void checksRefuseIncompleteLines();
    void untouchedNewLineIsDropped();
    void deleteAsksForTheLineAndItsPhoto_data();
    void deleteAsksForTheLineAndItsPhoto();
};

void EditingTest::receivedAndMoney_data() {
    QTest::addColumn<int>("ordered");
    QTest::addColumn<int>("delivered");
    QTest::addColumn<int>("defective");
    QTest::addColumn<QString>("price");
    QTest::addColumn<int>("received");
    QTest::addColumn<qint64>("money"); // ten-thousandths
    QTest::addRow("nothing delivered: defective ignored") << 10 << 0 << 2 << "12.5" << 10 << qint64(1250000);
    QTest::addRow("delivered less defective") << 10 << 8 << 2 << "12.5" << 6 << qint64(750000);
    QTest::addRow("more defective than delivered") << 10 << 3 << 5 << "1" << -2 << qint64(-20000);
    QTest::addRow("exact to the ten-thousandth") << 3 << 0 << 0 << "0.3333" << 3 << qint64(9999);
}

void EditingTest::receivedAndMoney() {
    QFETCH(int, ordered);
    QFETCH(int, delivered);
    QFETCH(int, defective);
    QFETCH(QString, price);
    QFETCH(int, received);
    QFETCH(qint64, money);
    QCOMPARE(PriceRules::received(ordered, delivered, defective), qint64(received));
    Currency unitPrice, result;
    QVERIFY(Currency::parse(price, &unitPrice));
    QVERIFY(PriceRules::money(unitPrice, received, &result));
    QCOMPARE(result.units(), money);
}

void EditingTest::checksRefuseIncompleteLines_data() {
    QTest::addColumn<QString>("supplier");
    QTest::addColumn<QString>("article");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("ordered");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addRow("no supplier, no article")
        << ""
        << ""
        << "1"
        << "1"
        << "Supplier is unknown!!! Please enter supplier" + Tail << "DBComboBox2";
    QTest::addRow("no article") << "Zara"
                                << ""
                                << "1"
                                << "1"
                                << "Article is unknown!!! Please enter article" + Tail << "DBComboBox1";
    QTest::addRow("price 0") << "Zara"
                             << "coat"
                             << "0"
                             << "1"
                             << "Purchasing Price is unknown!!! Please enter Purchasing Price" + Tail
                             << "DBEdit7";
    QTest::addRow("ordered 0") << "Zara"
                               << "coat"
                               << "2"
                               << "0"
                               << "Ordered count is unknown!!! Please enter ordered count" + Tail
                               << "DBEdit16";
    QTest::addRow("price 0 and ordered 0: the price first")
        << "Zara"
        << "coat"
        << "0"
        << "0"
        << "Purchasing Price is unknown!!! Please enter Purchasing Price" + Tail << "DBEdit7";
    QTest::addRow("negative values pass") << "Zara"
                                          << "coat"
                                          << "-2"
                                          << "-1" << QString() << QString();
}

void EditingTest::checksRefuseIncompleteLines() {
    QFETCH(QString, supplier);
    QFETCH(QString, article);
    QFETCH(QString, price);
    QFETCH(QString, ordered);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    f.dir.writeFile("articles.txt", "coat\r\n");
    TForm1& form = f.open();
    WindowFixture::click(form.Button1);
    if (!supplier.isEmpty())
        WindowFixture::choose(form.DBComboBox2, supplier);
    if (!article.isEmpty())
        WindowFixture::choose(form.DBComboBox1, article);
    WindowFixture::retype(form.DBEdit7, price);
    WindowFixture::retype(form.DBEdit16, ordered);
    WindowFixture::click(form.Button5);
    if (message.isEmpty()) {
        QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
        QCOMPARE(form.table().state(), TableState::Browse);
        QCOMPARE(form.table().recordCount(), 1);
        QCOMPARE(form.table().asInteger("nomcuval"), 0); // left empty, stored as 0
        QCOMPARE(form.table().asString("cvet"), QString());
        // No column of the stored line is null, on either engine.
        QStringList nullTests;
        for (int column = OrderColumns::Key + 1; column < OrderColumns::Count; ++column)
            nullTests << OrderColumns::name(column) + " IS NULL";
        QCOMPARE(OtherClient(f.dir).number("SELECT COUNT(*) FROM Table1 WHERE " + nullTests.join(" OR ")), 0);
        return;
    }
    QCOMPARE(f.dialogs.shown, QStringList{"information: " + message});
    QCOMPARE(form.table().state(), TableState::Insert); // the line stays pending
    auto* target = form.findChild<QWidget*>(focus);
    if (auto* list = qobject_cast<QComboBox*>(target)) {
        QVERIFY(list->view()->isVisible()); // the list is opened for the choice
        list->hidePopup();
    }
    QCOMPARE(QApplication::focusWidget(), target);
}

void EditingTest::untouchedNewLineIsDropped() {
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    TForm1& form = f.open();
    WindowFixture::choose(form.cbfiltersup, "Zara");
    WindowFixture::click(form.Button1); // the supplier is pre-filled: that is no data
    WindowFixture::click(form.Button1);
    QCOMPARE(f.dialogs.shown, QStringList{"information: Last line is ignored because it contain no data"});
    QCOMPARE(form.table().state(), TableState::Browse);
    WindowFixture::click(form.Button1); // a third press adds
    QCOMPARE(form.table().state(), TableState::Insert);
}

void EditingTest::deleteAsksForTheLineAndItsPhoto_data() {
    QTest::addColumn<int>("photo");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("lineDeleted");
    QTest::addColumn<bool>("fileKept");
    QTest::addColumn<bool>("engineRefuses");
    QTest::addRow("no photo number: one question") << 0 << QList<bool>{true} << 1 << true << true << false;
    QTest::addRow("photo deleted too") << 7 << QList<bool>{true, true} << 2 << true << false << false;
    QTest::addRow("photo kept") << 7 << QList<bool>{true, false} << 2 << true << true << false;
    QTest::addRow("cancelled") << 7 << QList<bool>{false} << 1 << false << true << false;
    QTest::addRow("engine refuses: line, photo and counters stay")
        << 7 << QList<bool>{true, true} << 3 << false << true << true;
}

void EditingTest::deleteAsksForTheLineAndItsPhoto() {
    QFETCH(int, photo);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, lineDeleted);
    QFETCH(bool, fileKept);
    QFETCH(bool, engineRefuses);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "B1\r\n");
    // Ordered 10, delivered 8: the counters hold the 8 received, not the 10 ordered.
    f.insertLine({{"dostavcik", "Zara"},
                  {"artikul", "coat"},
                  {"batch", "B1"},
                  {"photo", photo},
                  {"polucbr", 8},
                  {"paracbr", 10},
                  {"dostavbr", 8},
                  {"pokupnacena", 20000},
                  {"obsto", 160000}});
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPG"));
    const QString photoName = QStringLiteral("pictures/B1/%1.jpg").arg(photo);
    f.dir.writeFile(photoName, bytes); // on a server register, its photo
    TForm1& form = f.open();
    if (engineRefuses)
        OtherClient(f.dir).refuse("DELETE", "lines are kept");
    for (bool answer : answers)
        f.dialogs.confirmAnswers.enqueue(answer);
    WindowFixture::click(form.Button2);
    QVERIFY2(f.dialogs.shown.size() == questions, qPrintable(f.dialogs.shown.join(" / ")));
    QVERIFY(f.dialogs.shown.first().startsWith("confirm: You are about to delete record!\r\n"));
    if (engineRefuses)
        QCOMPARE(f.dialogs.shown.last(), "standardError: lines are kept.");
    QCOMPARE(form.table().recordCount(), lineDeleted ? 0 : 1);
    QCOMPARE(!f.dir.readFile(photoName).isEmpty(), fileKept);
    QCOMPARE(form.eobstbr->text(), lineDeleted ? QStringLiteral("0") : QStringLiteral("8"));
    QCOMPARE(form.etotal->text(), lineDeleted ? QStringLiteral("0") : QStringLiteral("16"));
}

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
