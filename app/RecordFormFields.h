#pragma once
// The fields of the record form, one row each: the column it shows, its kind
// of control (the window's member that holds it), its given name and its
// caption's, its rectangle in the upper band, whether Tab stops on it,
// whether it is read-only, whether its caption marks it as one to fill in,
// and the steps that run as it gains and loses the focus. Its caption and
// hint are the column's (OrderColumns). The window builds the form, the Tab
// order and the focus hooks from these rows; the rows' order is the order
// the controls are made in, and the Tab order of those Tab stops on.

#include "app/Unit1.h"
#include "data/OrderColumns.h"

#include <QRect>
#include <QVector>
#include <variant>

class FieldBinding;

// What entering the field shows: its focus colour alone, or the price or
// count rules' steps as well (which paint it too); the batch chooser's steps
// are its own and run as the window's other choosers' do.
enum class FocusHook { Colour, Price, Count, BatchChooser };

struct RecordFormField {
    using Control =
        std::variant<DBEdit * TForm1::*, DBComboBox * TForm1::*, DBMemo * TForm1::*, QComboBox * TForm1::*>;
    OrderColumns::Index column;
    Control control;
    const char* name;        // the control's object name, as its member
    const char* captionName; // the object name of the caption over it
    QRect rect;
    bool tabStop;
    bool readOnly;
    bool required; // the caption is maroon and underlined
    FocusHook focusHook;
};

namespace RecordFormFields {

const QVector<RecordFormField>& all();
// The field's control in form (once the form is built).
QWidget* widget(const TForm1& form, const RecordFormField& field);
// The binding of the field's control to its column; null for the batch
// chooser, which is bound by its own rules.
FieldBinding* binding(const TForm1& form, const RecordFormField& field);

} // namespace RecordFormFields
