#pragma once
// What the Access reader program (access_reader) writes to its standard
// output for the program that started it: a header with the table's columns
// and declared row count, one frame per row, then an end frame or an error
// frame. Each frame is a tag byte, a 32-bit little-endian payload length and
// the payload. Values are the reader's exact values (RowSource's value form),
// never texts to be parsed again.
//
// The decoding side trusts nothing it reads: every length is checked against
// the bytes that are there, and a frame longer than the caller allows is
// refused before it is buffered.

#include "data/RowSource.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

namespace AccessReaderProtocol {

enum class Tag : char { Header = 'H', Row = 'R', End = 'Z', Error = 'E' };
constexpr int FrameHeaderSize = 5;

struct Header {
    qint64 declaredRows = 0;
    QStringList names;
    QVector<RowSource::Kind> kinds;
};

QByteArray headerFrame(const Header& header);
QByteArray rowFrame(const QVector<QVariant>& row);
QByteArray endFrame();
// damaged: the file itself is damaged, rather than lacking what was asked of it.
QByteArray errorFrame(bool damaged, const QString& message);

// The tag and payload length at the start of bytes (at least FrameHeaderSize of them).
Tag frameTag(const QByteArray& bytes);
quint32 payloadLength(const QByteArray& bytes);

// Each false for a payload that is not exactly what its frame holds.
bool decodeHeader(const QByteArray& payload, Header* header);
bool decodeRow(const QByteArray& payload, int columns, QVector<QVariant>* row);
bool decodeError(const QByteArray& payload, bool* damaged, QString* message);

} // namespace AccessReaderProtocol
