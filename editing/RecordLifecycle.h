#pragma once
// How an order line comes into being, is stored, abandoned and removed: the
// Add, Apply, Cancel and Delete buttons and the steps the order table runs
// before and after it stores or deletes a line. The window owns one instance
// and calls it from its handlers; the work that belongs to other subsystems
// (sorting, the filter rule, the counters, the photo) comes in as steps.

#include "data/Currency.h"

#include <QString>
#include <functional>

class Dialogs;
class OrderTable;
class QComboBox;
class QWidget;
class StatusPanels;

class RecordLifecycle {
  public:
    // The controls and window state the lifecycle reads and writes.
    struct Controls {
        QComboBox* articleBox;     // DBComboBox1
        QComboBox* supplierBox;    // DBComboBox2
        QWidget* priceField;       // DBEdit7
        QWidget* orderedField;     // DBEdit16
        QComboBox* batchChooser;   // ComboBox2
        QComboBox* supplierFilter; // cbfiltersup
    };
    // Work done by other subsystems.
    struct Steps {
        std::function<void()> resetSort;
        std::function<void()> showPhoto;
        std::function<void()> runFilterRule;
        // Takes a deleted line's money and received count off the counters.
        std::function<void(Currency money, qint64 received)> subtractFromCounters;
        // The photo file of the current line (absolute path).
        std::function<QString()> photoPath;
        // Deletes the photo whose file photoPath gave.
        std::function<void(const QString& file)> removePhoto;
    };

    RecordLifecycle(OrderTable& table, Dialogs& dialogs, StatusPanels& status, Controls controls, Steps steps,
                    bool& lineHasData, int& nextPhotoNumber);

    void add(); // Button1Click
    // Add, with the new line filled from the current one: what an order of
    // the same article again repeats (article, supplier, label, letters,
    // page/position, sack and code numbers, colour, size, material and the
    // four prices). Counts, money, date, note, photo and batch come as Add
    // gives them, and the fills count as entered data no more than Add's
    // supplier does. Nothing happens without a current line.
    void repeat();
    void apply();  // Button5Click
    void cancel(); // Button7Click
    void remove(); // Button2Click

    bool beforePost();   // ADOTable1BeforePost: false refuses the store
    void afterPost();    // ADOTable1AfterPost
    bool beforeDelete(); // ADOTable1BeforeDelete
    void afterDelete();  // ADOTable1AfterDelete

  private:
    bool refuse(const QString& message, QWidget* focus, bool openList);
    // The batch the chooser shows, when the line's column cannot hold it.
    bool batchTooLong(const QString& batch) const;
    void writeLineCount();
    void fillNewLine(const QString& batch);
    // Whether the line just stored no longer has the supplier the filter is on.
    bool leftSupplierFilter() const;

    OrderTable& m_table;
    Dialogs& m_dialogs;
    StatusPanels& m_status;
    Controls m_controls;
    Steps m_steps;
    bool& m_lineHasData;
    int& m_nextPhotoNumber;
    bool m_inserted = false;
    QString m_editBookmark;
    int m_editRow = 0;
    int m_supplierIndexAtPost = -1;
    QString m_supplierAtPost; // its value, also when not in the list
    Currency m_deletedMoney;
    qint64 m_deletedReceived = 0;
};
