#pragma once
// Microsoft Access database files as the Windows version of the register kept
// its db1.mdb: which engine wrote a file, and its tables read row by row
// through libmdb (mdbtools).
//
// The reader hands out exact values: money is the stored 64-bit count of
// ten-thousandths, never a text libmdb formatted or a double; a date-time is
// cut to its date from the stored day number; integers come from their
// stored bytes. Only texts and memos go through libmdb's decoding: Jet 4
// texts are UCS-2 (compressed or not) turned into UTF-8, Jet 3 texts are
// Windows-1251, the code page the Windows register ran in (a Jet 3 file does
// not name its code page).

#include "data/RowSource.h"

#include <memory>

enum class AccessFormat { None, Jet3, Jet4, Ace };

namespace AccessFile {
// From the signature at byte 4 ("Standard Jet DB" / "Standard ACE DB") and
// the version byte at 0x14. None for anything else, including a missing file.
AccessFormat detect(const QString& path);
QString formatName(AccessFormat format);
} // namespace AccessFile

class AccessTableReader : public RowSource {
  public:
    AccessTableReader();
    ~AccessTableReader() override;
    AccessTableReader(const AccessTableReader&) = delete;
    AccessTableReader& operator=(const AccessTableReader&) = delete;

    // Opens the file read-only and the named table (its name compared
    // ignoring case, as Access does). false with errorString() for a file
    // libmdb cannot read or a missing table.
    bool open(const QString& path, const QString& table);

    QStringList columnNames() const override;
    QVector<Kind> columnKinds() const override;
    qint64 declaredRowCount() const override;
    bool next(QVector<QVariant>* row) override;
    QString errorString() const override { return m_error; }
    bool isDamaged() const override { return m_damaged; }

  private:
    bool fail(bool damaged, const QString& message);

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    QString m_error;
    bool m_damaged = false;
};
