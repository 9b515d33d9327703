#include "lists/gui/BatchChooser.h"

#include "data/OrderTable.h"
#include "ui/ComboLookup.h"
#include "ui/FocusColours.h"

#include <QComboBox>

namespace {

// The line's batch that is not in the list, as the chooser holds it beside
// the marked text it shows.
const char* const UnlistedBatch = "unlistedBatch";

} // namespace

BatchChooser::BatchChooser(OrderTable& table, QComboBox* ComboBox2, bool& lineHasData)
    : m_table(table), m_combo(ComboBox2), m_lookup(new ComboLookup(ComboBox2)), m_lineHasData(lineHasData) {
    // The pick belongs to the pending line: stored or cancelled, it is gone.
    QObject::connect(&m_table, &OrderTable::stateChanged, m_combo, [this](TableState state) {
        if (state != TableState::Edit && state != TableState::Insert)
            m_hasPick = false;
    });
}

bool BatchChooser::pending() const {
    return m_table.state() == TableState::Edit || m_table.state() == TableState::Insert;
}

void BatchChooser::follow() {
    if (m_hasPick && pending()) {
        const int picked = m_combo->findText(m_pick, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (picked >= 0) {
            m_combo->setCurrentIndex(picked);
            return;
        }
    }
    const QString batch = m_table.asString(OrderColumns::Batch);
    const int index = batch.isEmpty() ? -1 : m_lookup->find(batch);
    const bool unlisted = !batch.isEmpty() && index < 0;
    m_combo->setProperty(UnlistedBatch, unlisted ? batch : QString());
    m_combo->setPlaceholderText(unlisted ? ComboLookup::markedNotInList(batch) : QString());
    m_combo->setCurrentIndex(unlisted ? -1 : index >= 0 ? index : m_combo->count() - 1);
}

QString BatchChooser::shownBatch(const QComboBox* chooser) {
    return chooser->currentIndex() < 0 ? chooser->property(UnlistedBatch).toString() : chooser->currentText();
}

void BatchChooser::ComboBox2Change() {
    m_pick = m_combo->currentText();
    m_hasPick = true;
    if (m_table.state() == TableState::Browse && !m_table.edit()) {
        m_hasPick = false;
        return;
    }
    const QString stored = m_table.asString(OrderColumns::Batch);
    // A stored line takes the pick as a change of its own, so that a move
    // stores it as it stores typed changes; a new line gets its batch when
    // it is stored.
    if (m_table.state() == TableState::Edit && m_pick != stored)
        m_table.setValue(OrderColumns::Batch, m_pick);
    // Only a line that already has a batch counts as changed by a pick: a new
    // line with nothing but a batch is still empty.
    if (!stored.isEmpty())
        m_lineHasData = true;
}

void BatchChooser::ComboBox2Enter() {
    FocusColours::paint(m_combo, FocusColours::Green);
}

void BatchChooser::ComboBox2Exit() {
    FocusColours::restore(m_combo);
}
