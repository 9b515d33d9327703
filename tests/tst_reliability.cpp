// Bad input met through the window, and files that must never be left
// half-written. Each case is one the other test files do not already cover
// (docs/reliability.md maps every case to its test).

#include "support/FileSizeLimit.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"
#include "support/XlsInspect.h"

#include "data/OrderColumns.h"
#include "data/PostgresEngine.h"
#include "lists/PickListFile.h"
#include "lists/gui/Unit2.h"
#include "photos/gui/PhotoArea.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sqlite3.h>
#include <sys/socket.h>

namespace {

// The keepalive settings of this process's TCP connections to 127.0.0.1 at
// port, one text per connection.
QStringList keepalivesTo(int port) {
    QStringList found;
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0 || peer.sin_family != AF_INET ||
            ntohs(peer.sin_port) != port || ntohl(peer.sin_addr.s_addr) != INADDR_LOOPBACK)
            continue;
        const auto option = [fd](int level, int name) {
            int value = -1;
            socklen_t length = sizeof value;
            getsockopt(fd, level, name, &value, &length);
            return value;
        };
        found << QStringLiteral("keepalive %1, idle %2 s, every %3 s, %4 tries")
                     .arg(option(SOL_SOCKET, SO_KEEPALIVE))
                     .arg(option(IPPROTO_TCP, TCP_KEEPIDLE))
                     .arg(option(IPPROTO_TCP, TCP_KEEPINTVL))
                     .arg(option(IPPROTO_TCP, TCP_KEEPCNT));
    }
    return found;
}

// Runs statements separated by semicolons, as another tool might.
void runOnRegister(const TempAppDir& dir, const QString& sql) {
    // On the file through a bare connection: the program's connections
    // record stores with triggers that name every column, which a column's
    // drop on them would have to change first.
    if (!TempAppDir::onServer()) {
        sqlite3* raw = nullptr;
        const bool done =
            sqlite3_open(QFile::encodeName(dir.databasePath()).constData(), &raw) == SQLITE_OK &&
            sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!done)
            qFatal("damage: %s", sqlite3_errmsg(raw));
        sqlite3_close(raw);
        return;
    }
    OtherClient other(dir);
    for (const QString& statement : sql.split(u';', Qt::SkipEmptyParts))
        if (!statement.trimmed().isEmpty())
            other.run(statement.trimmed());
}

// The money column declared as text, as another tool might have made Table1:
// "12.50" would then be kept as text and read back as another amount.
QString moneyAsText() {
    QString create = OrderColumns::schemaStatements().first();
    create.replace(QStringLiteral("obsto INTEGER DEFAULT 0"), QStringLiteral("obsto TEXT DEFAULT ''"));
    return QStringLiteral("DROP TABLE Table1; ") + create;
}

// While it lives, nothing can be created in or removed from the folder, even
// by the superuser (tests run as root, which ignores permission bits).
class ImmutableFolder {
  public:
    explicit ImmutableFolder(const QString& path) : m_path(path) {
        m_done = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~ImmutableFolder() {
        if (m_done)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
    }
    bool isDone() const { return m_done; }

  private:
    QString m_path;
    bool m_done = false;
};

QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Noise does not compress: the photo is as large as wanted.
QByteArray jpeg(QSize size, bool noise) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QRandomGenerator random(size.width());
    for (int y = 0; noise && y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.generate());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes;
}

} // namespace

class ReliabilityTest : public QObject {
    Q_OBJECT
  private slots:
    void registerOfAnotherShapeIsRefused_data();
    void registerOfAnotherShapeIsRefused();
    void pickListOfAnyContentStartsTheWindow_data();
    void pickListOfAnyContentStartsTheWindow();
    void awkwardNamesFilterAndReport_data();
    void awkwardNamesFilterAndReport();
    void oldFileSurvivesAFailedWrite_data();
    void oldFileSurvivesAFailedWrite();
    void vanishedServerIsNoticedOverTcp();
};

void ReliabilityTest::registerOfAnotherShapeIsRefused_data() {
    QTest::addColumn<QString>(
        "damage"); // SQL run on the register, "read-only folder" or "unreachable server"
    QTest::addColumn<QString>("message");
    if (TempAppDir::onServer()) {
        QTest::addRow("no Table1") << "DROP TABLE Table1"
                                   << "standardError: relation \"table1\" does not exist.";
        QTest::addRow("Table1 without the note column")
            << "ALTER TABLE Table1 DROP COLUMN belejka"
            << "standardError: column \"belejka\" does not exist.";
        QTest::addRow("money column of another type")
            << "ALTER TABLE Table1 ALTER COLUMN obsto TYPE double precision"
            << "standardError: Column obsto of Table1 holds double precision; this register needs bigint "
               "there.";
        QTest::addRow("key without a sequence")
            << "ALTER TABLE Table1 ALTER COLUMN key DROP IDENTITY"
            << "standardError: Column key of Table1 takes its numbers from no sequence, so new lines would "
               "get no "
               "keys of their own; this register needs key as an identity column.";
        QTest::addRow("server not there")
            << "unreachable server"
            << "standardError: connection to server on socket \"/nonexistent/.s.PGSQL.5432\" failed: No such "
               "file or "
               "directory. Is the server running locally and accepting connections on that socket?.";
        return;
    }
    QTest::addRow("no Table1") << "DROP TABLE Table1"
                               << "standardError: db1.mdb in \"%1\" is not an order register (no such table: "
                                  "Table1): put the register file there and start the program again.";
    QTest::addRow("Table1 without the note column") << "ALTER TABLE Table1 DROP COLUMN belejka"
                                                    << "standardError: no such column: belejka.";
    QTest::addRow("money column of another type")
        << moneyAsText()
        << "standardError: Column obsto of Table1 holds TEXT; this register needs INTEGER there.";
    QTest::addRow("folder read-only: no WAL can be made")
        << "read-only folder"
        << "standardError: unable to open database file: the write-ahead log db1.mdb-wal "
           "cannot be made in \"%1\"";
}

// A clear message, the window open with the table closed, and the file as it was.
void ReliabilityTest::registerOfAnotherShapeIsRefused() {
    QFETCH(QString, damage);
    QFETCH(QString, message);
    WindowFixture f;
    std::unique_ptr<ImmutableFolder> frozen;
    if (damage == QLatin1String("unreachable server")) {
        f.dir.writeFile("db1.conninfo", "# the server moved\nhost=/nonexistent port=5432 user=postgres\n");
    } else if (damage == QLatin1String("read-only folder")) {
        frozen = std::make_unique<ImmutableFolder>(f.dir.path());
        if (!frozen->isDone())
            QSKIP("chattr +i is not available on this file system");
    } else {
        runOnRegister(f.dir, damage);
    }
    const QByteArray before = f.dir.readFile("db1.mdb");
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown,
             QStringList{message.arg(QDir::toNativeSeparators(QDir(f.dir.path()).absolutePath()))});
    QCOMPARE(form.table().state(), TableState::Inactive);
    QCOMPARE(f.dir.readFile("db1.mdb"), before);
}

void ReliabilityTest::pickListOfAnyContentStartsTheWindow_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // the one box at start-up, or empty
    QByteArray binary;
    QRandomGenerator random(10);
    for (int i = 0; i < 89; ++i)
        binary += char(1 + random.bounded(255)); // a NUL would end the text early
    // Two entries that fit the column, whatever the bytes decode to.
    binary.replace('\n', ' ').replace('\r', ' ').insert(49, "\r\n");
    QTest::addRow("binary bytes") << binary << QString();
    // As large as a list may be (one byte more is refused, tst_lists_view).
    QTest::addRow("1 MB line")
        << "Zara\r\n" + QByteArray((1 << 20) - 6, 'm')
        << "information: These entries are longer than their column holds and would be stored cut:\r\n"
           "Suppliers (at most 50 characters): " +
               QString(50, 'm') +
               "... (1048570 characters)\r\n"
               "Shorten them in the list editor.";
}

// The window starts, with the register open, and says at most one short thing.
void ReliabilityTest::pickListOfAnyContentStartsTheWindow() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", content);
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(form.table().state(), TableState::Browse);
    const QStringList entries = PickListFile::readEntries(f.dir.filePath("Suppliers.txt")).lines;
    QCOMPARE(form.cbfiltersup->count(), entries.size() + 1); // and "All"
}

void ReliabilityTest::awkwardNamesFilterAndReport_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("nearMiss"); // what a LIKE or a case-blind match would also select
    QTest::addRow("percent sign") << "100% Cotton"
                                  << "100x Cotton";
    QTest::addRow("underscore") << "A_B Moda"
                                << "AxB Moda";
    QTest::addRow("backslashes") << "C:\\Moda\\"
                                 << "C:Moda";
    QTest::addRow("Cyrillic and a quote") << "Д'Арт Мода"
                                          << "д'арт мода";
}

// Choosing the supplier shows exactly its line, and the report of that view
// names it exactly, in the filter caption and in the line.
void ReliabilityTest::awkwardNamesFilterAndReport() {
    QFETCH(QString, name);
    QFETCH(QString, nearMiss);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", (name + "\r\n" + nearMiss + "\r\n").toUtf8());
    f.dir.writeFile("Batches.txt", "C3\r\n");
    f.insertLine({{"dostavcik", name}, {"artikul", "coat"}, {"batch", "C3"}, {"polucbr", 2}});
    f.insertLine({{"dostavcik", nearMiss}, {"artikul", "coat"}, {"batch", "C3"}, {"polucbr", 5}});
    TForm1& form = f.open();
    WindowFixture::choose(form.cbfiltersup, name);
    QCOMPARE(form.table().recordCount(), 1);
    QCOMPARE(form.table().asString("dostavcik"), name);
    WindowFixture::click(form.Button3);
    QCOMPARE(f.dialogs.shown, QStringList());
    const QJsonObject report = inspectWorkbook(f.dir.filePath("Orders.xls"));
    QVERIFY(!report.isEmpty());
    QStringList texts;
    for (const QJsonValue cell : report["sheets"][0]["cells"].toArray())
        texts << cell["value"].toString();
    QVERIFY2(texts.contains("Supplier: " + name), qPrintable(texts.join(" | ")));
    QCOMPARE(texts.count(name), 1);
    QVERIFY(!texts.contains(nearMiss));
}

void ReliabilityTest::oldFileSurvivesAFailedWrite_data() {
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>(
        "room"); // bytes any file may reach while it writes; < 0: counted from the new file's end
    QTest::addRow("pick list, cut at once") << "list"
                                            << "Suppliers.txt" << 0;
    QTest::addRow("pick list, cut near its end") << "list"
                                                 << "Suppliers.txt" << -10;
    QTest::addRow("company name") << "company"
                                  << "Company.txt" << 4;
    QTest::addRow("photo, cut early") << "photo"
                                      << "pictures/C3/7.jpg" << 1000;
    // Only the last bytes missing: a buffered copy would not notice.
    QTest::addRow("photo, cut near its end") << "photo"
                                             << "pictures/C3/7.jpg" << -10;
    QTest::addRow("small photo, cut near its end") << "small photo"
                                                   << "pictures/C3/7.jpg" << -10;
    QTest::addRow("workbook, cut early") << "workbook"
                                         << "Orders.xls" << 600;
    QTest::addRow("workbook, cut half-way") << "workbook"
                                            << "Orders.xls" << 2500;
}

// The write is refused with a message, the old file is there byte for byte,
// and no temporary file is left beside it.
void ReliabilityTest::oldFileSurvivesAFailedWrite() {
    QFETCH(QString, writer);
    QFETCH(QString, file);
    QFETCH(int, room);
    if (writer != QLatin1String("workbook"))
        SKIP_SIDE_FILES_ON_SERVER();
    WindowFixture f;
    f.insertLine({{"dostavcik", "Zara"}, {"artikul", "coat"}, {"batch", "C3"}, {"photo", 7}});
    f.dir.writeFile("Batches.txt", "C3\r\n");
    const bool photo = writer.endsWith(QLatin1String("photo"));
    const QByteArray old = photo ? jpeg(QSize(64, 48), false) : "the previous " + file.toUtf8();
    f.dir.writeFile(file, old);
    const QByteArray newPhoto =
        jpeg(writer == QLatin1String("photo") ? QSize(200, 150) : QSize(30, 20), true);
    f.dir.writeFile("camera/new.jpg", newPhoto);
    const QString newList = QString(QStringLiteral("жжжжжжжжжж\n")).repeated(40);
    TForm1& form = f.open();
    f.dialogs.shown.clear();
    const QStringList filesBefore = filesUnder(f.dir.path());
    if (room < 0)
        room += photo ? newPhoto.size() : newList.toUtf8().size();
    {
        const FileSizeLimit diskFull(rlim_t(qMax(room, 0)));
        if (writer == QLatin1String("list")) {
            TForm2* editor = form.findChild<TForm2*>("Form2");
            QTimer::singleShot(0, editor, [&] {
                editor->Memo1->setPlainText(newList);
                editor->Button1->click(); // OK: the write fails, the editor stays open
                if (editor->isVisible())
                    editor->Button2->click();
            });
            WindowFixture::click(form.findChild<QPushButton*>("Button8"));
        } else if (writer == QLatin1String("company")) {
            WindowFixture::focus(form.ecompany);
            form.ecompany->setText("New Company Ltd");
            QTest::keyClick(form.ecompany, Qt::Key_Return);
        } else if (photo) {
            f.dialogs.fileAnswers << f.dir.filePath("camera/new.jpg");
            QTest::mouseClick(form.Image1, Qt::RightButton);
            f.dialogs.shown.removeFirst(); // the file dialog
        } else {
            WindowFixture::click(form.Button3);
        }
    }
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown.first().startsWith("standardError: "), qPrintable(f.dialogs.shown.first()));
    QCOMPARE(f.dir.readFile(file), old);
    QCOMPARE(filesUnder(f.dir.path()), filesBefore);
}

// A server that vanished (power or network lost) is noticed within half a
// minute by keepalives, which only a TCP connection has; the test server
// listens on 127.0.0.1 at the port of its socket.
void ReliabilityTest::vanishedServerIsNoticedOverTcp() {
    if (!TempAppDir::onServer())
        QSKIP("the embedded file has no connection");
    const QString server = qEnvironmentVariable("ORDERS_TEST_SERVER");
    const QRegularExpressionMatch port = QRegularExpression(QStringLiteral("\\bport=(\\d+)")).match(server);
    QVERIFY2(port.hasMatch(), qPrintable(server));
    PostgresEngine engine;
    QString error;
    QVERIFY2(engine.connect(server + " host=127.0.0.1", &error), qPrintable(error));
    QCOMPARE(keepalivesTo(port.captured(1).toInt()),
             QStringList{"keepalive 1, idle 10 s, every 5 s, 3 tries"});
}

QTEST_MAIN(ReliabilityTest)
#include "tst_reliability.moc"
