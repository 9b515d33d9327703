#include "data/OrderTablePrivate.h"

// --- finding a line by its text --------------------------------------------------------

namespace {

// The columns a find looks in: what a clerk remembers of a line.
constexpr OrderColumns::Index Searched[] = {
    OrderColumns::Artikul, OrderColumns::Dostavcik, OrderColumns::Firmetiket, OrderColumns::Bukvi,
    OrderColumns::Strpos,  OrderColumns::Cvet,      OrderColumns::Razmeri,    OrderColumns::Sastav,
    OrderColumns::Belejka, OrderColumns::Batch,     OrderColumns::Kodovnom,   OrderColumns::Nomcuval};

} // namespace

bool OrderTable::matchingKeys(const QString& text, std::vector<qint32>* keys, QString* error) {
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    QStringList names;
    for (OrderColumns::Index column : Searched)
        names << OrderColumns::name(column);
    const QString view = viewPredicate();
    const QString match = db->containsIgnoringCase(names);
    const QString sql = QStringLiteral("SELECT key FROM Table1 WHERE ") +
                        (view.isEmpty() ? match : QStringLiteral("(%1) AND %2").arg(view, match));
    keys->clear();
    const bool read = db->query(
        sql, {text},
        [keys](const EngineRow& row) {
            keys->push_back(qint32(row.integer(0)));
            return true;
        },
        error);
    std::sort(keys->begin(), keys->end());
    return read;
}

bool OrderTable::find(const QString& text, FindFrom from, Found* found) {
    *found = Found();
    if (!checkActive() || !settle())
        return false;
    std::vector<qint32> keys;
    QString error;
    if (!matchingKeys(text, &keys, &error)) {
        report(error);
        return false;
    }
    // A line another program stored since the view was read passes the
    // condition but is not in the view: it is neither counted nor found.
    const auto inView = [this](qint32 key) {
        return std::binary_search(d->base.begin(), d->base.end(), key);
    };
    found->count = int(std::count_if(keys.begin(), keys.end(), inView));
    const int lines = int(d->view.size());
    if (found->count == 0 || lines == 0)
        return true;
    const int step = from == FindFrom::Previous ? -1 : 1;
    const int start = from == FindFrom::Current ? std::max(m_current, 0) : m_current + step;
    for (int i = 0; i < lines; ++i) {
        const int unwrapped = start + step * i;
        const int row = (unwrapped % lines + lines) % lines;
        if (std::binary_search(keys.begin(), keys.end(), d->view[size_t(row)])) {
            found->row = row;
            found->wrapped = unwrapped != row;
            return true;
        }
    }
    return true;
}
