#include "app/SheetImportDialog.h"

#include "data/FieldCodec.h"
#include "data/OrderColumns.h"
#include "import/ColumnMatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Register columns a sheet column can fill: not the key and photo, which
// the register gives.
bool fillable(int column) {
    return column != OrderColumns::Key && column != OrderColumns::Photo;
}

} // namespace

SheetImportDialog::SheetImportDialog(const QString& fileName, const Workbook& book,
                                     const SheetImportChoice& start, QWidget* parent)
    : QDialog(parent), m_book(book), m_choice(start) {
    setObjectName(QStringLiteral("SheetImportDialog"));
    setWindowTitle(QStringLiteral("Import lines from %1").arg(fileName));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_sheet = new QComboBox;
    for (const Sheet& sheet : book.sheets)
        m_sheet->addItem(sheet.name);
    m_sheet->setCurrentIndex(start.sheet);
    m_header = new QSpinBox;
    m_header->setRange(1, 50);
    m_header->setValue(start.settings.headerRow + 1);
    form->addRow(QStringLiteral("&Sheet:"), m_sheet);
    form->addRow(QStringLiteral("&Header row:"), m_header);
    layout->addLayout(form);

    m_preview = new QTableWidget;
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 8);
    layout->addWidget(m_preview, 3);
    m_ignored = new QLabel;
    m_ignored->setWordWrap(true);
    layout->addWidget(m_ignored);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("ImportSummary"));
    layout->addWidget(m_summary);

    m_refused = new QPlainTextEdit;
    m_refused->setObjectName(QStringLiteral("RefusedRows"));
    m_refused->setReadOnly(true);
    m_refused->setMaximumHeight(110);
    layout->addWidget(m_refused, 1);
    auto* refusedRow = new QHBoxLayout;
    m_onlyPassed = new QCheckBox(QStringLiteral("Import only the rows that passed"));
    m_onlyPassed->setObjectName(QStringLiteral("OnlyPassed"));
    m_saveRefused = new QPushButton(QStringLiteral("Save list..."));
    refusedRow->addWidget(m_onlyPassed);
    refusedRow->addStretch();
    refusedRow->addWidget(m_saveRefused);
    layout->addLayout(refusedRow);

    m_moneyNote = new QLabel;
    m_moneyNote->setWordWrap(true);
    layout->addWidget(m_moneyNote);
    auto* moneyRow = new QHBoxLayout;
    m_keepDerived = new QRadioButton(QStringLiteral("Keep price x received"));
    m_keepSheet = new QRadioButton(QStringLiteral("Keep the sheet's money"));
    m_keepDerived->setChecked(!start.keepSheetMoney);
    m_keepSheet->setChecked(start.keepSheetMoney);
    moneyRow->addWidget(m_keepDerived);
    moneyRow->addWidget(m_keepSheet);
    moneyRow->addStretch();
    layout->addLayout(moneyRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    m_import = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_sheet, &QComboBox::currentIndexChanged, this, &SheetImportDialog::sheetChanged);
    connect(m_header, &QSpinBox::valueChanged, this, &SheetImportDialog::headerChanged);
    connect(m_onlyPassed, &QCheckBox::toggled, this, &SheetImportDialog::update);
    connect(m_keepSheet, &QRadioButton::toggled, this, &SheetImportDialog::update);
    connect(m_saveRefused, &QPushButton::clicked, this, &SheetImportDialog::saveRefused);
    resize(900, 600);
    fillPreview();
}

void SheetImportDialog::sheetChanged() {
    m_choice.sheet = m_sheet->currentIndex();
    const int header = ColumnMatch::findHeaderRow(m_book.sheets.value(m_choice.sheet));
    m_filling = true;
    m_header->setValue(std::max(header, 0) + 1);
    m_filling = false;
    headerChanged();
}

void SheetImportDialog::headerChanged() {
    if (m_filling)
        return;
    m_choice.settings.headerRow = m_header->value() - 1;
    m_choice.settings.columnOf =
        ColumnMatch::mapHeader(m_book.sheets.value(m_choice.sheet).rows.value(m_choice.settings.headerRow));
    fillPreview();
}

void SheetImportDialog::mappingChanged() {
    if (m_filling)
        return;
    QVector<int>& columnOf = m_choice.settings.columnOf;
    for (int c = 0; c < m_preview->columnCount(); ++c) {
        auto* box = qobject_cast<QComboBox*>(m_preview->cellWidget(0, c));
        if (box) {
            if (columnOf.size() <= c)
                columnOf.resize(c + 1, -1);
            columnOf[c] = box->currentData().toInt();
        }
    }
    fillPreview();
}

void SheetImportDialog::fillPreview() {
    m_filling = true;
    const Sheet& sheet = m_book.sheets.value(m_choice.sheet);
    const SheetRow header = sheet.rows.value(m_choice.settings.headerRow);
    int columns = int(header.size());
    for (const SheetRow& row : sheet.rows)
        columns = std::max(columns, int(row.size()));
    columns = std::min(columns, 200); // a preview, not the sheet
    QVector<int>& columnOf = m_choice.settings.columnOf;
    columnOf.resize(columns, -1);
    m_lines = SheetLines::read(sheet, m_choice.settings);

    m_preview->clear();
    m_preview->setColumnCount(columns);
    m_preview->setRowCount(1 + int(std::min<qsizetype>(m_lines.lines.size(), PreviewRows)));
    QStringList titles;
    QStringList ignored;
    for (int c = 0; c < columns; ++c) {
        const QString title = header.value(c).shown();
        titles << (title.isEmpty() ? QStringLiteral("(%1)").arg(c + 1) : title);
        auto* box = new QComboBox;
        box->addItem(QStringLiteral("(ignored)"), -1);
        for (int column = 0; column < OrderColumns::Count; ++column)
            if (fillable(column))
                box->addItem(QString::fromUtf8(OrderColumns::at(column).title), column);
        box->setCurrentIndex(std::max(0, box->findData(columnOf[c])));
        box->setToolTip(columnOf[c] >= 0 ? ColumnMatch::namesOf(columnOf[c]) : QString());
        connect(box, &QComboBox::currentIndexChanged, this, &SheetImportDialog::mappingChanged);
        m_preview->setCellWidget(0, c, box);
        if (columnOf[c] < 0 && !title.isEmpty())
            ignored << title;
        for (int r = 0; r + 1 < m_preview->rowCount(); ++r) {
            const SheetLine& line = m_lines.lines[r];
            const QString shown = columnOf[c] >= 0 ? FieldCodec::text(line.values[columnOf[c]]) : QString();
            m_preview->setItem(r + 1, c, new QTableWidgetItem(shown));
        }
    }
    m_preview->setHorizontalHeaderLabels(titles);
    QStringList rowTitles{QStringLiteral("column")};
    for (int r = 0; r + 1 < m_preview->rowCount(); ++r)
        rowTitles << QString::number(m_lines.lines[r].sheetRow);
    m_preview->setVerticalHeaderLabels(rowTitles);
    m_ignored->setText(ignored.isEmpty()
                           ? QStringLiteral("Every named column is used.")
                           : QStringLiteral("Ignored columns: %1").arg(ignored.join(QStringLiteral(", "))));
    m_filling = false;
    update();
}

void SheetImportDialog::update() {
    m_choice.onlyPassed = m_onlyPassed->isChecked();
    m_choice.keepSheetMoney = m_keepSheet->isChecked();
    const bool refused = !m_lines.refused.isEmpty();
    m_refused->setPlainText(refused ? m_lines.refusedText() : QStringLiteral("Every row passed."));
    m_saveRefused->setEnabled(refused);
    m_onlyPassed->setEnabled(refused);
    const bool differs = !m_lines.moneyDiffers.isEmpty();
    m_moneyNote->setText(differs ? QStringLiteral("Lines whose money differs from price x received (%1):\n%2")
                                       .arg(m_lines.moneyDiffers.size())
                                       .arg(m_lines.differingText())
                                 : QString());
    m_moneyNote->setVisible(differs);
    m_keepSheet->setVisible(differs);
    m_keepDerived->setVisible(differs);
    SheetLines kept = m_lines;
    kept.keepSheetMoney(m_choice.keepSheetMoney);
    const LineSums sums = kept.sums();
    m_summary->setText(QStringLiteral("%1 lines, %2 pieces, money %3 to import; %4 rows refused")
                           .arg(sums.lines)
                           .arg(sums.pieces)
                           .arg(sums.money.toString())
                           .arg(m_lines.refused.size()));
    m_import->setEnabled(sums.lines > 0 && (!refused || m_choice.onlyPassed));
}

void SheetImportDialog::saveRefused() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the refused rows"),
                                                      QString(), QStringLiteral("Text files (*.txt)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_lines.refusedText().toUtf8()) < 0 || !file.commit())
        m_refused->appendPlainText(
            QStringLiteral("\n%1 cannot be written: %2").arg(path, file.errorString()));
}
