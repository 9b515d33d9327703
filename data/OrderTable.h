#pragma once
// The dataset behind ADOTable1: the view of Table1 that passes the filter, in
// the sort order, with a current line and at most one pending line.
//
// Built for large registers: the view is a vector of keys, rows are read by key
// when shown and kept in a small cache, the pending line is a row buffer
// written in one statement. Sorting by a column uses an in-memory column cache
// (distinct values ranked once, counting sort of the view), kept up to date on
// every store and delete. Sums over the view come from one aggregate query.
//
// Errors: every failure is reported once to the error sink (the window shows it
// in the standard error box) and the operation returns false. A store stopped
// by the before-post hook returns false without a report (silent refusal).
// Operations on a closed table fail with "Cannot perform this operation on a
// closed dataset" (or, with a reopen step set, with why it cannot be opened
// again); field reads on it just return null.
//
// Values (see FieldCodec.h): value() gives int, Currency (QVariant::fromValue),
// QString or QDate, and an invalid QVariant for null. setValue() also takes a
// text for numbers, money and dates, a whole number for money (an amount, not
// ten-thousandths) and a double for money (rounded to four decimals); an empty
// text makes a number or date null.
//
// A pending new line is shown as an extra last row of the grid (row
// recordCount()), whatever the sort; once stored it takes its sorted place and
// stays in the view even when it does not pass the filter.
//
// Holds prepared statements on the connection: close the table (or destroy
// it) before the connection. Called on the GUI thread only.

#include "data/Currency.h"
#include "data/OrderColumns.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Database;
class Engine;
class EngineRow;
class DataLink;

enum class TableState { Inactive, Browse, Edit, Insert };

struct ViewSums {
    qint64 count = 0;
    qint64 pieces = 0; // sum of polucbr
    Currency money;    // sum of obsto, exact
};

class OrderTable : public QObject {
    Q_OBJECT
  public:
    explicit OrderTable(Database& database, QObject* parent = nullptr);
    ~OrderTable() override;

    // --- sinks and hooks -------------------------------------------------
    void setErrorSink(std::function<void(const QString&)> sink);
    // Shows an error where the table shows its own (the bound controls use it
    // for a text they refuse).
    void reportError(const QString& message) const { report(message); }
    // Returns false to stop a store (silently). May cancel the pending line.
    void setBeforePost(std::function<bool()> hook);
    // Returns false to stop a delete (silently).
    void setBeforeDelete(std::function<bool()> hook);
    // A question asked in the very statement that stores a line, where a
    // statement of its own would cost a wait for the server: an SQL
    // expression with "?" parameters, answered beside the line as stored.
    struct StoreQuestion {
        QString expression; // empty: nothing to ask
        QVariantList parameters;
        std::function<void(const EngineRow& answer, int column)> answered;
    };
    // Asked at every store for the question of the line being stored.
    void setStoreQuestion(std::function<StoreQuestion()> ask);
    void addDataLink(DataLink* link);
    void removeDataLink(DataLink* link);

    // --- open / close ------------------------------------------------------
    // Reads the view with the current filter and sort; state Browse. Given
    // sums, the view's sums are read in the same read transaction.
    bool open(ViewSums* sums = nullptr);
    void close(); // state Inactive, nothing pending
    bool isActive() const;
    // False, with "Cannot perform this operation on a closed dataset"
    // reported, when the table is not open and cannot be opened again.
    // Called at the start of every step.
    bool checkActive();
    // How a table that could not be opened (a server that was down at
    // start-up) is opened at the next step; it reports its own failure.
    void setReopen(std::function<bool()> reopen);
    TableState state() const { return m_state; }

    // --- view definition ---------------------------------------------------
    QString sort() const { return m_sortText; }
    // "column" or "column DESC". An unchanged text does nothing; an unknown
    // column fails. While open the view is re-sorted; the current line stays.
    // Lines with equal values stay in ascending key order. Texts compare as
    // TextOrder does (letter case ignored); null comes first.
    bool setSort(const QString& sortText);
    QString filter() const { return m_filterText; }
    bool isFiltered() const { return m_filtered; }
    // While the filter is off, setting the text only stores it.
    bool setFilterText(const QString& where);
    // A change settles a pending line, re-selects the view and moves to its
    // first line. Returns false when the settle was refused or the engine failed.
    bool setFiltered(bool on);
    // Switching off, setting the text and switching on as one change: the
    // pending line is settled once and the lines are selected once. On a
    // closed table both are only stored, so that open() reads that view.
    // Given sums, the view's sums are read in the same read transaction as
    // its lines, so they cover exactly the lines the grid then shows.
    bool setFilter(const QString& where, bool on, ViewSums* sums = nullptr);
    // Settles, then reads the view's lines (with what other programs stored
    // meanwhile) and their sums in one read transaction. The current line
    // stays current while it is still in the view, else the first is.
    bool refresh(ViewSums* sums);
    // As refresh, and in the same read transaction the given columns of every
    // line of the new view, in its order (as readLines): what is visited is
    // exactly what the grid then shows and what sums counts, whatever other
    // programs store. A new view of more than maxLines lines is not visited
    // at all, so reading it costs no more than refresh.
    bool refreshLines(ViewSums* sums, int maxLines, const QVector<int>& columns,
                      const std::function<void(int row, const QVariant* values)>& visit);

    // --- a column's values over every line of the register -----------------
    // (not only the view; data/OrderTableValues.cpp)
    // Each value that lines hold in column (empty ones left out) with the
    // number of lines that hold it, in one statement.
    bool lineCountsByValue(int column, QHash<QString, qint64>* counts, QString* error);
    // Writes to into column of every line that holds from, in one
    // transaction (nothing changed on failure); changed gets their count. To
    // other clerks this is a store of each line: a pending edit of one is
    // refused as changed by another user. Nothing read of the lines before
    // is used again.
    bool renameInLines(int column, const QString& from, const QString& to, qint64* changed, QString* error);

    // --- navigation (each settles a pending line first) --------------------
    bool first();
    bool prior();
    bool next();
    bool last();
    bool moveTo(int row); // row of the view, as the grid numbers it
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    int currentRow() const { return m_current; } // -1 when the view is empty
    int recordCount() const;                     // lines in the view (pending new line not counted)
    bool isEmpty() const { return recordCount() == 0; }

    // Posted when a column changed, else cancelled without the before-post hook.
    bool settle();

    // --- editing ---------------------------------------------------------------
    bool append(); // settles, then a new empty pending line at the end (Insert)
    bool edit();   // Browse → Edit; on an empty view starts a new line
    // Stores the pending line. An edited line that another program changed or
    // deleted since it was read is not stored: the error says so and the
    // entries stay pending (Cancel then shows the line as it is stored now).
    bool post();
    void cancel();
    // Delete: in Insert it cancels; on an empty view it fails. A line another
    // program changed since it was read is not deleted (the error says so);
    // one it deleted first is simply gone.
    bool remove();
    bool isModified() const { return m_modified; }
    // Writes what is typed into the bound controls into the pending line; false
    // when a control refused its text (it said why). True when nothing is pending.
    bool commitTypedText();
    // The key a pending new line will be stored under: reserved from the
    // engine's key sequence when the line started, so no other line, of this
    // or another program on the same register, can ever get it. 0 otherwise.
    qint32 pendingKey() const;
    // Takes the next number of the key sequence for good (the sequence moves
    // on even when the number is never stored).
    bool reserveKey(qint32* out);
    // Makes the keys reserved so far survive a loss of power (see Engine::keepKeys).
    bool keepKeys();

    // --- bookmarks -----------------------------------------------------------
    // The current line's key as opaque text; empty for a pending new line.
    QString bookmark() const;
    // Settles first. An empty bookmark returns false silently; a line no
    // longer in the view fails with "Record not found".
    bool gotoBookmark(const QString& bookmark);
    // Whether the line of the bookmark is in the view.
    bool hasBookmark(const QString& bookmark) const;

    // --- finding a line by its text ----------------------------------------
    // Where a find starts: at the current line, after it, or before it going back.
    enum class FindFrom { Current, Next, Previous };
    struct Found {
        int row = -1;         // the line found; -1 when no line of the view matches
        int count = 0;        // lines of the view that match
        bool wrapped = false; // the search went past the end (or the start) of the view
    };
    // Settles first, as a move does: a refused store ends the find with
    // false, on the line where it was. Then one query asks the engine for
    // the keys of the view's lines whose article, supplier, label, letters,
    // page/position, colour, size, material, note, batch, code or sack
    // number contains text (letter case ignored, blanks as given); the
    // lines themselves are not read. The line found is the first of them in
    // the view's order from where the find starts, wrapping at the ends. It
    // does not move: moveTo(found->row) does.
    bool find(const QString& text, FindFrom from, Found* found);

    // --- suspending bound controls -----------------------------------------
    // While suspended, dataChanged, rowChanged, currentRowChanged and viewReset
    // are held back (stateChanged is not); the last enableControls() reports
    // one viewReset, one dataChanged(-1) and one currentRowChanged.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // --- field access (current line, or the pending buffer) -----------------
    // By position (OrderColumns::Index), as the program names columns, or by
    // name, as a dataset's callers may; an unknown name is reported.
    QVariant value(int column) const;
    QVariant value(const QString& name) const;
    bool isNull(OrderColumns::Index column) const;
    bool isNull(const QString& name) const;
    qint32 asInteger(OrderColumns::Index column) const; // null reads 0
    qint32 asInteger(const QString& name) const;
    Currency asCurrency(OrderColumns::Index column) const;
    Currency asCurrency(const QString& name) const;
    double asFloat(OrderColumns::Index column) const;
    double asFloat(const QString& name) const;
    // Form text: integer text, money in the system's number format, date as
    // YYYY-MM-DD, the note unchanged; null reads "".
    QString asString(OrderColumns::Index column) const;
    QString asString(const QString& name) const;
    QDate asDate(const QString& name) const;
    // The current line's value as stored, without its pending changes; null
    // for a pending new line.
    QVariant storedValue(OrderColumns::Index column) const;
    QVariant storedValue(const QString& name) const;
    ColumnType columnType(const QString& name) const;
    int columnIndex(const QString& name) const;
    // Only in Edit or Insert. Texts are cut to the column's width; a text for a
    // number column must parse. Marks the line changed and reports a data change.
    bool setValue(const QString& name, const QVariant& value);
    bool setValue(int column, const QVariant& value);
    // Several columns at once, with one report of a change of the whole line
    // (each column's own report would reach every field and the grid). All or
    // nothing: a value that is refused leaves every column as it was.
    bool setValues(const std::vector<std::pair<int, QVariant>>& values);

    // --- reading for the grid ------------------------------------------------
    int viewRowCount() const;                      // lines the grid shows (incl. a pending new line)
    QVariant cellValue(int row, int column) const; // pending buffer for the current row
    // asString's text, except the note, shown without blanks and control
    // characters at either end.
    QString cellText(int row, int column) const;

    // --- whole-view work -------------------------------------------------------
    // One aggregate query over the view's filter, plus the lines stored while
    // filtered that stay in the view; exact integer sums.
    bool sums(ViewSums* out);
    // The given columns of every line of the view (pending new line not
    // included), in the view's order, for readers of the whole view such as
    // the export: one statement inside one read transaction, the row cache
    // left alone. visit gets the row and one value per column, in value form.
    bool readLines(const QVector<int>& columns,
                   const std::function<void(int row, const QVariant* values)>& visit);
    // Runs one text command on the connection; the result is not read. A
    // command that may write drops the cached rows and columns.
    bool execute(const QString& sql);

  signals:
    void stateChanged(TableState state);
    void dataChanged(int column); // -1: the current line moved or was re-read
    void afterPost();
    void afterDelete();
    // The pending changes were abandoned (Cancel, a dropped line, a refusal
    // that abandons it); emitted after the state change.
    void cancelled();
    void postError(const QString& message);
    // For the grid model: the set or order of lines changed, or one line did.
    void viewReset();
    void rowChanged(int row);
    // The pending new line appeared as the last grid row, or went away; the
    // other rows are as they were (cheaper for a view than a reset).
    void newLineShown();
    void newLineDropped();
    void currentRowChanged(int row);
    // A move, Cancel of an edit, or the grid painting a line met a line
    // another program deleted since the view was read (a move then did not
    // happen). The window reads the view and its sums anew. Emitted once
    // until the view is read again, and while a line is pending only once it
    // is stored or cancelled.
    void lineVanished();
    // The view was read from the register anew (opening, a filter, F5,
    // Recalculate, the export): it shows what every program has stored.
    void viewRead();

  private:
    void report(const QString& message) const;
    bool commitLinks();
    bool isEditing() const { return m_state == TableState::Edit || m_state == TableState::Insert; }
    // A value for the pending line, checked and in the column's type; false
    // (reported) when it cannot be taken.
    bool convertForPending(int column, const QVariant& value, QVariant* converted);
    void putPending(int column, const QVariant& converted);
    qint32 currentKey() const; // 0 for none and for a pending new line
    // The current line's stored values; only when currentKey() is not 0.
    const QVector<QVariant>& currentLine() const;
    Engine* engine() const; // nullptr while the connection is closed
    bool lineExists(qint32 key, bool* exists, QString* error);
    // Whether the stored line already holds every pending change.
    bool storedAsPending(qint32 key);
    // Gives the pending new line a fresh key when another line now holds the
    // one reserved for it; false when that key is free (or cannot be checked).
    bool replaceTakenKey(qint32 taken);
    // Reads the view's keys; given sums, also adds up the view's sums from
    // the same lines in the same statement.
    bool selectView(QString* error, ViewSums* sums = nullptr);
    // selectView and, given sums or more to read, the sums of the same
    // lines and that more, in one read transaction.
    bool readView(ViewSums* sums, QString* error, const std::function<bool(QString*)>& alsoRead = {});
    // refresh's steps, with alsoRead run inside its read transaction.
    bool reread(ViewSums* sums, const std::function<bool(QString*)>& alsoRead);
    bool readLinesOf(const QVector<int>& columns,
                     const std::function<void(int row, const QVariant* values)>& visit, QString* error);
    bool readSums(ViewSums* out, QString* error);
    // After a reading of the view (with its sums, or none).
    void viewReadWith(const ViewSums* sums);
    // Instead of reading the view with an unchanged filter: the view this
    // program's own stores left, when that is exactly what the reading
    // would give; false (nothing changed) when it is not known to be.
    bool keepViewAfterOwnStores(bool filtered, const QString& filterText, ViewSums* sums);
    // " WHERE ..." of the filter (empty when unfiltered).
    QString filterCondition() const;
    // The condition of the view's lines without WHERE (empty when unfiltered).
    QString viewPredicate() const;
    // The keys of the view's lines that contain text, ascending.
    bool matchingKeys(const QString& text, std::vector<qint32>* keys, QString* error);
    // " WHERE ..." of the view's lines (empty when unfiltered): the filter's
    // and the lines stored since, for queries over the whole view.
    QString viewCondition() const;
    // Visits the lines of keys (in key order, ascending or descending) with
    // their position in keys.
    bool scanLinesInKeyOrder(const QStringList& names, const QVector<int>& columns,
                             const std::vector<qint32>& keys, bool descending,
                             const std::function<void(int row, const QVariant* values)>& visit,
                             QString* error);
    bool parseSort(const QString& sortText, int* column, bool* descending);
    bool reselect(bool filtered, const QString& filterText, ViewSums* sums);
    bool writePending(qint32* key, QString* error);
    void finishPost(qint32 key);
    void moveCurrent(int row);
    // Whether the line of a row can be read (a line that cannot is not moved
    // to: an empty form would pass for an empty line); reports why not.
    bool canShow(int row);
    void noticeVanished();
    void noticeVanishedAfterPending();
    void notifyData(int column);
    void notifyView();
    void notifyNewLine(bool shown);
    void notifyRow(int row);
    void notifyCurrent();

    struct Private;
    std::unique_ptr<Private> d;
    Database& m_db;
    TableState m_state = TableState::Inactive;
    QString m_sortText = QStringLiteral("key");
    QString m_filterText;
    bool m_filtered = false;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_modified = false;
    int m_disableCount = 0;
};
