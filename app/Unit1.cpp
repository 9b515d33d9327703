#include "app/Unit1.h"

#include "app/AccessImport.h"
#include "app/CreditLabel.h"
#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/DBMemo.h"
#include "app/DailyServerBackup.h"
#include "app/FieldBinding.h"
#include "app/FindBar.h"
#include "app/FocusExit.h"
#include "app/FormKeys.h"
#include "app/HistoryMenu.h"
#include "app/OrderGrid.h"
#include "app/PhotoReportAction.h"
#include "app/RecordFormFields.h"
#include "app/ServerWaitIndicator.h"
#include "data/Engine.h"
#include "data/OrderGridModel.h"
#include "data/PostgresEngine.h"
#include "data/RegisterBackup.h"
#include "editing/PriceRules.h"
#include "editing/RecordLifecycle.h"
#include "export/gui/ExcelExport.h"
#include "export/gui/PhotoReport.h"
#include "lists/ListStore.h"
#include "lists/gui/BatchChooser.h"
#include "lists/gui/CompanyName.h"
#include "lists/gui/FilterRule.h"
#include "lists/gui/GridSort.h"
#include "lists/gui/PickLists.h"
#include "lists/gui/SummaryCounters.h"
#include "lists/gui/Unit2.h"
#include "photos/PhotoStore.h"
#include "photos/gui/PhotoArea.h"
#include "photos/gui/PhotoViewer.h"
#include "ui/Dialogs.h"
#include "ui/FocusColours.h"
#include "ui/ScreenFit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

namespace {

const QColor EditModeGrid{0xFD, 0xB5, 0xB6};
const QColor InsertModeGrid{0x9F, 0xDF, 0x94};

void setBold(QWidget* widget, bool bold) {
    QFont f = widget->font();
    if (f.bold() == bold)
        return;
    f.setBold(bold);
    widget->setFont(f);
}

} // namespace

TForm1::TForm1(const QString& applicationDirectory, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_appDir(QDir(applicationDirectory).absolutePath() + QLatin1Char('/')),
      m_dialogs(dialogs), m_serverWait(std::make_unique<ServerWaitIndicator>(dialogs)),
      ADOTable1(std::make_unique<OrderTable>(m_nelvo)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QLatin1String(Caption));
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    // Latin and Cyrillic need no shaping: without it a field shows a new
    // value in about half the time and the grid paints in two thirds of it
    // (scripts that need shaping still get it).
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);
    ADOTable1->setObjectName(QStringLiteral("ADOTable1"));
    ADOTable1->setErrorSink([this](const QString& message) { showStandardError(message); });

    createControls();
    createSubsystems();
    setTabOrder();
    connectHandlers();

    fitToScreen();
    FormCreate();
}

TForm1::~TForm1() {
    // Focus leaves each field as it is destroyed; by then a combo box is no
    // longer one, so the fields' exit steps must not run. Closing the window
    // has already run them (closeEvent).
    for (QWidget* child : findChildren<QWidget*>())
        child->removeEventFilter(this);
    // Controls bound to the table unregister from it while it still exists.
    delete centralWidget();
}

namespace {

QMargins frameMargins(const QWidget& window) {
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

} // namespace

void TForm1::fitToScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    // The window's frame is known only once the window manager has framed
    // the shown window, some time after the first show; before that it
    // counts as none, and the window is fitted again when it arrives
    // (moveEvent).
    m_fittedFrame = frameMargins(*this);
    const ScreenFit::Placement placement =
        ScreenFit::place(DesignedSize, m_fittedFrame, screen->availableGeometry());
    // A shown window that already fits stays where it is.
    if (placement.clientSize != size())
        resize(placement.clientSize);
    if (placement.frameTopLeft != frameGeometry().topLeft())
        move(placement.frameTopLeft);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_fittedOnShow) {
        m_fittedOnShow = true;
        QTimer::singleShot(0, this, &TForm1::fitToScreen);
    }
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The window manager's frame (a title bar) arrived or changed: the
    // client area that fitted without it now pushes the frame off the screen.
    if (m_fittedOnShow && frameMargins(*this) != m_fittedFrame)
        QTimer::singleShot(0, this, &TForm1::fitToScreen);
}

void TForm1::showStandardError(const QString& message) {
    m_dialogs.standardError(message);
}

// ---------------------------------------------------------------------------
// Start-up and close

void TForm1::FormCreate() {
    // The company name and the lists of a server register are the register's
    // own: they are read once it is open (readSharedTexts).
    // The application title captions the standard error boxes, the first
    // (an unreadable Company.txt) included. It is kept as the application's
    // name, not its display name, which Qt would append to every window's
    // caption.
    QApplication::setApplicationName(QLatin1String(ApplicationTitle));
    const bool sharedOnServer = m_lists->onServer();
    if (!sharedOnServer)
        m_company->load(Label28->text());
    ecompany->setCursorPosition(0); // a long name shows its beginning
    QDir::setCurrent(m_appDir);
    m_pickLists->loadAtStartup(!sharedOnServer);
    ADOTable1->setSort(OrderColumns::name(OrderColumns::Key));
    // The Windows register's Access file is offered for conversion, or to be
    // set aside for an empty register; refused or failed, it stays db1.mdb
    // and the table stays closed.
    const AccessFormat format =
        AccessFile::detect(QDir(m_appDir).filePath(QLatin1String(Database::FileName)));
    if (format != AccessFormat::None && !AccessImport(m_dialogs).run(m_appDir, format))
        return;
    if (sharedOnServer) {
        // The window comes first: a server slow to answer the connection
        // shows the waiting box over it, with Give up.
        m_nelvo.setServerWait(m_serverWait.get());
        show();
    }
    if (!m_nelvo.open(m_appDir)) {
        // Where a register that can no longer be opened can be had again.
        const QString advice = RegisterBackup::startAdvice(m_appDir);
        showStandardError(advice.isEmpty()
                              ? m_nelvo.errorString()
                              : standardErrorText(m_nelvo.errorString()) + QStringLiteral("\r\n") + advice);
        // A server that is down now may be back by the next step.
        if (m_nelvo.serverUnreachable())
            ADOTable1->setReopen([this] { return reopenRegister(); });
        if (sharedOnServer)
            m_company->keepUnread();
        return;
    }
    readSharedTexts();
    // The day's first start copies the register file off the user-interface
    // thread, once the window has been up a moment; only a failure is
    // reported (a copy that fails the check: db1.mdb itself is damaged, and
    // which copy to restore). A server register is copied likewise by the
    // day's first program on any computer.
    if (!m_nelvo.isServer()) {
        m_backup = std::make_unique<RegisterBackup>();
        connect(m_backup.get(), &RegisterBackup::finished, this, [this](bool ok, const QString& message) {
            if (!ok)
                showStandardError(message);
        });
        m_backup->startIfDue(m_appDir, QDate::currentDate(), 2000);
    } else {
        DailyServerBackup::start(this, m_appDir);
    }
    followServer();
    if (openView())
        showFirstSteps();
}

void TForm1::showFirstSteps() {
    // With every pick list empty the filters stand on all lines, so an empty
    // view is an empty register.
    m_firstSteps->setVisible(m_pickLists->allEmpty() && DBGrid1->model()->rowCount() == 0);
}

bool TForm1::openView() {
    // The window follows the line the table ends on once, so a photo is
    // decoded once and, when it cannot be shown, reported once. The table
    // opens on the view the filter boxes stand on, read once with its
    // counters.
    ADOTable1->disableControls();
    m_filter->presetBeforeOpen();
    ViewSums sums;
    const bool opened = ADOTable1->open(&sums);
    if (opened) {
        m_filter->showOpenedView(sums);
        m_pickLists->offerStoredSuppliers();
    }
    ADOTable1->enableControls();
    if (opened)
        resetSort();
    return opened;
}

bool TForm1::reopenRegister() {
    if (!m_nelvo.open(m_appDir)) {
        showStandardError(m_nelvo.serverUnreachable()
                              ? PostgresEngine::unreachableMessage(m_nelvo.errorString()) +
                                    QStringLiteral(" Press F5 when the server is back.")
                              : m_nelvo.errorString());
        return false;
    }
    readSharedTexts();
    followServer();
    return openView();
}

void TForm1::readSharedTexts() {
    if (!m_lists->onServer() || m_sharedTextsRead)
        return;
    m_sharedTextsRead = true;
    m_company->load(Label28->text());
    ecompany->setCursorPosition(0);
    m_pickLists->loadAtStartup(); // the view opened next stands on the boxes as now filled
}

void TForm1::followServer() {
    if (!m_nelvo.isServer())
        return;
    m_serverNote->setVisible(QFileInfo::exists(QDir(m_appDir).filePath(QLatin1String(Database::FileName))));
    Engine* engine = m_nelvo.engine();
    engine->setWait(m_serverWait.get());
    engine->changedByOthers(); // starts watching
    if (!m_othersWatch) {
        m_othersWatch = new QTimer(this);
        connect(m_othersWatch, &QTimer::timeout, this, &TForm1::checkOthersChanged);
        m_othersWatch->start(500);
    }
}

void TForm1::checkOthersChanged() {
    // Only a notice: the view is not read again behind the clerk's back,
    // and the line being edited stays as typed.
    if (m_nelvo.isOpen() && m_nelvo.engine()->changedByOthers()) {
        m_othersChanged->setText(QStringLiteral("Lines were changed by another user: press F5"));
        m_othersChanged->show();
    }
}

QString TForm1::othersChangedNotice() const {
    return m_othersChanged->isHidden() ? QString() : m_othersChanged->text();
}

QString TForm1::serverNote() const {
    return m_serverNote->isHidden() ? QString() : m_serverNote->text();
}

QString TForm1::firstStepsNote() const {
    return m_firstSteps->isHidden() ? QString() : m_firstSteps->text();
}

void TForm1::closeEvent(QCloseEvent* event) {
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

void TForm1::DataSource1StateChange(TableState state) {
    QColor background;
    switch (state) {
    case TableState::Browse:
        m_status.setText(StatusPanels::DataMode, QStringLiteral("View Data Mode"));
        background = QApplication::palette(DBGrid1->viewport()).color(QPalette::Base);
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
    // The rows are painted on the grid's viewport: only it takes the colour
    // (the grid would hand a new palette on to every part of it, twice per
    // stored line).
    QWidget* rows = DBGrid1->viewport();
    QPalette p = rows->palette();
    p.setColor(QPalette::Base, background);
    rows->setPalette(p);
}

void TForm1::DataSource1DataChange(int column) {
    m_lineHasData = true;
    // Each view follows only the columns it shows: a typed price must not
    // look the batch up in its list again, nor the photo on the disk.
    const auto touches = [column](OrderColumns::Index shown) { return column < 0 || column == shown; };
    if (touches(OrderColumns::Batch))
        m_batchChooser->follow();
    if (ADOTable1->state() == TableState::Browse &&
        (touches(OrderColumns::Batch) || touches(OrderColumns::Photo)))
        showPhoto();
    if (touches(OrderColumns::Dostavbr)) {
        // The count the received rule takes is shown bold.
        const bool delivered = ADOTable1->asInteger(OrderColumns::Dostavbr) != 0;
        setBold(DBEdit17, delivered);
        setBold(DBEdit16, !delivered);
    }
}

// ---------------------------------------------------------------------------
// Navigation: the article list takes the focus first, so the field being left
// runs its exit step before the table moves.

void TForm1::SpeedButton1Click() {
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->first();
}

void TForm1::SpeedButton2Click() {
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->prior();
}

void TForm1::SpeedButton3Click() {
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->next();
}

void TForm1::SpeedButton4Click() {
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    ADOTable1->last();
}

// ---------------------------------------------------------------------------
// Focus colours

void TForm1::DBComboBox1Enter(QWidget* sender) {
    FocusColours::paint(sender, FocusColours::Green);
}

void TForm1::DBComboBox1Exit(QWidget* sender) {
    FocusColours::restore(sender);
}

void TForm1::DBEdit6Enter(QWidget* sender) {
    const auto* edit = qobject_cast<QLineEdit*>(sender);
    FocusColours::paint(sender, edit && edit->isReadOnly() ? FocusColours::Red : FocusColours::Green);
}

void TForm1::DBEdit6Exit(QWidget* sender) {
    FocusColours::restore(sender);
}

void TForm1::DBMemo1Enter() {
    FocusColours::paint(DBMemo1, FocusColours::Green);
}

void TForm1::DBMemo1Exit() {
    FocusColours::restore(DBMemo1);
}

void TForm1::eobstbrEnter(QWidget* sender) {
    DBEdit6Enter(sender);
}

void TForm1::eobstbrExit(QWidget* sender) {
    FocusColours::restore(sender);
}

// ---------------------------------------------------------------------------
// Row select and credit line

void TForm1::cberowClick() {
    DBGrid1->setRowSelect(cberow->isChecked());
}

void TForm1::Label20Click() {
    // The page the build places beside the program, as a file address so
    // that the desktop hands it to the browser.
    const QString page = m_appDir + QLatin1String(CreditLabel::PageFile);
    m_dialogs.openWithDesktop(QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded));
}

// ---------------------------------------------------------------------------
// Record lifecycle

void TForm1::Button1Click() {
    m_lifecycle->add();
}

void TForm1::RepeatLineClick() {
    // As a button's click: the field or grid being left runs its exit step
    // before the new line starts, and a new line started in the grid is not
    // dropped as the grid is left.
    DBComboBox1->setFocus(Qt::OtherFocusReason);
    m_lifecycle->repeat();
}

void TForm1::Button5Click() {
    m_lifecycle->apply();
}

void TForm1::Button7Click() {
    m_lifecycle->cancel();
}

void TForm1::Button2Click() {
    m_lifecycle->remove();
}

bool TForm1::ADOTable1BeforePost() {
    return m_lifecycle->beforePost();
}

void TForm1::ADOTable1AfterPost() {
    m_lifecycle->afterPost();
}

void TForm1::ADOTable1PostError() {
    // Nothing is abandoned: the line stays pending with every entry, so the
    // user can correct it and store again, or cancel. The counters take back
    // its adjustments themselves.
}

bool TForm1::ADOTable1BeforeDelete() {
    return m_lifecycle->beforeDelete();
}

void TForm1::ADOTable1AfterDelete() {
    m_lifecycle->afterDelete();
}

// ---------------------------------------------------------------------------
// Price and quantity rules

void TForm1::DBEdit7Enter() {
    m_priceRules->priceEntered(DBEdit7);
}

void TForm1::DBEdit7Exit() {
    m_priceRules->priceExited(DBEdit7);
}

void TForm1::DBEdit16Enter(DBEdit* sender) {
    m_priceRules->countEntered(sender, sender->binding().columnIndex());
}

void TForm1::DBEdit16Exit(DBEdit* sender) {
    m_priceRules->countExited(sender, sender->binding().columnIndex());
}

void TForm1::Button3Click() {
    m_export->Button3Click();
}

// ---------------------------------------------------------------------------
// Wiring

void TForm1::createSubsystems() {
    m_lists = std::make_unique<ListStore>(m_appDir, m_nelvo);
    m_photoStore = std::make_unique<PhotoStore>(m_appDir, m_nelvo);
    Form2 = new TForm2(*m_lists, m_dialogs, this);
    Form2->setObjectName(QStringLiteral("Form2"));
    m_company = std::make_unique<CompanyName>(ecompany, *m_lists, m_dialogs);
    m_counters = std::make_unique<SummaryCounters>(*ADOTable1, eobstbr, etotal, m_status);
    m_filter = std::make_unique<FilterRule>(*ADOTable1, cbfiltersup, cbbatch, lrecalc, m_status, *m_counters);
    m_batchChooser = std::make_unique<BatchChooser>(*ADOTable1, ComboBox2, m_lineHasData);
    m_pickLists = std::make_unique<PickLists>(
        PickLists::Boxes{DBComboBox1, DBComboBox2, cbfiltersup, cbbatch, ComboBox2}, *m_lists, *ADOTable1,
        *Form2, *m_filter, m_dialogs);
    m_priceRules = std::make_unique<PriceRules>(*ADOTable1, *m_counters);
    m_gridSort = std::make_unique<GridSort>(*ADOTable1, *DBGrid1->orderModel(), DBGrid1->horizontalHeader(),
                                            m_sortColumnIndex);
    m_export = std::make_unique<ExcelExport>(*ADOTable1, m_dialogs, m_status, *m_counters, ecompany,
                                             Label20->text(), m_appDir);
    PhotoReportAction::install(Button3, this,
                               std::make_shared<PhotoReport>(*ADOTable1, m_dialogs, m_status, *m_counters,
                                                             ecompany, Label20->text(), m_appDir,
                                                             *m_photoStore));
    m_photos = new PhotoViewer(Image1, ComboBox2, *ADOTable1, m_dialogs, m_appDir, *m_photoStore,
                               m_nextPhotoNumber, this);

    RecordLifecycle::Controls controls{DBComboBox1, DBComboBox2, DBEdit7, DBEdit16, ComboBox2, cbfiltersup};
    RecordLifecycle::Steps steps;
    steps.resetSort = [this] { resetSort(); };
    steps.showPhoto = [this] { showPhoto(); };
    steps.runFilterRule = [this] { cbfiltersupChange(); };
    steps.subtractFromCounters = [this](Currency money, qint64 received) {
        subtractFromCounters(money, received);
    };
    steps.photoPath = [this] { return currentPhotoPath(); };
    steps.removePhoto = [this](const QString& file) { m_photos->deletePhoto(file); };
    m_lifecycle = std::make_unique<RecordLifecycle>(*ADOTable1, m_dialogs, m_status, controls,
                                                    std::move(steps), m_lineHasData, m_nextPhotoNumber);
    ADOTable1->setBeforePost([this] { return ADOTable1BeforePost(); });
    ADOTable1->setBeforeDelete([this] { return ADOTable1BeforeDelete(); });
    ADOTable1->setStoreQuestion([this] { return m_photos->storeQuestion(); });
}

void TForm1::connectHandlers() {
    // F5 reads the view and the counters anew, as Recalculate does, so that
    // lines other programs stored on the register are seen.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    refresh->setObjectName(QStringLiteral("RefreshShortcut"));
    connect(refresh, &QShortcut::activated, this, &TForm1::Button4Click);
    m_formKeys = new FormKeys(this, Button5, Button7);
    connect(ADOTable1.get(), &OrderTable::stateChanged, m_formKeys, &FormKeys::follow);
    connectRepeat();
    HistoryMenu::add(*this);
    connectFind();
    connectSheetImport();
    connect(ADOTable1.get(), &OrderTable::stateChanged, this, &TForm1::DataSource1StateChange);
    connect(ADOTable1.get(), &OrderTable::dataChanged, this, &TForm1::DataSource1DataChange);
    connect(ADOTable1.get(), &OrderTable::afterPost, this, &TForm1::ADOTable1AfterPost);
    connect(ADOTable1.get(), &OrderTable::postError, this, &TForm1::ADOTable1PostError);
    connect(ADOTable1.get(), &OrderTable::afterDelete, this, &TForm1::ADOTable1AfterDelete);
    connect(ADOTable1.get(), &OrderTable::lineVanished, this, &TForm1::Button4Click, Qt::QueuedConnection);
    // Whatever step read the view, it holds the other programs' changes now.
    connect(ADOTable1.get(), &OrderTable::viewRead, this, [this] {
        m_othersChanged->hide();
        if (m_nelvo.isOpen())
            m_nelvo.engine()->viewReadAfterReconnect();
    });
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(cberow, &QCheckBox::clicked, this, &TForm1::cberowClick);
    connect(Label20, &CreditLabel::clicked, this, &TForm1::Label20Click);

    for (const RecordFormField& field : RecordFormFields::all())
        connectFocusHook(field);
    for (DBEdit* field : {DBEdit7, DBEdit16, DBEdit17, DBEdit18}) {
        const OrderColumns::Index column = field->binding().columnIndex();
        field->binding().setValueCheck(
            [this, column](QString* reason) { return m_priceRules->derivedValuesFit(column, reason); });
    }
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm1::DBGrid1TitleClick);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
    // The note on where to begin has done its work once a list editor opens
    // or the grid shows a line.
    for (QPushButton* listEditor : {Button6, Button8, Button9})
        connect(listEditor, &QPushButton::pressed, m_firstSteps, &QWidget::hide);
    connect(DBGrid1->model(), &QAbstractItemModel::rowsInserted, m_firstSteps, &QWidget::hide);
    connect(cbfiltersup, qOverload<int>(&QComboBox::activated), this, &TForm1::cbfiltersupChange);
    connect(cbbatch, qOverload<int>(&QComboBox::activated), this, &TForm1::cbfiltersupChange);
    connect(ComboBox2, qOverload<int>(&QComboBox::activated), this, &TForm1::ComboBox2Change);
    for (QLineEdit* counter : {eobstbr, etotal})
        connect(counter, &QLineEdit::textChanged, this, [this, counter] { eobstbrChange(counter); });
    connect(Image1, &PhotoArea::clicked, this, &TForm1::Image1Click);
    connect(Image1, &PhotoArea::rightClicked, this, &TForm1::Image1ContextPopup);
    connect(cshowpic, &QCheckBox::clicked, this, &TForm1::cshowpicClick);
    for (QWidget* w :
         {static_cast<QWidget*>(eobstbr), static_cast<QWidget*>(etotal), static_cast<QWidget*>(ecompany),
          static_cast<QWidget*>(cbfiltersup), static_cast<QWidget*>(cbbatch)})
        watchFocus(w);
}

void TForm1::connectFind() {
    const auto shortcut = [this](const QKeySequence& key, const char* name, auto slot) {
        auto* made = new QShortcut(key, this);
        made->setObjectName(QLatin1String(name));
        connect(made, &QShortcut::activated, m_findBar, slot);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), "FindShortcut", &FindBar::open);
    shortcut(QKeySequence(Qt::Key_F3), "FindNextShortcut", &FindBar::findNext);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), "FindPreviousShortcut", &FindBar::findPrevious);
}

void TForm1::connectRepeat() {
    // An entry of the grid's menu, whose key works anywhere in the window.
    // Not Ctrl+D, a spreadsheet's fill-down: a field deletes a character
    // with it on this desktop.
    auto* repeat = new QAction(QStringLiteral("Repeat line"), DBGrid1);
    repeat->setObjectName(QStringLiteral("RepeatLineAction"));
    repeat->setToolTip(QStringLiteral("Повтори реда"));
    repeat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    repeat->setShortcutContext(Qt::WindowShortcut);
    DBGrid1->addAction(repeat);
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(repeat, &QAction::triggered, this, &TForm1::RepeatLineClick);
}

void TForm1::watchFocus(QWidget* widget) {
    widget->installEventFilter(this);
}

// The steps that run as a record-form field gains and loses the focus, by its row.
void TForm1::connectFocusHook(const RecordFormField& field) {
    QWidget* widget = RecordFormFields::widget(*this, field);
    FieldBinding* binding = RecordFormFields::binding(*this, field);
    switch (field.focusHook) {
    case FocusHook::BatchChooser:
        watchFocus(widget);
        return;
    case FocusHook::Price:
        connect(binding, &FieldBinding::entered, this, &TForm1::DBEdit7Enter);
        connect(binding, &FieldBinding::exited, this, &TForm1::DBEdit7Exit);
        return;
    case FocusHook::Count: {
        auto* count = static_cast<DBEdit*>(widget);
        connect(binding, &FieldBinding::entered, this, [this, count] { DBEdit16Enter(count); });
        connect(binding, &FieldBinding::exited, this, [this, count] { DBEdit16Exit(count); });
        return;
    }
    case FocusHook::Colour:
        break;
    }
    if (std::holds_alternative<DBMemo * TForm1::*>(field.control)) {
        connect(binding, &FieldBinding::entered, this, &TForm1::DBMemo1Enter);
        connect(binding, &FieldBinding::exited, this, &TForm1::DBMemo1Exit);
    } else if (std::holds_alternative<DBComboBox * TForm1::*>(field.control)) {
        connect(binding, &FieldBinding::entered, this, [this, widget] { DBComboBox1Enter(widget); });
        connect(binding, &FieldBinding::exited, this, [this, widget] { DBComboBox1Exit(widget); });
    } else {
        connect(binding, &FieldBinding::entered, this, [this, widget] { DBEdit6Enter(widget); });
        connect(binding, &FieldBinding::exited, this, [this, widget] { DBEdit6Exit(widget); });
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (FieldBinding::restoringFocus())
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        // As for bound fields: coming back from another window is no entry.
        if (widget && widget != m_plainFieldInside) {
            m_plainFieldInside = widget;
            handleFocus(widget, true);
        }
        break;
    case QEvent::FocusOut:
        if (widget == m_plainFieldInside && isFieldExit(static_cast<QFocusEvent*>(event))) {
            m_plainFieldInside = nullptr;
            handleFocus(widget, false);
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (widget == ecompany)
            ecompanyKeyPress(key);
        else if (widget == cbfiltersup || widget == cbbatch)
            cbfiltersupKeyPress(static_cast<QComboBox*>(widget), key);
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
