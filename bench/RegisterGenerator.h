#pragma once
// Writes a synthetic but realistic register for the benchmarks: db1.mdb with
// the program's own schema (indexes included) and the pick list files
// Suppliers.txt, articles.txt and Batches.txt beside it.
//
// The same row count always gives the same bytes of data: every choice comes
// from a fixed-seed generator of our own, never from the standard library's
// distributions (whose results differ between library versions).
//
// What the data looks like, and why:
// - 60 suppliers, half Latin (Turkish and French accents), half Cyrillic, nine
//   with an apostrophe; their frequency falls off like Zipf's law, so filters
//   hit views from 0.2% to 20% of the register. `D'Angelo Moda` has ~3.4%.
// - ~400 articles (garment word and model code, Bulgarian and English, mixed
//   letter case), so a case-insensitive sort has real work to do.
// - 25 batches of at most 7 characters, inserted in date order (key order is
//   date order), each with the same share of lines.
// - Notes of 0-200 characters, half of them empty; counts ordered >= delivered
//   >= received; money = received x price, exact in ten-thousandths; photo
//   number = key for 80% of the lines.
// Written in one transaction through one prepared statement (sqlite3 C API).

#include <QString>
#include <QStringList>

class RegisterGenerator {
  public:
    explicit RegisterGenerator(qint64 rows);

    // Writes db1.mdb and the list files into folder (created if missing). An
    // existing db1.mdb is replaced only once the new one is complete.
    bool write(const QString& folder);
    QString errorString() const { return m_error; }

    // The lists as they go into the files, in the order written.
    static QStringList suppliers();
    static QStringList articles();
    static QStringList batches();

    // Filter values with known shares, used by the benchmarks.
    static QString filterSupplier() { return QStringLiteral("D'Angelo Moda"); }
    static QString filterBatch() { return QStringLiteral("22-09B"); }

  private:
    bool writeDatabase(const QString& path);
    bool writeListFile(const QString& path, const QStringList& lines);
    bool fail(const QString& message);

    qint64 m_rows;
    QString m_error;
};
