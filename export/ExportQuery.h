#pragma once
// The statement that selects the view's lines for the report: the eight
// report fields, the view's filter when it is on, and the view's sort, joined
// from fixed pieces exactly as they stand. The filter and sort texts are put
// in unchanged, so the statement reads the same view the grid shows.

#include <QString>

namespace ExportQuery {

// The report's fields in column order A to H.
QString fieldList();
QString text(bool filtered, const QString& filterText, const QString& sortText);

} // namespace ExportQuery
