#pragma once
// Stores lines brought in from outside (a spreadsheet) in one write
// transaction: each takes a key of the register's sequence, as a typed line
// does, and its photo number is that key. Before the commit the line count,
// received pieces and money of what the register stored (as the INSERTs
// answer) must equal the lines' own sums; otherwise, or on any failure,
// nothing of them is kept.

#include "data/RegisterConversion.h"

#include <QVariant>
#include <QVector>

class Engine;

namespace LineImport {

// Each line in value form (FieldCodec.h), OrderColumns::Count values; its key
// and photo are set here. expected: the lines' own count, received pieces and
// money.
bool store(Engine& engine, const QVector<QVector<QVariant>>& lines, const RegisterFigures& expected,
           QString* error);

} // namespace LineImport
