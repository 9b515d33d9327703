#pragma once
// The main window Form1: the record form of the current order line in the
// upper band, the grid of the view below it, the status bar. Each handler
// keeps the name it has in the window's design and hands the work to the
// subsystem that does it; the window owns the controls and the window-wide
// state (application directory, line-has-data flag, next photo number, sort
// column index).

#include "data/Database.h"
#include "data/OrderTable.h"
#include "ui/StatusPanels.h"

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class DBComboBox;
class DBEdit;
class DBMemo;
class Dialogs;
class OrderGrid;
class CreditLabel;
class PhotoArea;
class TForm2;
class RecordLifecycle;
class CompanyName;
class ListStore;
class PhotoStore;
class SummaryCounters;
class FilterRule;
class BatchChooser;
class PickLists;
class PhotoViewer;
class PriceRules;
class GridSort;
class ExcelExport;
class FormKeys;
class FindBar;
class RegisterBackup;
class ServerWaitIndicator;
class QTimer;
struct RecordFormField;

class TForm1 : public QMainWindow {
    Q_OBJECT
    // Declared first: the dataset and the bound controls use them until they go.
    QString m_appDir;
    Dialogs& m_dialogs;
    std::unique_ptr<ServerWaitIndicator> m_serverWait;
    Database m_nelvo;

  public:
    static constexpr const char* Caption = "Nelvo 1.1";
    static constexpr const char* ApplicationTitle = "Kasbo 1.1";
    // The client area the window is designed for.
    static constexpr QSize DesignedSize{1016, 706};

    // Runs the start-up sequence on the given application directory.
    TForm1(const QString& applicationDirectory, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    QString applicationDirectory() const { return m_appDir; }
    // The status bar's notice that other programs changed the register
    // since this window read its view; empty when there is none.
    QString othersChangedNotice() const;
    // The watch's look for other programs' changes, run every half second.
    void checkOthersChanged();
    // The status bar's note that the register is the server's although the
    // file db1.mdb is there too; empty when there is none.
    QString serverNote() const;
    // The note of a new shop's first start on where to begin, or empty.
    QString firstStepsNote() const;
    OrderTable& table() { return *ADOTable1; }
    Database& database() { return m_nelvo; }
    StatusPanels& statusPanels() { return m_status; }
    FindBar* findBar() const { return m_findBar; }
    bool lineHasData() const { return m_lineHasData; }
    int nextPhotoNumber() const { return m_nextPhotoNumber; }
    int sortColumnIndex() const { return m_sortColumnIndex; }

    // --- record form ---------------------------------------------------
    DBComboBox* DBComboBox1; // article
    DBEdit* DBEdit6;         // size
    DBEdit* DBEdit5;         // material
    DBEdit* DBEdit13;        // colour
    DBEdit* DBEdit15;        // code number
    DBComboBox* DBComboBox2; // supplier
    DBEdit* DBEdit2;         // trademark label
    DBEdit* DBEdit3;         // letters
    QComboBox* ComboBox2;    // batch chooser
    DBEdit* DBEdit14;        // sack number
    DBEdit* DBEdit7;         // purchasing price
    DBEdit* DBEdit8;         // cost price
    DBEdit* DBEdit9;         // trade price
    DBEdit* DBEdit10;        // street price
    DBEdit* DBEdit11;        // received (read-only)
    DBEdit* DBEdit16;        // ordered
    DBEdit* DBEdit17;        // delivered
    DBEdit* DBEdit18;        // defective
    DBEdit* DBEdit12;        // money (read-only)
    DBMemo* DBMemo1;         // notes
    DBEdit* DBEdit4;         // page / position

    // --- buttons -------------------------------------------------------
    QPushButton* Button1; // Add
    QPushButton* Button5; // Apply
    QPushButton* Button7; // Cancel
    QPushButton* Button2; // Delete
    QPushButton* Button4; // Recalculate
    QPushButton* Button3; // Export in Excel
    QPushButton* Button6; // Edit Articles
    QPushButton* Button8; // Edit Suppliers
    QPushButton* Button9; // Edit batches
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    QPushButton* SpeedButton3;
    QPushButton* SpeedButton4;

    // --- view, filter, summary -----------------------------------------
    QComboBox* cbfiltersup;
    QComboBox* cbbatch;
    QLabel* lrecalc;
    QLineEdit* eobstbr;
    QLineEdit* etotal;
    QCheckBox* cberow;
    QCheckBox* cshowpic;
    QLineEdit* ecompany;
    QLabel* Label28; // "Company"
    CreditLabel* Label20;
    PhotoArea* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QLabel* Image4;
    OrderGrid* DBGrid1;
    TForm2* Form2 = nullptr;

    // The dataset and its connection.
    std::unique_ptr<OrderTable> ADOTable1;

  public slots:
    void FormCreate();
    void DataSource1StateChange(TableState state);
    void DataSource1DataChange(int column);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void DBComboBox1Enter(QWidget* sender);
    void DBComboBox1Exit(QWidget* sender);
    void DBEdit6Enter(QWidget* sender);
    void DBEdit6Exit(QWidget* sender);
    void DBMemo1Enter();
    void DBMemo1Exit();
    void eobstbrEnter(QWidget* sender);
    void eobstbrExit(QWidget* sender);
    void cberowClick();
    void Label20Click();
    void Button1Click();
    void RepeatLineClick();
    void ImportLinesClick(); // app/SheetImportAction.cpp
    void Button5Click();
    void Button7Click();
    void Button2Click();
    bool ADOTable1BeforePost();
    void ADOTable1AfterPost();
    void ADOTable1PostError();
    bool ADOTable1BeforeDelete();
    void ADOTable1AfterDelete();
    void cbfiltersupChange();
    void Button4Click();
    void eobstbrChange(QLineEdit* sender);
    void ecompanyExit();
    void ecompanyKeyPress(int key);
    void cbfiltersupEnter(QComboBox* sender);
    void cbfiltersupExit(QComboBox* sender);
    void cbfiltersupKeyPress(QComboBox* sender, int key);
    void ComboBox2Change();
    void ComboBox2Enter();
    void ComboBox2Exit();
    void Button6Click();
    void Button8Click();
    void Button9Click();
    void Image1Click();
    void Image1ContextPopup();
    void cshowpicClick();
    void DBGrid1TitleClick(int logicalColumn);
    void DBEdit7Enter();
    void DBEdit7Exit();
    void DBEdit16Enter(DBEdit* sender);
    void DBEdit16Exit(DBEdit* sender);
    void Button3Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Built in Unit1Controls.cpp: every control with its place, caption and hint.
    void createControls();
    void createSubsystems();
    void createRecordForm(QWidget* band);
    void createField(QWidget* band, const RecordFormField& field);
    void styleRecordForm();
    void connectFocusHook(const RecordFormField& field);
    void createButtons(QWidget* band);
    void createViewControls(QWidget* band);
    void createPhotoAndCompany(QWidget* band);
    void createStatusBar();
    void setTabOrder();
    void connectHandlers();
    void connectRepeat();
    void connectFind();
    void connectSheetImport();
    void watchFocus(QWidget* widget);
    bool handleFocus(QWidget* widget, bool in);
    void resetSort();
    void showPhoto();
    void subtractFromCounters(Currency money, qint64 received);
    QString currentPhotoPath() const;
    void showStandardError(const QString& message);
    // Opening the table and applying the filter each read the view; false
    // when the table stays closed.
    bool openView();
    // The register that could not be opened at start-up, tried again at a
    // later step (a server that was down may be back).
    bool reopenRegister();
    // The wait indicator and the watch for other programs' changes.
    void followServer();
    void showFirstSteps();
    // On a server register: its company name and pick lists, once it is open.
    void readSharedTexts();
    // The designed size where the screen's available area holds it, else
    // that area; the whole frame on the screen.
    void fitToScreen();

    StatusPanels m_status;
    std::unique_ptr<ListStore> m_lists;
    std::unique_ptr<PhotoStore> m_photoStore;
    bool m_sharedTextsRead = false; // company name and lists, read once the server register is open
    std::unique_ptr<RecordLifecycle> m_lifecycle;
    std::unique_ptr<CompanyName> m_company;
    std::unique_ptr<SummaryCounters> m_counters;
    std::unique_ptr<FilterRule> m_filter;
    std::unique_ptr<BatchChooser> m_batchChooser;
    std::unique_ptr<PickLists> m_pickLists;
    PhotoViewer* m_photos = nullptr;
    std::unique_ptr<PriceRules> m_priceRules;
    std::unique_ptr<GridSort> m_gridSort;
    std::unique_ptr<ExcelExport> m_export;
    std::unique_ptr<RegisterBackup> m_backup;
    QLabel* m_othersChanged = nullptr;
    QLabel* m_serverNote = nullptr;
    QLabel* m_firstSteps = nullptr;
    QTimer* m_othersWatch = nullptr;
    FormKeys* m_formKeys = nullptr;
    FindBar* m_findBar = nullptr;
    QPointer<QWidget> m_plainFieldInside; // the watched plain control between its enter and exit
    bool m_fittedOnShow = false;
    QMargins m_fittedFrame; // the frame the window was last fitted with
    bool m_lineHasData = false;
    int m_nextPhotoNumber = 0;
    int m_sortColumnIndex = 0;
};
