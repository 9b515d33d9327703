#include "bench/ReferenceGrid.h"

#include <QHeaderView>

ReferenceGrid::ReferenceGrid(QAbstractItemModel* model, QWidget* parent) : QTableView(parent) {
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    horizontalHeader()->setDefaultSectionSize(72);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setModel(model);
    resize(Width, Height);
}
