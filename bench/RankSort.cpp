#include "bench/RankSort.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>

bool RankSort::load(sqlite3* db, const QString& column) {
    m_keys.clear();
    m_ids.clear();
    m_values.clear();
    const QByteArray sql = ("SELECT key, " + column + " FROM Table1 ORDER BY key").toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    // The dictionary is keyed by the engine's UTF-8 bytes: only the distinct
    // values are ever turned into QStrings.
    QHash<QByteArray, int> idOf;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        m_keys.push_back(sqlite3_column_int64(statement, 0));
        const QByteArray bytes =
            QByteArray::fromRawData(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                    sqlite3_column_bytes(statement, 1));
        auto it = idOf.constFind(bytes);
        if (it == idOf.constEnd()) {
            it = idOf.insert(QByteArray(bytes.constData(), bytes.size()), int(m_values.size()));
            m_values << QString::fromUtf8(bytes);
        }
        m_ids.push_back(it.value());
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

void RankSort::rank() {
    QCollator collator{QLocale(QLocale::Bulgarian, QLocale::Bulgaria)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<int> order(size_t(m_values.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return collator.compare(m_values[a], m_values[b]) < 0; });
    // Values the collator finds equal (they differ in case only) share a rank.
    m_rankOfId.assign(order.size(), 0);
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && collator.compare(m_values[order[i - 1]], m_values[order[i]]) != 0)
            ++rank;
        m_rankOfId[size_t(order[i])] = rank;
    }
}

std::vector<qint64> RankSort::sorted(bool descending) const {
    const int ranks = m_rankOfId.empty() ? 0 : *std::max_element(m_rankOfId.begin(), m_rankOfId.end()) + 1;
    auto bucketOf = [&](size_t line) {
        const int r = m_rankOfId[size_t(m_ids[line])];
        return descending ? ranks - 1 - r : r;
    };
    std::vector<size_t> start(size_t(ranks) + 1, 0);
    for (size_t line = 0; line < m_keys.size(); ++line)
        ++start[size_t(bucketOf(line)) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<qint64> out(m_keys.size());
    for (size_t line = 0; line < m_keys.size(); ++line)
        out[start[size_t(bucketOf(line))]++] = m_keys[line];
    return out;
}
