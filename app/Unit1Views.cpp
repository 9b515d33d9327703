// The window's handlers for the side files and the view: company name, pick
// lists, filter, summary, batch chooser and photo. Each hands the work to the
// subsystem that does it.
#include "app/Unit1.h"

#include "app/DBComboBox.h"
#include "app/OrderGrid.h"
#include "data/OrderGridModel.h"
#include "lists/ListStore.h"
#include "lists/gui/BatchChooser.h"
#include "lists/gui/CompanyName.h"
#include "lists/gui/FilterRule.h"
#include "lists/gui/GridSort.h"
#include "lists/gui/PickLists.h"
#include "lists/gui/SummaryCounters.h"
#include "photos/gui/PhotoArea.h"
#include "photos/gui/PhotoViewer.h"
#include "ui/FocusColours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void TForm1::cbfiltersupChange() {
    m_filter->cbfiltersupChange();
}

void TForm1::Button4Click() {
    // Another clerk may have renamed the company: the name shown, and the
    // one an export writes, is read again with the lines (not while the
    // clerk is typing one, nor when the lines could not be read, which has
    // said why already).
    if (!m_counters->walk())
        return;
    m_pickLists->offerStoredSuppliers(); // suppliers other clerks' lines hold now
    if (m_lists->onServer() && m_sharedTextsRead && !ecompany->hasFocus())
        m_company->load(Label28->text());
}

void TForm1::eobstbrChange(QLineEdit* sender) {
    m_counters->eobstbrChange(sender);
}

void TForm1::ecompanyExit() {
    eobstbrExit(ecompany);
    m_company->save(Label28->text());
}

void TForm1::ecompanyKeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        m_company->save(Label28->text());
}

void TForm1::cbfiltersupEnter(QComboBox* sender) {
    m_filter->cbfiltersupEnter(sender);
}

void TForm1::cbfiltersupExit(QComboBox* sender) {
    m_filter->cbfiltersupExit(sender);
}

void TForm1::cbfiltersupKeyPress(QComboBox* sender, int key) {
    m_filter->cbfiltersupKeyPress(sender, key);
}

void TForm1::ComboBox2Change() {
    m_batchChooser->ComboBox2Change();
}

void TForm1::ComboBox2Enter() {
    m_batchChooser->ComboBox2Enter();
}

void TForm1::ComboBox2Exit() {
    m_batchChooser->ComboBox2Exit();
}

void TForm1::Button6Click() {
    m_pickLists->editPickListOf(Button6->objectName());
}

void TForm1::Button8Click() {
    m_pickLists->editPickListOf(Button8->objectName());
}

void TForm1::Button9Click() {
    m_pickLists->editPickListOf(Button9->objectName());
}

void TForm1::Image1Click() {
    m_photos->enlarge();
}

void TForm1::Image1ContextPopup() {
    m_photos->attach(cshowpic->isChecked());
}

void TForm1::cshowpicClick() {
    showPhoto();
}

void TForm1::resetSort() {
    m_gridSort->reset();
}

void TForm1::DBGrid1TitleClick(int logicalColumn) {
    m_gridSort->DBGrid1TitleClick(logicalColumn);
}

void TForm1::showPhoto() {
    m_photos->showPhoto(cshowpic->isChecked());
}

void TForm1::subtractFromCounters(Currency money, qint64 received) {
    m_counters->subtractLine(money, received);
}

QString TForm1::currentPhotoPath() const {
    return m_photos->photoFileToDelete();
}

bool TForm1::handleFocus(QWidget* widget, bool in) {
    if (widget == eobstbr || widget == etotal) {
        in ? eobstbrEnter(widget) : eobstbrExit(widget);
    } else if (widget == ecompany) {
        in ? eobstbrEnter(widget) : ecompanyExit();
    } else if (widget == cbfiltersup || widget == cbbatch) {
        auto* box = static_cast<QComboBox*>(widget);
        in ? cbfiltersupEnter(box) : cbfiltersupExit(box);
    } else if (widget == ComboBox2) {
        in ? ComboBox2Enter() : ComboBox2Exit();
    } else {
        return false;
    }
    return true;
}
