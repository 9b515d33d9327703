#include "lists/gui/FilterRule.h"

#include "data/OrderTable.h"
#include "lists/gui/SummaryCounters.h"
#include "ui/ComboLookup.h"
#include "ui/FocusColours.h"
#include "ui/StatusPanels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>

FilterRule::FilterRule(OrderTable& table, QComboBox* cbfiltersup, QComboBox* cbbatch, QLabel* lrecalc,
                       StatusPanels& panels, SummaryCounters& counters)
    : m_table(table), m_cbfiltersup(cbfiltersup), m_cbbatch(cbbatch), m_lrecalc(lrecalc), m_panels(panels),
      m_counters(counters) {}

QString FilterRule::quoted(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QLatin1String("''"));
    return u'\'' + doubled + u'\'';
}

FilterRule::Choice FilterRule::choose(int supplierIndex, const QString& supplier, int batchIndex,
                                      const QString& batch, const QString& allText) {
    const bool bySupplier = supplierIndex > 0;
    const bool byBatch = batchIndex > 0;
    Choice choice;
    choice.filtered = bySupplier || byBatch;
    choice.caption = bySupplier ? supplier : allText;
    if (bySupplier && byBatch)
        choice.text =
            QStringLiteral("(dostavcik = %1) AND (batch = %2)").arg(quoted(supplier), quoted(batch));
    else if (bySupplier)
        choice.text = QStringLiteral("dostavcik = ") + quoted(supplier);
    else if (byBatch)
        choice.text = QStringLiteral("batch = ") + quoted(batch);
    return choice;
}

bool FilterRule::apply(const Choice& choice, ViewSums* sums, bool* read) {
    // Off, new text, on is one change of the view: the pending line is settled
    // once (only that can be refused, and then nothing has changed) and the
    // lines are selected once, with their sums. Switching off keeps the old
    // text, as the rule's fourth row does; with the filter already off
    // nothing is settled or read.
    *read = choice.filtered || m_table.isFiltered();
    if (!*read)
        return true;
    return m_table.setFilter(choice.filtered ? choice.text : m_table.filter(), choice.filtered, sums);
}

FilterRule::Choice FilterRule::currentChoice() const {
    // With no supplier entries the box may be empty; "All" is then the text.
    const QString allText = m_cbfiltersup->count() > 0 ? m_cbfiltersup->itemText(0) : QStringLiteral("All");
    // A supplier not in the list is offered marked: the filter is on its value.
    const int supplier = m_cbfiltersup->currentIndex();
    return choose(supplier, ComboLookup::valueAt(m_cbfiltersup, supplier), m_cbbatch->currentIndex(),
                  m_cbbatch->currentText(), allText);
}

void FilterRule::presetBeforeOpen() {
    const Choice choice = currentChoice();
    m_table.setFilter(choice.text, choice.filtered);
}

bool FilterRule::cbfiltersupChange() {
    // A closed register says so before anything of the view changes.
    if (!m_table.checkActive())
        return false;
    // The pending line is stored before the boxes are read: storing it may
    // itself move the supplier box to "All" and run this rule.
    if (!m_table.settle())
        return false;
    const Choice choice = currentChoice();
    ViewSums sums;
    bool read = false;
    if (!apply(choice, &sums, &read))
        return false;
    describe(choice);
    if (read)
        m_counters.show(sums);
    else
        m_counters.walk();
    return true;
}

void FilterRule::showOpenedView(const ViewSums& sums) {
    describe(currentChoice());
    m_counters.show(sums);
}

void FilterRule::describe(const Choice& choice) {
    m_lrecalc->setText(choice.caption);
    m_panels.setText(StatusPanels::Filter, QStringLiteral("Supplier: ") + m_lrecalc->text());
    m_lrecalc->setToolTip(m_lrecalc->text());
}

void FilterRule::cbfiltersupEnter(QComboBox* box) {
    FocusColours::paint(box, FocusColours::Yellow);
    if (m_table.state() == TableState::Edit || m_table.state() == TableState::Insert)
        m_table.post();
}

void FilterRule::cbfiltersupExit(QComboBox* box) {
    FocusColours::restore(box);
}

void FilterRule::cbfiltersupKeyPress(QComboBox* box, int key) {
    if (key == Qt::Key_Space && !box->view()->isVisible())
        box->showPopup();
}
