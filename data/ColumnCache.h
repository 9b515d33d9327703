#pragma once
// One column of the whole Table1 in memory, so that the view can be sorted by
// it without asking the engine to sort a million lines with a collation.
//
// Text columns are held as a dictionary of distinct values and one id per
// line. The distinct values are ranked once with the program's alphabetical
// order (letter case ignored, Cyrillic and Latin alike) and the view is then
// put in order by a stable counting sort on the ranks: the cost depends on
// the few hundred distinct values, not on the lines. Dates are ranked by
// their ISO text. Number and money columns keep the value per line.
//
// Lines are kept in ascending key order. The cache is told of every store and
// delete, and a new distinct text is placed among the ranked ones at once.

#include <QVariant>
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Engine;

class ColumnCache {
  public:
    explicit ColumnCache(int column);
    int column() const { return m_column; }

    // Reads key and column of every line (one scan of the table).
    bool load(Engine& engine, QString* error);
    // The line's value (value form) after a store; adds the line when new.
    void store(qint32 key, const QVariant& value);
    void remove(qint32 key);

    // keysAscending in the column's order, descending when asked; lines with
    // equal values stay in ascending key order. A key the cache does not hold
    // counts as null, which comes first.
    std::vector<qint32> sorted(const std::vector<qint32>& keysAscending, bool descending);
    // True when line a comes before line b in that order.
    bool before(qint32 a, qint32 b, bool descending);

  private:
    static constexpr qint64 NullNumber = std::numeric_limits<qint64>::min();

    int slotOf(qint32 key) const; // index into m_keys, or -1
    int insertSlot(qint32 key);   // slot of key, added when missing
    std::vector<int> slotsOf(const std::vector<qint32>& keysAscending) const; // -1: not held
    int textId(std::string_view bytes);
    qint64 number(int slot) const { return slot < 0 ? NullNumber : m_numbers[size_t(slot)]; }
    int rank(int slot) const { return slot < 0 ? 0 : m_rank[size_t(m_ids[size_t(slot)])]; }
    void rankAll();
    void rankNew(int id);
    std::vector<qint32> sortedNumbers(const std::vector<qint32>& keys, bool descending) const;
    std::vector<qint32> sortedTexts(const std::vector<qint32>& keys, bool descending);

    int m_column;
    bool m_numeric;
    bool m_collated; // text and memo; dates compare as bytes
    std::vector<qint32> m_keys;
    std::vector<qint64> m_numbers;   // numeric columns: value per line, NullNumber for null
    std::vector<qint32> m_ids;       // text columns: dictionary id per line, 0 for null
    std::deque<std::string> m_texts; // UTF-8 by id; deque keeps the views below valid
    std::unordered_map<std::string_view, int> m_textIds;
    bool m_ranked = false;
    std::vector<int> m_order; // ids in ascending order of value, null (id 0) first
    std::vector<int> m_rank;  // by id: position in m_order of the first equal value
};
