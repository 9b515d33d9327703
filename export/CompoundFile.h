#pragma once
// The compound file (OLE2, version 3, 512-byte sectors) around the one
// stream "Workbook". Layout: header, the stream's sectors, one directory
// sector, the FAT sectors, then DIFAT sectors when the FAT outgrows the 109
// places in the header (streams over about 6.8 MiB). Every FAT and DIFAT
// sector carries its mark in the FAT.
//
// A stream under the 4096-byte cut-off would belong in the mini stream; it
// is padded with zeros to 4096 instead (readers stop at the last EOF record).

#include <QByteArray>
#include <QString>

class QIODevice;

namespace CompoundFile {

// The stream may be written piece by piece: begin() leaves room for the
// header, the caller writes the stream's bytes, finish() adds the rest and
// fills in the header (the device must be able to seek back to 0).
bool begin(QIODevice* device, QString* error);
bool finish(QIODevice* device, qint64 streamBytes, QString* error);
// The whole file at once. Each returns false with *error set when the device fails.
bool write(QIODevice* device, const QByteArray& workbookStream, QString* error);

} // namespace CompoundFile
