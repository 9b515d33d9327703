#include "ui/ComboLookup.h"

#include <QAbstractItemModel>
#include <QComboBox>

ComboLookup::ComboLookup(QComboBox* box) : QObject(box), m_box(box) {
    const QAbstractItemModel* model = box->model();
    const auto forget = [this] { m_valid = false; };
    connect(model, &QAbstractItemModel::rowsInserted, this, forget);
    connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(model, &QAbstractItemModel::rowsMoved, this, forget);
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(model, &QAbstractItemModel::dataChanged, this, forget);
}

QString ComboLookup::markedNotInList(const QString& value) {
    return QStringLiteral("%1 (not in the list)").arg(value);
}

int ComboLookup::addNotInList(QComboBox* box, const QString& value) {
    box->addItem(markedNotInList(value));
    const int added = box->count() - 1;
    box->setItemData(added, value, NotInListRole);
    QFont marked = box->font();
    marked.setItalic(true);
    box->setItemData(added, marked, Qt::FontRole);
    return added;
}

QString ComboLookup::valueAt(const QComboBox* box, int index) {
    if (index < 0)
        return {};
    const QVariant stored = box->itemData(index, NotInListRole);
    return stored.isValid() ? stored.toString() : box->itemText(index);
}

int ComboLookup::find(const QString& text) {
    if (!m_valid)
        rebuild();
    return m_rows.value(text.toCaseFolded(), -1);
}

void ComboLookup::rebuild() {
    m_rows.clear();
    for (int row = m_box->count() - 1; row >= 0; --row)
        m_rows.insert(m_box->itemText(row).toCaseFolded(), row); // the first entry wins
    m_valid = true;
}
