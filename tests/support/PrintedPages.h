#pragma once
// Workbooks as LibreOffice prints them: converted to PDF in one run of
// soffice (headless, with a profile of its own so that parallel runs do not
// meet), then read back with pdfinfo (the page count) and pdftotext -bbox
// (every word with its box, in points from the page's top left corner).

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

struct PrintedWord {
    QString text;
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct PrintedPages {
    int pages = 0;
    QVector<PrintedWord> words;

    // The first word with this text; null when there is none.
    const PrintedWord* find(const QString& text) const;
};

// Prints every workbook to PDF in outputDir and reads each back, keyed by the
// workbook's path. Returns an empty string on success, else why it could not
// (no soffice is the one reason to skip rather than fail).
QString printWithLibreOffice(const QStringList& workbooks, const QString& outputDir,
                             QHash<QString, PrintedPages>* printed);
// Whether LibreOffice can be run at all.
bool libreOfficeInstalled();
