#include "data/OrderColumns.h"

#include <QStringList>

namespace OrderColumns {

const QVector<ColumnDef>& all()
{
    static const QVector<ColumnDef> columns = {
        {"key", ColumnType::AutoIncrement, 0, "key", "key"},
        {"batch", ColumnType::Text, 7, "batch", "batch"},
        {"artikul", ColumnType::Text, 50, "article", "Article"},
        {"dostavcik", ColumnType::Text, 50, "supplier", "Supplier"},
        {"firmetiket", ColumnType::Text, 50, "label", "Trademark Label"},
        {"bukvi", ColumnType::Text, 50, "letters", "Letters"},
        {"strpos", ColumnType::Text, 50, "page nom.", "Page / Position"},
        {"nomcuval", ColumnType::Integer, 0, "sack nom.", "Sack Nomber"},
        {"kodovnom", ColumnType::Integer, 0, "code", "Code Nomber"},
        {"cvet", ColumnType::Text, 50, "color", "Color"},
        {"razmeri", ColumnType::Text, 50, "size", "Size"},
        {"sastav", ColumnType::Text, 50, "material", "Material"},
        {"paracbr", ColumnType::Integer, 0, "ordered", "Ordered"},
        {"dostavbr", ColumnType::Integer, 0, "delivered", "Delivered"},
        {"polucbr", ColumnType::Integer, 0, "received", "Received"},
        {"defectbr", ColumnType::Integer, 0, "defective", "Defective"},
        {"pokupnacena", ColumnType::Currency, 0, "p.price", "Purchasing Price"},
        {"sebestoynost", ColumnType::Currency, 0, "c.price", "Cost Price"},
        {"edro", ColumnType::Currency, 0, "t.price", "Trade Price"},
        {"drebno", ColumnType::Currency, 0, "s.price", "Street Price"},
        {"obsto", ColumnType::Currency, 0, "money", "Money"},
        {"date", ColumnType::Date, 0, "date", "date"},
        {"belejka", ColumnType::Memo, 0, "note", "Notes"},
        {"photo", ColumnType::Integer, 0, "photo", "photo"},
    };
    return columns;
}

const ColumnDef& at(int index)
{
    return all().at(index);
}

int indexOf(const QString& name)
{
    const auto& columns = all();
    for (int i = 0; i < columns.size(); ++i)
        if (name == QLatin1String(columns[i].name))
            return i;
    return -1;
}

QString name(int index)
{
    return QString::fromLatin1(at(index).name);
}

QString nameList()
{
    QStringList names;
    for (const ColumnDef& column : all())
        names << QString::fromLatin1(column.name);
    return names.join(QStringLiteral(", "));
}

static QString declaration(const ColumnDef& column)
{
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

QStringList schemaStatements()
{
    QStringList columns;
    for (const ColumnDef& column : all())
        columns << declaration(column);
    return QStringList{"CREATE TABLE Table1 (" + columns.join(", ") + ")"} + indexStatements();
}

QString sumsQuery()
{
    return QStringLiteral("SELECT COUNT(*), CAST(COALESCE(SUM(polucbr), 0) AS BIGINT), "
                          "CAST(COALESCE(SUM(obsto), 0) AS BIGINT) FROM Table1");
}

QStringList indexStatements()
{
    return {
        // The filters select by supplier and batch; carrying the received
        // count and the money in the same indexes lets the engine sum a
        // filtered view without reading its lines.
        "CREATE INDEX Table1_dostavcik_batch ON Table1 (dostavcik, batch, polucbr, obsto)",
        "CREATE INDEX Table1_batch ON Table1 (batch, polucbr, obsto)",
    };
}

} // namespace OrderColumns
