#pragma once
// The shared string table: SST with as many CONTINUE records as its strings
// need, then EXTSST, the index of every dsst-th string's place in the stream.
//
// Where a record ends, a string's 3-byte header is never split from its
// first character; the characters may go on in the next CONTINUE, which then
// starts with its own option byte, and a UTF-16 unit is never cut.

#include <QString>
#include <QVector>
#include <cstdint>

class BiffStream;

namespace SharedStrings {

// cellCount: the number of text cells that name the strings.
void write(BiffStream& out, const QVector<QString>& strings, std::uint32_t cellCount);

} // namespace SharedStrings
