#pragma once
// The single place where the columns of Table1 are declared: name, kind,
// width, grid title, caption and the register version that added it. Their
// order is the order of the dataset's fields and of the grid's columns; a new
// column goes at the end with the version of the step that adds it, and the
// register's CREATE TABLE and that step's ADD COLUMN are both written from
// its row, for either engine.

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
    // The Bulgarian hint of its field on the record form (UTF-8), or "".
    const char* hint = "";
    // The register version whose upgrade step adds the column; 1 for the
    // columns of the Windows program's Access register. A column added since
    // is not asked of an Access file; converted lines get the column's
    // default, as the upgrade step gives the lines of an older register.
    int version = 1;
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

// Whether a register of layout version holds the column.
bool inVersion(int index, int version);
// Why a register lacking the column cannot be used.
QString missingMessage(int index);

// SQL that creates Table1 and its indexes in an empty database file.
QStringList schemaStatements();
// SQL that adds the column to the file's Table1, declared as CREATE TABLE does.
QString addColumnStatement(int index);
// The indexes of Table1, in SQL every engine of the register understands.
QStringList indexStatements();
// SELECT of the line count, received pieces and money over Table1 (a WHERE
// may follow). A sum beyond 64 bits fails on every engine rather than being
// read as another number.
QString sumsQuery();
// INSERT of that many lines with every column, key included, one "?" a value.
QString insertStatement(int lines);

} // namespace OrderColumns
