#pragma once
// The reference for sorting the view by a text column, letter case ignored:
// read the column once (SELECT key, col), give each distinct value an id, order
// the few distinct values once with a collator, then order the lines by a
// stable counting sort on their value's rank. Its cost grows with the lines
// only through two linear passes, never through a comparison of two lines.

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;

class RankSort {
  public:
    // Reads key and column of every line in key order, building the dictionary.
    bool load(sqlite3* db, const QString& column);
    // Orders the distinct values once (Bulgarian rules, case ignored).
    void rank();
    // The keys of all lines ordered by rank, ties in key order.
    std::vector<qint64> sorted(bool descending) const;

    size_t lineCount() const { return m_keys.size(); }
    int distinctCount() const { return int(m_values.size()); }

  private:
    std::vector<qint64> m_keys; // key order
    std::vector<int> m_ids;     // per line: index into m_values
    QStringList m_values;       // distinct values, in order of first appearance
    std::vector<int> m_rankOfId;
};
