#include "data/OrderColumns.h"

#include <QStringList>

#include <array>

namespace OrderColumns {

namespace {

// Each row is set at the position of its Index, so the enum and the table
// cannot drift apart; a position left unset fails the build below.
constexpr std::array<ColumnDef, Count> makeColumns() {
    std::array<ColumnDef, Count> c{};
    c[Key] = {"key", ColumnType::AutoIncrement, 0, "key", "key"};
    c[Batch] = {"batch", ColumnType::Text, 7, "batch", "batch"};
    c[Artikul] = {"artikul", ColumnType::Text, 50, "article", "Article", "Артикул"};
    c[Dostavcik] = {"dostavcik", ColumnType::Text, 50, "supplier", "Supplier", "Доставчик"};
    c[Firmetiket] = {"firmetiket", ColumnType::Text, 50, "label", "Trademark Label", "Фирмен етикет"};
    c[Bukvi] = {"bukvi", ColumnType::Text, 50, "letters", "Letters", "Букви"};
    c[Strpos] = {"strpos", ColumnType::Text, 50, "page nom.", "Page / Position", "Страница / Позиция"};
    c[Nomcuval] = {"nomcuval", ColumnType::Integer, 0, "sack nom.", "Sack Nomber", "Чувал номер"};
    c[Kodovnom] = {"kodovnom", ColumnType::Integer, 0, "code", "Code Nomber", "Кодов номер"};
    c[Cvet] = {"cvet", ColumnType::Text, 50, "color", "Color", "Цвят"};
    c[Razmeri] = {"razmeri", ColumnType::Text, 50, "size", "Size", "Размер"};
    c[Sastav] = {"sastav", ColumnType::Text, 50, "material", "Material", "Материя"};
    c[Paracbr] = {"paracbr", ColumnType::Integer, 0, "ordered", "Ordered", "Поръчани"};
    c[Dostavbr] = {"dostavbr", ColumnType::Integer, 0, "delivered", "Delivered", "Доставени"};
    c[Polucbr] = {"polucbr", ColumnType::Integer, 0, "received", "Received", "Получени"};
    c[Defectbr] = {"defectbr", ColumnType::Integer, 0, "defective", "Defective", "Дефектни"};
    c[Pokupnacena] = {"pokupnacena", ColumnType::Currency, 0, "p.price", "Purchasing Price", "Покупна цена"};
    c[Sebestoynost] = {"sebestoynost", ColumnType::Currency, 0, "c.price", "Cost Price", "Себестойтост"};
    c[Edro] = {"edro", ColumnType::Currency, 0, "t.price", "Trade Price", "Цена на едро"};
    c[Drebno] = {"drebno", ColumnType::Currency, 0, "s.price", "Street Price", "Цена на дребно"};
    c[Obsto] = {"obsto", ColumnType::Currency, 0, "money", "Money", "Пари"};
    c[Date] = {"date", ColumnType::Date, 0, "date", "date"};
    c[Belejka] = {"belejka", ColumnType::Memo, 0, "note", "Notes", "Бележки"};
    c[Photo] = {"photo", ColumnType::Integer, 0, "photo", "photo"};
    return c;
}

constexpr std::array<ColumnDef, Count> Columns = makeColumns();

constexpr bool everyColumnDefined() {
    for (const ColumnDef& column : Columns)
        if (column.name == nullptr || column.title == nullptr || column.caption == nullptr)
            return false;
    return true;
}
static_assert(everyColumnDefined(), "every OrderColumns::Index needs its row in the column table");

} // namespace

const QVector<ColumnDef>& all() {
    static const QVector<ColumnDef> columns(Columns.begin(), Columns.end());
    return columns;
}

const ColumnDef& at(int index) {
    return all().at(index);
}

int indexOf(const QString& name) {
    const auto& columns = all();
    for (int i = 0; i < columns.size(); ++i)
        if (name == QLatin1String(columns[i].name))
            return i;
    return -1;
}

QString name(int index) {
    return QString::fromLatin1(at(index).name);
}

QString nameList() {
    QStringList names;
    for (const ColumnDef& column : all())
        names << QString::fromLatin1(column.name);
    return names.join(QStringLiteral(", "));
}

bool inVersion(int index, int version) {
    return at(index).version <= version;
}

QString missingMessage(int index) {
    return QStringLiteral("Table1 has no column %1; this register needs it.").arg(name(index));
}

static QString declaration(const ColumnDef& column) {
    const QString name = QString::fromLatin1(column.name);
    switch (column.type) {
    case ColumnType::AutoIncrement:
        return name + " INTEGER PRIMARY KEY AUTOINCREMENT";
    case ColumnType::Integer:
    case ColumnType::Currency: // ten-thousandths
        return name + " INTEGER DEFAULT 0";
    case ColumnType::Date: // YYYY-MM-DD
    case ColumnType::Text:
    case ColumnType::Memo:
        return name + " TEXT DEFAULT ''";
    }
    return name;
}

QStringList schemaStatements() {
    QStringList columns;
    for (const ColumnDef& column : all())
        columns << declaration(column);
    return QStringList{"CREATE TABLE Table1 (" + columns.join(", ") + ")"} + indexStatements();
}

QString addColumnStatement(int index) {
    return "ALTER TABLE Table1 ADD COLUMN " + declaration(at(index));
}

QString sumsQuery() {
    return QStringLiteral("SELECT COUNT(*), CAST(COALESCE(SUM(polucbr), 0) AS BIGINT), "
                          "CAST(COALESCE(SUM(obsto), 0) AS BIGINT) FROM Table1");
}

QString insertStatement(int lines) {
    const QString one = QStringLiteral("(%1)").arg(QStringList(Count, QStringLiteral("?")).join(u','));
    return QStringLiteral("INSERT INTO Table1 (%1) VALUES %2")
        .arg(nameList(), QStringList(lines, one).join(u','));
}

QStringList indexStatements() {
    return {
        // The filters select by supplier and batch; carrying the received
        // count and the money in the same indexes lets the engine sum a
        // filtered view without reading its lines.
        "CREATE INDEX Table1_dostavcik_batch ON Table1 (dostavcik, batch, polucbr, obsto)",
        "CREATE INDEX Table1_batch ON Table1 (batch, polucbr, obsto)",
    };
}

} // namespace OrderColumns
