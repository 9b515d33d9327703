#pragma once
// A zipped workbook (.xlsx, .ods) opened with libzip, read member by member.
// Its members are untrusted: at most SheetLimits::MaxZipEntries members, and
// at most SheetLimits::MaxBytes unpacked over all members read, counted as
// they unpack, whatever sizes the archive declares (a zip bomb stops there).
// A member that is encrypted or fails its checksum is refused.

#include <QByteArray>
#include <QString>

struct zip;

class ZipArchive {
  public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool open(const QString& path, QString* reason);
    bool has(const QString& name) const;
    // The whole member; false with the reason when it is missing, damaged,
    // encrypted or beyond what is left of the budget.
    bool read(const QString& name, QByteArray* out, QString* reason);

  private:
    zip* m_zip = nullptr;
    qint64 m_unpacked = 0;
};

// Whether the file starts as a compound file does: an Office workbook saved
// with a password is one, whatever its name says.
bool isCompoundFile(const QString& path);
