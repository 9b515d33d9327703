#pragma once
// Reading the history of the register's lines (see LineHistorySchema.h for
// what writes it) and bringing a deleted line back from it, through the
// engine, on either engine alike.
//
// A row's values come back in the table's value form (FieldCodec.h), so that
// they are shown as the grid shows them.

#include "data/RowCache.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Engine;

namespace LineHistory {

struct Change {
    int column = -1; // OrderColumns::Index
    QVariant before;
    QVariant after;
};

struct Entry {
    qint64 id = 0;
    qint32 key = 0;
    QDateTime at; // local time
    QString who;
    QString action;          // "added", "changed", "deleted", "restored"
    QVector<Change> changes; // a change's columns, in the grid's order
    RowValues line;          // a delete's whole line; empty otherwise
};

// The history of the line key, newest first.
bool ofLine(Engine& engine, qint32 key, QVector<Entry>* entries, QString* error);

// The lines deleted since since and not in the register now, newest first,
// whose article or supplier contains search (letter case ignored; empty:
// all), at most limit of them.
bool deletedLines(Engine& engine, const QDateTime& since, const QString& search, int limit,
                  QVector<Entry>* entries, QString* error);

// Brings back the line of a delete (entries of deletedLines()) under its key
// with every value, in one write transaction that records it as "restored".
// Refused with a message that says why, nothing written, when another line
// has its key or its photo number by then.
bool restore(Engine& engine, const Entry& deleted, QString* error);

// How long the deleted lines can be brought back, at the least.
constexpr int KeptDays = 90;

} // namespace LineHistory
