#include "app/Unit1.h"

#include "app/CreditLabel.h"
#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/DBMemo.h"
#include "app/Dialogs.h"
#include "app/FocusColours.h"
#include "app/FocusExit.h"
#include "app/OrderGrid.h"
#include "data/OrderGridModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

const QColor EditModeGrid{0xFD, 0xB5, 0xB6};
const QColor InsertModeGrid{0x9F, 0xDF, 0x94};

void setBold(QWidget* widget, bool bold)
{
    QFont f = widget->font();
    if (f.bold() == bold)
        return;
    f.setBold(bold);
    widget->setFont(f);
}

} // namespace

TForm1::TForm1(const QString& applicationDirectory, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_appDir(QDir(applicationDirectory).absolutePath() + QLatin1Char('/')),
      m_dialogs(dialogs), ADOTable1(std::make_unique<OrderTable>(m_nelvo))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QLatin1String(Caption));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    ADOTable1->setObjectName(QStringLiteral("ADOTable1"));
    ADOTable1->setErrorSink([this](const QString& message) { showStandardError(message); });

    createControls();
    setTabOrder();
    connectHandlers();

    resize(1016, 706);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

TForm1::~TForm1()
{
    // Controls bound to the table unregister from it while it still exists.
    delete centralWidget();
}

void TForm1::showStandardError(const QString& message)
{
    m_dialogs.standardError(message);
}

// ---------------------------------------------------------------------------
// Start-up and close

void TForm1::FormCreate()
{
    QApplication::setApplicationDisplayName(QLatin1String(ApplicationTitle));
    QDir::setCurrent(m_appDir);
    ADOTable1->setSort(QStringLiteral("key"));
    if (!m_nelvo.open(m_appDir)) {
        showStandardError(m_nelvo.errorString());
        return;
    }
    if (!ADOTable1->open())
        return;
    DBGrid1->orderModel()->setSortTitleColumn(0);
    m_sortColumnIndex = 0;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The field being left runs its exit step first.
    Button5->setFocus(Qt::OtherFocusReason);
    const TableState state = ADOTable1->state();
    if ((state == TableState::Edit || state == TableState::Insert) && !ADOTable1->post()) {
        event->ignore();
        return;
    }
    event->accept();
}

// ---------------------------------------------------------------------------
// Data mode and data change

void TForm1::DataSource1StateChange(TableState state)
{
    QColor background;
    switch (state) {
    case TableState::Browse:
        m_status.setText(StatusPanels::DataMode, QStringLiteral("View Data Mode"));
        background = QApplication::palette(DBGrid1).color(QPalette::Base);
        break;
    case TableState::Edit:
        m_status.setText(StatusPanels::DataMode, QStringLiteral("Edit Data Mode"));
        background = EditModeGrid;
        break;
    case TableState::Insert:
        m_status.setText(StatusPanels::DataMode, QStringLiteral("Add New Data Mode"));
        background = InsertModeGrid;
        break;
    case TableState::Inactive:
        return;
    }
    QPalette p = DBGrid1->palette();
    p.setColor(QPalette::Base, background);
    DBGrid1->setPalette(p);
}

void TForm1::DataSource1DataChange(int)
{
    m_lineHasData = true;
    // The count the received rule takes is shown bold.
    const bool delivered = ADOTable1->asInteger(QStringLiteral("dostavbr")) != 0;
    setBold(DBEdit17, delivered);
    setBold(DBEdit16, !delivered);
}

// ---------------------------------------------------------------------------
// Navigation: the article list takes the focus first, so the field being left
// runs its exit step before the table moves.

void TForm1::SpeedButton1Click()
{
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->first();
}

void TForm1::SpeedButton2Click()
{
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->prior();
}

void TForm1::SpeedButton3Click()
{
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->next();
}

void TForm1::SpeedButton4Click()
{
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->last();
}

// ---------------------------------------------------------------------------
// Focus colours

void TForm1::DBComboBox1Enter(QWidget* sender)
{
    FocusColours::paint(sender, FocusColours::Green);
}

void TForm1::DBComboBox1Exit(QWidget* sender)
{
    FocusColours::restore(sender);
}

void TForm1::DBEdit6Enter(QWidget* sender)
{
    const auto* edit = qobject_cast<QLineEdit*>(sender);
    FocusColours::paint(sender, edit && edit->isReadOnly() ? FocusColours::Red : FocusColours::Green);
}

void TForm1::DBEdit6Exit(QWidget* sender)
{
    FocusColours::restore(sender);
}

void TForm1::DBMemo1Enter()
{
    FocusColours::paint(DBMemo1, FocusColours::Green);
}

void TForm1::DBMemo1Exit()
{
    FocusColours::restore(DBMemo1);
}

void TForm1::eobstbrEnter(QWidget* sender)
{
    DBEdit6Enter(sender);
}

void TForm1::eobstbrExit(QWidget* sender)
{
    FocusColours::restore(sender);
}

// ---------------------------------------------------------------------------
// Row select and credit line

void TForm1::cberowClick()
{
    DBGrid1->setRowSelect(cberow->isChecked());
}

void TForm1::Label20Click()
{
    m_dialogs.openWithDesktop(QLatin1String(CreditLabel::PageAddress));
}

// ---------------------------------------------------------------------------
// Wiring

void TForm1::connectHandlers()
{
    connect(ADOTable1.get(), &OrderTable::stateChanged, this, &TForm1::DataSource1StateChange);
    connect(ADOTable1.get(), &OrderTable::dataChanged, this, &TForm1::DataSource1DataChange);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(cberow, &QCheckBox::clicked, this, &TForm1::cberowClick);
    connect(Label20, &CreditLabel::clicked, this, &TForm1::Label20Click);

    for (DBComboBox* box : {DBComboBox1, DBComboBox2}) {
        connect(box, &DBComboBox::entered, this, [this, box] { DBComboBox1Enter(box); });
        connect(box, &DBComboBox::exited, this, [this, box] { DBComboBox1Exit(box); });
    }
    for (DBEdit* edit : {DBEdit6, DBEdit5, DBEdit13, DBEdit15, DBEdit2, DBEdit3, DBEdit14, DBEdit8, DBEdit9,
                         DBEdit10, DBEdit11, DBEdit12, DBEdit4}) {
        connect(edit, &DBEdit::entered, this, [this, edit] { DBEdit6Enter(edit); });
        connect(edit, &DBEdit::exited, this, [this, edit] { DBEdit6Exit(edit); });
    }
    connect(DBMemo1, &DBMemo::entered, this, &TForm1::DBMemo1Enter);
    connect(DBMemo1, &DBMemo::exited, this, &TForm1::DBMemo1Exit);
    for (QWidget* w : {static_cast<QWidget*>(eobstbr), static_cast<QWidget*>(etotal),
                       static_cast<QWidget*>(ecompany)})
        watchFocus(w);
}

void TForm1::watchFocus(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (!isFieldExit(static_cast<QFocusEvent*>(event)))
        return false;
    const bool in = event->type() == QEvent::FocusIn;
    if (widget == eobstbr || widget == etotal || widget == ecompany) {
        if (in)
            eobstbrEnter(widget);
        else
            eobstbrExit(widget);
    }
    return false;
}
