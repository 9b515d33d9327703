#include "app/RecordFormFields.h"

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/DBMemo.h"

#include <QComboBox>
#include <type_traits>

namespace RecordFormFields {

namespace {

// The form's columns of fields, their left edges in pixels.
constexpr int ArticleX = 8, SupplierX = 136, PriceX = 264, CountX = 372, MoneyX = 470, PageX = 618;
constexpr int W = 120; // the width of the first two columns' fields
constexpr int H = 21;  // a one-line field's height

using Hook = FocusHook;
constexpr bool Tab = true, NoTab = false, ReadOnly = true, Editable = false, Required = true,
               Optional = false;

} // namespace

const QVector<RecordFormField>& all() {
    using namespace OrderColumns;
    using F1 = TForm1;
    static const QVector<RecordFormField> fields{
        // Column of the article.
        {Artikul,
         &F1::DBComboBox1,
         "DBComboBox1",
         "Label1",
         {ArticleX, 36, W, H},
         Tab,
         Editable,
         Required,
         Hook::Colour},
        {Razmeri,
         &F1::DBEdit6,
         "DBEdit6",
         "Label2",
         {ArticleX, 76, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Sastav,
         &F1::DBEdit5,
         "DBEdit5",
         "Label3",
         {ArticleX, 116, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Cvet,
         &F1::DBEdit13,
         "DBEdit13",
         "Label4",
         {ArticleX, 156, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Kodovnom,
         &F1::DBEdit15,
         "DBEdit15",
         "Label5",
         {ArticleX, 196, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        // Column of the supplier.
        {Dostavcik,
         &F1::DBComboBox2,
         "DBComboBox2",
         "Label6",
         {SupplierX, 36, W, H},
         Tab,
         Editable,
         Required,
         Hook::Colour},
        {Firmetiket,
         &F1::DBEdit2,
         "DBEdit2",
         "Label7",
         {SupplierX, 76, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Bukvi,
         &F1::DBEdit3,
         "DBEdit3",
         "Label8",
         {SupplierX, 116, 50, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Batch,
         &F1::ComboBox2,
         "ComboBox2",
         "Label27",
         {SupplierX + 54, 116, W - 54, H},
         NoTab,
         Editable,
         Optional,
         Hook::BatchChooser},
        {Nomcuval,
         &F1::DBEdit14,
         "DBEdit14",
         "Label9",
         {SupplierX, 156, W, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        // Prices.
        {Pokupnacena,
         &F1::DBEdit7,
         "DBEdit7",
         "Label10",
         {PriceX, 36, 90, H},
         Tab,
         Editable,
         Required,
         Hook::Price},
        {Sebestoynost,
         &F1::DBEdit8,
         "DBEdit8",
         "Label11",
         {PriceX, 76, 90, H},
         NoTab,
         Editable,
         Optional,
         Hook::Colour},
        {Edro,
         &F1::DBEdit9,
         "DBEdit9",
         "Label12",
         {PriceX, 116, 90, H},
         NoTab,
         Editable,
         Optional,
         Hook::Colour},
        {Drebno,
         &F1::DBEdit10,
         "DBEdit10",
         "Label13",
         {PriceX, 156, 90, H},
         NoTab,
         Editable,
         Optional,
         Hook::Colour},
        // Counts.
        {Polucbr,
         &F1::DBEdit11,
         "DBEdit11",
         "Label14",
         {CountX, 36, 80, H},
         NoTab,
         ReadOnly,
         Optional,
         Hook::Colour},
        {Paracbr,
         &F1::DBEdit16,
         "DBEdit16",
         "Label15",
         {CountX, 76, 80, H},
         Tab,
         Editable,
         Required,
         Hook::Count},
        {Dostavbr,
         &F1::DBEdit17,
         "DBEdit17",
         "Label16",
         {CountX, 116, 80, H},
         NoTab,
         Editable,
         Optional,
         Hook::Count},
        {Defectbr,
         &F1::DBEdit18,
         "DBEdit18",
         "Label19",
         {CountX, 156, 80, H},
         NoTab,
         Editable,
         Optional,
         Hook::Count},
        // Money, page, notes.
        {Obsto,
         &F1::DBEdit12,
         "DBEdit12",
         "Label21",
         {MoneyX, 36, 140, H},
         NoTab,
         ReadOnly,
         Optional,
         Hook::Colour},
        {Strpos,
         &F1::DBEdit4,
         "DBEdit4",
         "Label23",
         {PageX, 36, 100, H},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
        {Belejka,
         &F1::DBMemo1,
         "DBMemo1",
         "Label22",
         {MoneyX, 76, 140, 100},
         Tab,
         Editable,
         Optional,
         Hook::Colour},
    };
    return fields;
}

QWidget* widget(const TForm1& form, const RecordFormField& field) {
    return std::visit([&](auto member) -> QWidget* { return form.*member; }, field.control);
}

FieldBinding* binding(const TForm1& form, const RecordFormField& field) {
    return std::visit(
        [&](auto member) -> FieldBinding* {
            if constexpr (std::is_same_v<decltype(member), QComboBox * TForm1::*>)
                return nullptr;
            else
                return &(form.*member)->binding();
        },
        field.control);
}

} // namespace RecordFormFields
