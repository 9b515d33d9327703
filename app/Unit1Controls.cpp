// The controls of the main window: their kinds, places, captions and hints.
// Positions are pixels in the upper band (247 pixels high) of a 1016 x 706
// client area; the grid fills the rest and follows the window's size.

#include "app/CreditLabel.h"
#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/DBMemo.h"
#include "app/FieldBinding.h"
#include "app/FindBar.h"
#include "app/OrderGrid.h"
#include "app/RecordFormFields.h"
#include "app/Unit1.h"
#include "photos/PhotoPictures.h"
#include "photos/gui/PhotoArea.h"
#include "ui/OneLineValidator.h"
#include "ui/StatusBar.h"
#include "ui/StatusPanel.h"
#include "ui/TextFit.h"
#include "ui/WheelNeedsFocus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <type_traits>
#include <variant>

namespace {

const QColor Maroon{0x80, 0x00, 0x00};
constexpr int FieldHeight = 21;

template <class Widget>
Widget* place(Widget* widget, const char* name, QWidget* parent, int x, int y, int w, int h,
              const QString& hint = QString()) {
    widget->setParent(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, w, h);
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

// A caption over its field; the caption is the field's buddy so that screen
// readers and tests find the field by what the user reads.
QLabel* caption(QWidget* parent, const char* name, const QString& text, const QString& hint, QWidget* buddy,
                bool required = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(buddy->x(), buddy->y() - 15);
    label->adjustSize();
    if (!hint.isEmpty())
        label->setToolTip(hint);
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
    if (!hint.isEmpty())
        buddy->setToolTip(hint);
    if (required) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Maroon);
        label->setPalette(p);
        QFont f = label->font();
        f.setUnderline(true);
        label->setFont(f);
    }
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint, int x, int y,
                    int w, int h = 25) {
    auto* b = place(new QPushButton(text), name, parent, x, y, w, h, hint);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::ClickFocus);
    return b;
}

QLabel* boldSign(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = place(new QLabel(text), name, parent, x, y, 12, FieldHeight);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

void TForm1::createControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* band = new QWidget(central);
    band->setObjectName(QStringLiteral("UpperBand"));
    band->setFixedHeight(247);
    layout->addWidget(band);

    createRecordForm(band);
    createButtons(band);
    createViewControls(band);
    createPhotoAndCompany(band);

    DBGrid1 = new OrderGrid(*ADOTable1, m_dialogs, central);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setFocusPolicy(Qt::ClickFocus);
    DBGrid1->setAccessibleName(QStringLiteral("Orders"));
    layout->addWidget(DBGrid1, 1);
    // Where a new shop begins, written into the empty grid (the status bar's
    // panels leave no room for it): the drop-down lists of a line are empty
    // until their lists are filled.
    m_firstSteps =
        new QLabel(QStringLiteral("An empty register: first fill in the suppliers, articles and batches with "
                                  "Edit Suppliers, Edit Articles and Edit batches"),
                   DBGrid1->viewport());
    m_firstSteps->setObjectName(QStringLiteral("FirstStepsNote"));
    m_firstSteps->setContentsMargins(8, 8, 8, 8);
    m_firstSteps->adjustSize();
    m_firstSteps->hide();
    setCentralWidget(central);
    createStatusBar();
    // Under the grid, hidden until Ctrl+F: the grid gives it room only while
    // it shows, and no other control moves.
    m_findBar = new FindBar(*ADOTable1, DBGrid1, central);
    layout->addWidget(m_findBar);
    for (QWidget* pickBox :
         std::initializer_list<QWidget*>{DBComboBox1, DBComboBox2, ComboBox2, cbfiltersup, cbbatch})
        WheelNeedsFocus::install(pickBox);
}

void TForm1::createRecordForm(QWidget* band) {
    for (const RecordFormField& field : RecordFormFields::all())
        createField(band, field);
    boldSign(band, "LabelTimes", QStringLiteral("X"), DBEdit7->x() + 93, DBEdit7->y());
    boldSign(band, "LabelEquals", QStringLiteral("="), DBEdit11->x() + 83, DBEdit11->y());
    styleRecordForm();
}

void TForm1::createField(QWidget* band, const RecordFormField& field) {
    OrderTable& t = *ADOTable1;
    QWidget* widget = std::visit(
        [&](auto member) -> QWidget* {
            using Control = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
            if constexpr (std::is_same_v<Control, QComboBox>)
                this->*member = new QComboBox;
            else
                this->*member = new Control(t, field.column);
            return this->*member;
        },
        field.control);
    const QRect& r = field.rect;
    place(widget, field.name, band, r.x(), r.y(), r.width(), r.height());
    const ColumnDef& column = OrderColumns::at(field.column);
    caption(band, field.captionName, QString::fromUtf8(column.caption), QString::fromUtf8(column.hint),
            widget, field.required);
    if (field.readOnly)
        qobject_cast<QLineEdit*>(widget)->setReadOnly(true);
    if (!field.tabStop)
        widget->setFocusPolicy(Qt::ClickFocus);
}

// The looks some fields have beyond their row.
void TForm1::styleRecordForm() {
    QPalette p = ComboBox2->palette();
    p.setColor(QPalette::Text, Qt::red);
    p.setColor(QPalette::ButtonText, Qt::red);
    ComboBox2->setPalette(p);
    QFont bold = ComboBox2->font();
    bold.setBold(true);
    ComboBox2->setFont(bold);
    bold = DBEdit17->font();
    bold.setBold(true);
    DBEdit17->setFont(bold);
    TextFit::keepWhole(DBEdit12); // the largest amounts are wider than the field
}

void TForm1::createButtons(QWidget* band) {
    Button7 = button(band, "Button7", "Cancel", "Откажи", 70, 222, 58, 22);
    Button7->setProperty(FieldBinding::AbandonsChanges, true);
    Button2 = button(band, "Button2", "Delete", "Изтрий", 8, 222, 58, 22);

    const int x = 618, w = 100;
    Button3 = button(band, "Button3", "Export in Excel", "Експорт в Excel", x, 66, w);
    Button9 = button(band, "Button9", "Edit batches", "Редактирай партидите", x, 94, w);
    Button6 = button(band, "Button6", "Edit Articles", "Редактирай артикулите", x, 122, w);
    Button8 = button(band, "Button8", "Edit Suppliers", "Редактирай доставчиците", x, 150, w);
    Button1 = button(band, "Button1", "Add", "Добави", x, 184, 48);
    Button1->setFocusPolicy(Qt::StrongFocus); // the one button in the Tab order
    Button1->setAutoDefault(true);            // so Enter presses it when it has the focus
    Button5 = button(band, "Button5", "Apply", "Приложи", x + 52, 184, 48);
    SpeedButton1 = button(band, "SpeedButton1", "First", "Първи", x, 214, 25, 22);
    SpeedButton2 = button(band, "SpeedButton2", "Prev", "Предходен", x + 25, 214, 25, 22);
    SpeedButton3 = button(band, "SpeedButton3", "Next", "Следващ", x + 50, 214, 25, 22);
    SpeedButton4 = button(band, "SpeedButton4", "Last", "Последен", x + 75, 214, 25, 22);
    // Four captions on a hundred pixels: each gets the font in which it fits.
    for (QPushButton* nav : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
        TextFit::fitCaption(nav);
}

void TForm1::createViewControls(QWidget* band) {
    const int b = 136;
    auto* show = place(new QLabel(QStringLiteral("Show")), "Label26", band, b, 182, 120, 14, "Покажи");
    cbfiltersup = place(new QComboBox, "cbfiltersup", band, b, 197, 120, FieldHeight, "Supplier / Доставчик");
    cbbatch = place(new QComboBox, "cbbatch", band, b, 221, 120, FieldHeight, "Batch / Партида");
    show->setBuddy(cbfiltersup);
    for (QComboBox* box : {cbfiltersup, cbbatch}) {
        box->setAccessibleName(box->toolTip());
        box->setFocusPolicy(Qt::ClickFocus);
        box->setMaxVisibleItems(14);
    }

    // The framed block of the summary under the price and count columns.
    auto* frame = place(new QFrame, "Panel1", band, 264, 180, 346, 64);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    // No accessible name of its own: a label is read by its text, the supplier
    // of the filter, which is what the user sees.
    lrecalc = place(new QLabel(QStringLiteral("All")), "lrecalc", frame, 6, 4, 96, 15, "За доставчик");
    Button4 = button(frame, "Button4", "Recalculate", "Преизчисли", 6, 24, 96, 30);

    QFont big = font();
    big.setPointSize(12);
    eobstbr = place(new QLineEdit, "eobstbr", frame, 110, 20, 110, 28);
    etotal = place(new QLineEdit, "etotal", frame, 228, 20, 112, 28);
    caption(frame, "Label18", "Pieces Count", "Бройки", eobstbr);
    caption(frame, "Label17", "Money Summary", "Пари сумарно", etotal);
    for (QLineEdit* counter : {eobstbr, etotal}) {
        counter->setReadOnly(true);
        counter->setFont(big);
        counter->setFocusPolicy(Qt::ClickFocus);
        TextFit::keepWhole(counter);
    }
}

void TForm1::createPhotoAndCompany(QWidget* band) {
    const int x = 728;
    cberow = place(new QCheckBox(QStringLiteral("Select entire row")), "cberow", band, x, 4, 122, 17,
                   "Избери цял ред");
    cshowpic = place(new QCheckBox(QStringLiteral("Show Picture")), "cshowpic", band, x, 22, 110, 17,
                     "Покожи снимката");
    cshowpic->setChecked(true);
    for (QCheckBox* box : {cberow, cshowpic})
        box->setFocusPolicy(Qt::ClickFocus);

    Label28 = place(new QLabel(QStringLiteral("Company")), "Label28", band, 852, 2, 120, 14, "Фирма");
    ecompany = place(new QLineEdit(QStringLiteral("Unspecified Company Ltd")), "ecompany", band, 852, 17, 124,
                     FieldHeight, "Фирма");
    Label28->setBuddy(ecompany);
    ecompany->setAccessibleName(QStringLiteral("Company"));
    ecompany->setFocusPolicy(Qt::ClickFocus);
    // The company file holds one line: a pasted break would cut the name.
    ecompany->setValidator(new OneLineValidator(ecompany));
    Image4 = place(new QLabel, "Image4", band, 980, 18, 33, 18, "Made in BULGARIA");
    Image4->setAccessibleName(QStringLiteral("Made in BULGARIA"));

    Image1 = place(new PhotoArea, "Image1", band, x, 56, PhotoArea::InitialWidth, PhotoArea::Height,
                   "Right Click To Select / Left Click To Enlarge");
    Image1->setAccessibleName(Image1->toolTip());
    Image2 = place(new QLabel, "Image2", band, x, 56, 250, 185);
    Image3 = place(new QLabel, "Image3", band, x, 56, 250, 185);
    Image2->setPixmap(PhotoPictures::noPhoto());
    Image3->setPixmap(PhotoPictures::photoDisabled());
    Image4->setPixmap(PhotoPictures::flag());
    Image2->hide();
    Image3->hide();

    Label20 = place(new CreditLabel(QStringLiteral("Nelvo order register")), "Label20", band, 8, 1, 200, 14,
                    QStringLiteral("The maker's page: %1").arg(QLatin1String(CreditLabel::PageFile)));
}

void TForm1::createStatusBar() {
    auto* bar = new StatusBar;
    setStatusBar(bar);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    const int widths[StatusPanels::Count] = {250, 180, 210, 230, 0};
    // The panels stand side by side without the bar's own spacing between
    // widgets, so that the last one has the room the window's width leaves
    // it ("Add New Data Mode" whole at the window's first size).
    auto* panels = new QWidget(bar);
    auto* row = new QHBoxLayout(panels);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < StatusPanels::Count; ++i) {
        auto* panel = new StatusPanel(widths[i], panels);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        row->addWidget(panel, widths[i] > 0 ? 0 : 1);
        m_status.set(i, panel);
    }
    // Beside the panels, only while other programs' changes are not shown.
    m_othersChanged = new QLabel(panels);
    m_othersChanged->setObjectName(QStringLiteral("OthersChangedNotice"));
    m_othersChanged->hide();
    row->addWidget(m_othersChanged);
    // Removing db1.conninfo would open the file again: the clerk should know
    // that it is there and not the register in use.
    m_serverNote = new QLabel(QStringLiteral("using the server; db1.mdb is not used"), panels);
    m_serverNote->setObjectName(QStringLiteral("ServerNote"));
    m_serverNote->hide();
    row->addWidget(m_serverNote);
    bar->addWidget(panels, 1);
}

void TForm1::setTabOrder() {
    // The record form's Tab stops, then Add, then back to the first; nothing
    // else is a Tab stop.
    QList<QWidget*> order;
    for (const RecordFormField& field : RecordFormFields::all())
        if (field.tabStop)
            order << RecordFormFields::widget(*this, field);
    order << Button1;
    for (int i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}
