#pragma once
// The preview of a spreadsheet import: which sheet, which row is the header,
// which register column each sheet column fills (matched by its header, and
// changeable), the first rows as the register would store them, the rows
// refused with their reasons (to copy or save), the lines whose money
// differs from price x received with the choice of which is kept, and
// whether to import only the rows that passed. Import is offered only when
// every row passed or that choice is made.

#include "import/SheetLines.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

struct SheetImportChoice {
    int sheet = 0;
    SheetLineSettings settings;
    bool keepSheetMoney = false;
    bool onlyPassed = false;
};

class SheetImportDialog : public QDialog {
    Q_OBJECT
  public:
    // Rows of the preview.
    static constexpr int PreviewRows = 20;

    SheetImportDialog(const QString& fileName, const Workbook& book, const SheetImportChoice& start,
                      QWidget* parent = nullptr);
    SheetImportChoice choice() const { return m_choice; }

  private:
    void sheetChanged();
    void headerChanged();
    void mappingChanged();
    void update();
    void fillPreview();
    void saveRefused();

    const Workbook& m_book;
    SheetImportChoice m_choice;
    SheetLines m_lines;
    QComboBox* m_sheet;
    QSpinBox* m_header;
    QTableWidget* m_preview;
    QLabel* m_ignored;
    QLabel* m_summary;
    QPlainTextEdit* m_refused;
    QPushButton* m_saveRefused;
    QCheckBox* m_onlyPassed;
    QLabel* m_moneyNote;
    QRadioButton* m_keepSheet;
    QRadioButton* m_keepDerived;
    QPushButton* m_import;
    bool m_filling = false;
};
