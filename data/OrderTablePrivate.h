#pragma once
// The inside of OrderTable, shared by the files that implement it: the view
// (OrderTableView.cpp), moving through it (OrderTableNavigation.cpp), the
// pending line and its store (OrderTableEditing.cpp), and the rest
// (OrderTable.cpp). Only those files include it.

#include "data/OrderTable.h"

#include "data/ColumnCache.h"
#include "data/DataLink.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/RowCache.h"

#include <QStringList>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString EmptyDataset = QStringLiteral("Cannot perform this operation on an empty dataset");
const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
// Another program on the register stored or deleted the line after this one
// read it: storing over it would silently undo the other's work.
const QString ChangedOnStore =
    QStringLiteral("This line was changed by another user (or deleted) since it was read, so your changes "
                   "were not stored.\r\n"
                   "Your entries are kept: press Cancel to see the line as it is stored now.");
const QString ChangedOnDelete =
    QStringLiteral("This line was changed by another user since it was read, so it was not deleted.\r\n"
                   "Look at it as it is stored now, and delete it again if it should still go.");

// Column caches kept at once; each costs about 8 MB at a million lines.
constexpr size_t MaxColumnCaches = 4;

} // namespace

struct OrderTable::Private {
    std::function<void(const QString&)> sink;
    std::function<bool()> beforePost;
    std::function<bool()> beforeDelete;
    std::function<OrderTable::StoreQuestion()> storeQuestion;
    std::function<bool()> reopen;
    bool reopening = false;
    QVector<DataLink*> links;

    std::vector<qint32> base; // keys of the view, ascending
    std::vector<qint32> view; // the same keys in the sort order
    // The previous view's vectors, kept for reading the next one (contents
    // meaningless).
    std::vector<qint32> spareBase;
    std::vector<qint32> spareView;
    // Lines stored while the filter was on: they stay in the view whether or
    // not they still pass the filter, so the sums must count them too.
    std::set<qint32> stored;
    int sortColumn = OrderColumns::Key;
    bool sortDescending = false;

    // The view as this program's own stores and deletes left it, against
    // what reading it again would give: exact while its sums were read with
    // it, every store since told whether its line still passes the filter,
    // and no other program changed the register (the engine watches).
    bool viewExact = false;
    ViewSums viewSums; // of every line of the view
    // Lines of the view that no longer pass the filter, with their shares
    // of viewSums: a new reading would leave them out.
    std::map<qint32, ViewSums> leftFilter;
    ViewSums editShare; // the edited line's share as it was read
    // What the last store's statement answered: the line's share, and
    // whether it passes the filter (-1: not answered).
    ViewSums storedShare;
    int storedPassesFilter = -1;

    static ViewSums shareOf(const RowValues& line) {
        ViewSums share;
        share.count = 1;
        share.pieces = FieldCodec::toInteger(line[OrderColumns::Polucbr]);
        share.money = FieldCodec::toCurrency(line[OrderColumns::Obsto]);
        return share;
    }

    // Adds (sign 1) or takes off (-1) a line's share; a total beyond 64 bits
    // leaves the view to a new reading, which reports it.
    void countShare(const ViewSums& share, int sign) {
        qint64 money = viewSums.money.units();
        if (__builtin_add_overflow(viewSums.count, sign * share.count, &viewSums.count) ||
            __builtin_add_overflow(viewSums.pieces, sign * share.pieces, &viewSums.pieces) ||
            __builtin_add_overflow(money, sign * share.money.units(), &money))
            viewExact = false;
        viewSums.money = Currency::fromUnits(money);
    }

    // A stored line changes the view's sums by its new share less its old
    // one, and stays in the view whether or not it passes the filter.
    void followStore(qint32 key, bool inserted, bool filtered) {
        if (!viewExact)
            return;
        if (storedPassesFilter < 0) {
            viewExact = false;
            return;
        }
        if (!inserted)
            countShare(editShare, -1);
        countShare(storedShare, 1);
        if (storedPassesFilter || !filtered)
            leftFilter.erase(key);
        else
            leftFilter[key] = storedShare;
    }

    void followDelete(qint32 key, const ViewSums& share) {
        countShare(share, -1);
        leftFilter.erase(key);
    }

    // What a new reading of the view with an unchanged filter gives, from
    // the view kept: the lines that left the filter go, with their shares.
    void dropLinesLeftFilter() {
        for (const auto& [key, share] : leftFilter) {
            const auto inBase = std::lower_bound(base.begin(), base.end(), key);
            if (inBase != base.end() && *inBase == key)
                base.erase(inBase);
            const auto inView = std::find(view.begin(), view.end(), key);
            if (inView != view.end())
                view.erase(inView);
            countShare(share, -1);
        }
        leftFilter.clear();
        stored.clear();
    }

    RowCache rows;
    std::vector<std::unique_ptr<ColumnCache>> caches; // most recently used last

    RowValues buffer;      // the pending line
    QVector<bool> changed; // columns set since the line became pending
    qint32 keyBeforeInsert = 0;
    qint32 pendingKey = 0;  // reserved for the pending new line
    QByteArray editVersion; // the edited line's version as it was read
    // The connection broke while the pending new line was being stored: it
    // may be stored already, so the next store must not store it again.
    bool insertInDoubt = false;
    // lineVanished was emitted and the view not read since: one reading
    // covers every line met meanwhile.
    bool vanishNoticed = false;
    // A line met while a line is pending: told once it is settled, as the
    // reading would settle it.
    bool vanishWhilePending = false;

    // What was held back while the controls were suspended, and the line
    // current when the suspension began.
    struct Held {
        bool view = false;
        bool data = false;
        bool current = false;
        bool moved = false; // the current line moved (moveCurrent)
    };
    Held held;
    int rowAtSuspension = -1;
    qint32 keyAtSuspension = 0;

    void clearBuffer() {
        buffer = RowValues(OrderColumns::Count);
        changed = QVector<bool>(OrderColumns::Count, false);
    }

    int rowOfKey(qint32 key) const {
        const auto it = std::find(view.begin(), view.end(), key);
        return it == view.end() ? -1 : int(it - view.begin());
    }

    ColumnCache* cacheFor(int column, Engine* engine, QString* error) {
        for (auto it = caches.begin(); it != caches.end(); ++it) {
            if ((*it)->column() == column) {
                std::rotate(it, it + 1, caches.end());
                return caches.back().get();
            }
        }
        auto cache = std::make_unique<ColumnCache>(column);
        if (!engine) {
            *error = Engine::notOpenMessage();
            return nullptr;
        }
        if (!cache->load(*engine, error))
            return nullptr;
        if (caches.size() >= MaxColumnCaches)
            caches.erase(caches.begin());
        caches.push_back(std::move(cache));
        return caches.back().get();
    }

    bool orderKeys(const std::vector<qint32>& keys, int column, bool descending, Engine* engine,
                   std::vector<qint32>* out, QString* error) {
        if (column == OrderColumns::Key) {
            *out = keys;
            if (descending)
                std::reverse(out->begin(), out->end());
            return true;
        }
        ColumnCache* cache = cacheFor(column, engine, error);
        if (!cache)
            return false;
        *out = cache->sorted(keys, descending);
        return true;
    }

    // A stored line enters the view at its place in the sort order; returns its row.
    int placeInView(qint32 key, Engine* engine) {
        QString ignored;
        ColumnCache* cache =
            sortColumn == OrderColumns::Key ? nullptr : cacheFor(sortColumn, engine, &ignored);
        if (!cache && sortColumn != OrderColumns::Key)
            viewExact = false; // placed by key: a new reading would sort it elsewhere
        const bool descending = sortDescending;
        auto before = [&](qint32 a, qint32 b) {
            if (cache)
                return cache->before(a, b, descending);
            return descending ? a > b : a < b;
        };
        const auto placed = view.insert(std::lower_bound(view.begin(), view.end(), key, before), key);
        return int(placed - view.begin());
    }

    void storeInCaches(qint32 key, bool allColumns) {
        for (const auto& cache : caches)
            if (allColumns || changed[cache->column()])
                cache->store(key, buffer[cache->column()]);
    }
};
