#pragma once
// The single place where the columns of Table1 are declared: name, kind,
// width, grid title, caption. Their order is the order of the dataset's fields and of
// the grid's columns.

#include <QString>
#include <QVector>

enum class ColumnType { AutoIncrement, Text, Integer, Currency, Date, Memo };

struct ColumnDef {
    const char* name;
    ColumnType type;
    int width;         // characters for text columns, 0 otherwise
    const char* title; // grid title
    // What the user reads for the column: the caption of its field on the
    // record form, or its grid title where only the grid shows it.
    const char* caption;
    // Whether the Windows program's Access register has the column. A column
    // added since is not asked of an Access file; converted lines get the
    // column's default, as the upgrade step gives the lines of an older file.
    bool inAccessRegister = true;
};

namespace OrderColumns {

// clang-format off
enum Index {
    Key, Batch, Artikul, Dostavcik, Firmetiket, Bukvi, Strpos, Nomcuval, Kodovnom, Cvet, Razmeri, Sastav,
    Paracbr, Dostavbr, Polucbr, Defectbr, Pokupnacena, Sebestoynost, Edro, Drebno, Obsto, Date, Belejka, Photo,
    Count
};
// clang-format on

const QVector<ColumnDef>& all();
const ColumnDef& at(int index);
// Position of a column by its name (exact, lower case), or -1.
int indexOf(const QString& name);
QString name(int index);
// Every column's name in order, separated by commas: "key, batch, ..., photo".
QString nameList();

// SQL that creates Table1 and its indexes in an empty database file.
QStringList schemaStatements();
// The indexes of Table1, in SQL every engine of the register understands.
QStringList indexStatements();
// SELECT of the line count, received pieces and money over Table1 (a WHERE
// may follow). A sum beyond 64 bits fails on every engine rather than being
// read as another number.
QString sumsQuery();
// INSERT of that many lines with every column, key included, one "?" a value.
QString insertStatement(int lines);

} // namespace OrderColumns
