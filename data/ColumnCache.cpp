#include "data/ColumnCache.h"

#include "data/Currency.h"
#include "data/Engine.h"
#include "data/OrderColumns.h"
#include "data/TextOrder.h"

#include <QCollatorSortKey>
#include <QDate>
#include <algorithm>
#include <numeric>

namespace {

// The text a value is ranked by: UTF-8 as the engine stores it; a date as ISO.
std::string bytesOf(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate).toStdString();
    return value.toString().toStdString();
}

qint64 numberOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Currency>())
        return value.value<Currency>().units();
    return value.toLongLong();
}

} // namespace

ColumnCache::ColumnCache(int column) : m_column(column) {
    const ColumnType type = OrderColumns::at(column).type;
    m_numeric =
        type == ColumnType::Integer || type == ColumnType::Currency || type == ColumnType::AutoIncrement;
    m_collated = type == ColumnType::Text || type == ColumnType::Memo;
    m_texts.emplace_back(); // id 0: null
}

bool ColumnCache::load(Engine& engine, QString* error) {
    const QString sql =
        QStringLiteral("SELECT key, %1 FROM Table1 ORDER BY key").arg(OrderColumns::name(m_column));
    return engine.query(
        sql, {},
        [this](const EngineRow& row) {
            m_keys.push_back(qint32(row.integer(0)));
            const bool null = row.isNull(1);
            if (m_numeric)
                m_numbers.push_back(null ? NullNumber : row.integer(1));
            else
                m_ids.push_back(null ? 0 : textId(row.text(1)));
            return true;
        },
        error);
}

int ColumnCache::slotOf(qint32 key) const {
    const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    return it != m_keys.end() && *it == key ? int(it - m_keys.begin()) : -1;
}

int ColumnCache::insertSlot(qint32 key) {
    // New lines have the largest key, so this is nearly always an append.
    if (m_keys.empty() || key > m_keys.back()) {
        m_keys.push_back(key);
        m_numeric ? m_numbers.push_back(NullNumber) : m_ids.push_back(0);
        return int(m_keys.size() - 1);
    }
    const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    const auto slot = it - m_keys.begin();
    if (it == m_keys.end() || *it != key) {
        m_keys.insert(it, key);
        if (m_numeric)
            m_numbers.insert(m_numbers.begin() + slot, NullNumber);
        else
            m_ids.insert(m_ids.begin() + slot, 0);
    }
    return int(slot);
}

void ColumnCache::store(qint32 key, const QVariant& value) {
    const size_t slot = size_t(insertSlot(key));
    if (m_numeric) {
        m_numbers[slot] = value.isValid() ? numberOf(value) : NullNumber;
        return;
    }
    if (!value.isValid()) {
        m_ids[slot] = 0;
        return;
    }
    const size_t known = m_texts.size();
    const int id = textId(bytesOf(value));
    m_ids[slot] = id;
    if (m_texts.size() != known && m_ranked)
        rankNew(id);
}

void ColumnCache::remove(qint32 key) {
    const int slot = slotOf(key);
    if (slot < 0)
        return;
    m_keys.erase(m_keys.begin() + slot);
    if (m_numeric)
        m_numbers.erase(m_numbers.begin() + slot);
    else
        m_ids.erase(m_ids.begin() + slot);
}

int ColumnCache::textId(std::string_view bytes) {
    const auto found = m_textIds.find(bytes);
    if (found != m_textIds.end())
        return found->second;
    const int id = int(m_texts.size());
    m_texts.emplace_back(bytes);
    m_textIds.emplace(std::string_view(m_texts.back()), id);
    return id;
}

void ColumnCache::rankAll() {
    std::vector<int> ids(m_texts.size() - 1);
    std::iota(ids.begin(), ids.end(), 1);
    std::vector<int> order{0};
    m_rank.assign(m_texts.size(), 0);
    if (m_collated) {
        // One collation key per distinct value; comparing keys is a plain
        // byte comparison, so even a column of mostly distinct notes ranks fast.
        std::vector<QCollatorSortKey> keys;
        keys.reserve(m_texts.size());
        for (const std::string& text : m_texts)
            keys.push_back(TextOrder::sortKey(QString::fromStdString(text)));
        std::stable_sort(ids.begin(), ids.end(),
                         [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
        order.insert(order.end(), ids.begin(), ids.end());
        for (size_t i = 1; i < order.size(); ++i) {
            const bool same = i > 1 && keys[size_t(order[i - 1])].compare(keys[size_t(order[i])]) == 0;
            m_rank[size_t(order[i])] = same ? m_rank[size_t(order[i - 1])] : int(i);
        }
    } else {
        std::sort(ids.begin(), ids.end(),
                  [&](int a, int b) { return m_texts[size_t(a)] < m_texts[size_t(b)]; });
        order.insert(order.end(), ids.begin(), ids.end());
        for (size_t i = 1; i < order.size(); ++i) {
            const bool same = i > 1 && m_texts[size_t(order[i - 1])] == m_texts[size_t(order[i])];
            m_rank[size_t(order[i])] = same ? m_rank[size_t(order[i - 1])] : int(i);
        }
    }
    m_order = std::move(order);
    m_ranked = true;
}

void ColumnCache::rankNew(int id) {
    const QString value = QString::fromStdString(m_texts[size_t(id)]);
    const auto compareWith = [&](int other) {
        if (m_collated)
            return TextOrder::compare(QString::fromStdString(m_texts[size_t(other)]), value);
        return m_texts[size_t(other)].compare(m_texts[size_t(id)]);
    };
    const auto it = std::lower_bound(m_order.begin() + 1, m_order.end(), id,
                                     [&](int other, int) { return compareWith(other) < 0; });
    const int position = int(it - m_order.begin());
    // Ranks are positions of the first of equal values: the new value joins
    // an equal group (whose rank stays) or opens one; everything after shifts.
    const bool joins = it != m_order.end() && compareWith(*it) == 0;
    const int rank = joins ? m_rank[size_t(*it)] : position;
    for (int& r : m_rank)
        if (joins ? r > rank : r >= rank)
            ++r;
    m_order.insert(it, id);
    m_rank.push_back(rank);
}

std::vector<qint32> ColumnCache::sorted(const std::vector<qint32>& keys, bool descending) {
    return m_numeric ? sortedNumbers(keys, descending) : sortedTexts(keys, descending);
}

std::vector<int> ColumnCache::slotsOf(const std::vector<qint32>& keys) const {
    // Both lists ascend by key: one merge walk finds every line.
    std::vector<int> held;
    held.reserve(keys.size());
    size_t slot = 0;
    for (qint32 key : keys) {
        while (slot < m_keys.size() && m_keys[slot] < key)
            ++slot;
        held.push_back(slot < m_keys.size() && m_keys[slot] == key ? int(slot) : -1);
    }
    return held;
}

std::vector<qint32> ColumnCache::sortedNumbers(const std::vector<qint32>& keys, bool descending) const {
    // A stable radix sort on the value alone: the input ascends by key, so
    // equal values keep ascending key order in both directions. Flipping the
    // sign bit makes unsigned order signed order (null, the smallest value,
    // comes first); inverting every bit makes it descending.
    const size_t n = keys.size();
    const std::vector<int> held = slotsOf(keys);
    std::vector<quint64> values(n);
    std::vector<qint32> order = keys;
    size_t counts[8][256] = {};
    for (size_t i = 0; i < n; ++i) {
        quint64 u = quint64(number(held[i])) ^ (quint64(1) << 63);
        values[i] = descending ? ~u : u;
        for (int digit = 0; digit < 8; ++digit)
            ++counts[digit][(values[i] >> (8 * digit)) & 0xFF];
    }
    std::vector<quint64> valuesOut(n);
    std::vector<qint32> orderOut(n);
    for (int digit = 0; digit < 8 && n > 0; ++digit) {
        const int shift = 8 * digit;
        if (counts[digit][(values[0] >> shift) & 0xFF] == n)
            continue; // every line has the same byte here
        size_t start[256];
        size_t sum = 0;
        for (int b = 0; b < 256; ++b) {
            start[b] = sum;
            sum += counts[digit][b];
        }
        for (size_t i = 0; i < n; ++i) {
            const size_t to = start[(values[i] >> shift) & 0xFF]++;
            valuesOut[to] = values[i];
            orderOut[to] = order[i];
        }
        values.swap(valuesOut);
        order.swap(orderOut);
    }
    return order;
}

std::vector<qint32> ColumnCache::sortedTexts(const std::vector<qint32>& keys, bool descending) {
    if (!m_ranked)
        rankAll();
    const int highest = int(m_order.size()) - 1;
    std::vector<int> ranks = slotsOf(keys);
    for (int& slotThenRank : ranks)
        slotThenRank = descending ? highest - rank(slotThenRank) : rank(slotThenRank);
    // Stable counting sort: the input ascends by key, so equal values keep
    // ascending key order in both directions.
    std::vector<size_t> start(size_t(highest) + 2, 0);
    for (int r : ranks)
        ++start[size_t(r) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<qint32> result(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        result[start[size_t(ranks[i])]++] = keys[i];
    return result;
}

bool ColumnCache::before(qint32 a, qint32 b, bool descending) {
    const int slotA = slotOf(a);
    const int slotB = slotOf(b);
    if (m_numeric) {
        const qint64 va = number(slotA);
        const qint64 vb = number(slotB);
        if (va != vb)
            return descending ? va > vb : va < vb;
        return a < b;
    }
    if (!m_ranked)
        rankAll();
    const int ra = rank(slotA);
    const int rb = rank(slotB);
    if (ra != rb)
        return descending ? ra > rb : ra < rb;
    return a < b;
}
