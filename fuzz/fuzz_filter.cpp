// The filter text built from a supplier and a batch name, on arbitrary names:
// applied to the real order table over a register that holds the names and
// their near misses (another case, a wildcard in place of a letter, one
// character more or less, a trailing blank), the view must hold exactly the
// lines whose supplier and batch are those names.

#include "data/Database.h"
#include "data/OrderTable.h"
#include "lists/gui/FilterRule.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sqlite3.h>

namespace {

struct Register {
    QTemporaryDir dir;
    Database db;
    OrderTable* table = nullptr;

    Register() {
        QString error;
        if (!Database::createEmptyFile(dir.filePath(QLatin1String(Database::FileName)), &error) ||
            !db.open(dir.path()))
            std::abort();
        // Speed only: the filter is what is under test, not the disk.
        sqlite3_exec(db.handle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        table = new OrderTable(db);
        table->setErrorSink([](const QString&) { std::abort(); });
        if (!table->open())
            std::abort();
    }
};

QStringList nearMisses(const QString& name) {
    QStringList names{name,
                      name.toUpper(),
                      name.toLower(),
                      name + u' ',
                      u' ' + name,
                      name + u'x',
                      name.left(name.size() - 1),
                      QString(),
                      QStringLiteral("%"),
                      QStringLiteral("_")};
    QString wild = name;
    for (int i = 0; i < wild.size(); i += 2)
        wild[i] = i % 4 == 0 ? u'%' : u'_';
    names << wild;
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_filter";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Register reg;
    if (size < 1 || size > 512)
        return 0;
    // First byte: whether each box stands on a name; then supplier NUL batch.
    // A NUL cannot be in a name: the list files end their text at one.
    const int mode = data[0] % 4;
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\0');
    const QString supplier = QString::fromUtf8(parts.value(0));
    const QString batch = QString::fromUtf8(parts.value(1));
    const bool bySupplier = mode & 1;
    const bool byBatch = mode & 2;

    sqlite3* handle = reg.db.handle();
    sqlite3_exec(handle, "DELETE FROM Table1", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO Table1 (key, dostavcik, batch) VALUES (?, ?, ?)", -1, &insert,
                       nullptr);
    std::set<int> expected;
    const QStringList suppliers = nearMisses(supplier);
    const QStringList batches = nearMisses(batch);
    int key = 0;
    for (const QString& s : suppliers) {
        for (const QString& b : {batches[0], batches[5], batches[10]}) {
            ++key;
            const QByteArray s8 = s.toUtf8(), b8 = b.toUtf8();
            sqlite3_bind_int(insert, 1, key);
            sqlite3_bind_text(insert, 2, s8.constData(), int(s8.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, b8.constData(), int(b8.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(insert) != SQLITE_DONE)
                std::abort();
            sqlite3_reset(insert);
            if ((!bySupplier || s == supplier) && (!byBatch || b == batch))
                expected.insert(key);
        }
    }
    sqlite3_finalize(insert);

    const FilterRule::Choice choice =
        FilterRule::choose(bySupplier ? 1 : 0, supplier, byBatch ? 1 : 0, batch, QStringLiteral("All"));
    if (!reg.table->setFilter(choice.text, choice.filtered) || !reg.table->refresh(nullptr))
        std::abort();
    std::set<int> shown;
    reg.table->readLines({0}, [&](int, const QVariant* values) { shown.insert(values[0].toInt()); });
    if (shown != expected)
        std::abort();
    return 0;
}
