#include "ui/ComboLookup.h"

#include <QAbstractItemModel>
#include <QComboBox>

ComboLookup::ComboLookup(QComboBox* box) : QObject(box), m_box(box)
{
    const QAbstractItemModel* model = box->model();
    const auto forget = [this] { m_valid = false; };
    connect(model, &QAbstractItemModel::rowsInserted, this, forget);
    connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(model, &QAbstractItemModel::rowsMoved, this, forget);
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(model, &QAbstractItemModel::dataChanged, this, forget);
}

QString ComboLookup::markedNotInList(const QString& value)
{
    return QStringLiteral("%1 (not in the list)").arg(value);
}

int ComboLookup::find(const QString& text)
{
    if (!m_valid)
        rebuild();
    return m_rows.value(text.toCaseFolded(), -1);
}

void ComboLookup::rebuild()
{
    m_rows.clear();
    for (int row = m_box->count() - 1; row >= 0; --row)
        m_rows.insert(m_box->itemText(row).toCaseFolded(), row); // the first entry wins
    m_valid = true;
}
