#pragma once
// Writes a Workbook as an Excel 97-2003 file (BIFF8 in a compound file). The
// assembler: it builds the style table, lays out the globals (with the
// sheet's offset filled in once the globals' size is known), the sheet and
// the container, each step checked.

#include <QString>

class QIODevice;
class Workbook;

class WorkbookWriter {
  public:
    // The whole file onto an open device.
    bool write(const Workbook& book, QIODevice* device);
    QString errorString() const { return m_error; }

  private:
    QString m_error;
};
