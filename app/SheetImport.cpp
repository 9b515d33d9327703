#include "app/SheetImport.h"

#include "data/Database.h"
#include "data/LineImport.h"
#include "data/OrderTable.h"
#include "data/RegisterBackup.h"
#include "import/ColumnMatch.h"
#include "import/SheetFile.h"
#include "ui/Dialogs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

SheetImport::Preview& preview() {
    static SheetImport::Preview installed;
    return installed;
}

bool showDialog(const QString& path, const Workbook& book, SheetImportChoice* choice, QWidget* parent) {
    SheetImportDialog dialog(QFileInfo(path).fileName(), book, *choice, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *choice = dialog.choice();
    return true;
}

} // namespace

void SheetImport::setPreview(Preview installed) {
    preview() = std::move(installed);
}

QString SheetImport::backupPath(const QString& appDir, const QDateTime& at) {
    return QDir(RegisterBackup::folder(appDir))
        .filePath(
            QStringLiteral("db1-before-import-%1.mdb").arg(at.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
}

void SheetImport::run(const Context& context) {
    if (!context.table.settle())
        return;
    const QString path = context.dialogs.openFile(QStringLiteral("Import lines from a spreadsheet"),
                                                  SheetFile::dialogFilter());
    if (path.isEmpty())
        return;
    Workbook book;
    QString error;
    if (!SheetFile::read(path, &book, &error)) {
        context.dialogs.error(error);
        return;
    }
    SheetImportChoice choice;
    for (int sheet = 0; sheet < book.sheets.size() && choice.settings.headerRow < 0; ++sheet) {
        choice.sheet = sheet;
        choice.settings.headerRow = ColumnMatch::findHeaderRow(book.sheets[sheet]);
    }
    if (choice.settings.headerRow < 0) {
        context.dialogs.error(
            QStringLiteral("%1 cannot be imported: no row among its first names at least two "
                           "columns of the register (such as Supplier, Article, Ordered)")
                .arg(QDir::toNativeSeparators(path)));
        return;
    }
    choice.settings.columnOf =
        ColumnMatch::mapHeader(book.sheets[choice.sheet].rows[choice.settings.headerRow]);
    choice.settings.batch = context.batch;
    choice.settings.date1904 = book.date1904;
    choice.settings.today = QDate::currentDate();
    const bool accepted =
        preview() ? preview()(path, book, &choice) : showDialog(path, book, &choice, context.parent);
    if (!accepted)
        return;
    SheetLines lines = SheetLines::read(book.sheets.value(choice.sheet), choice.settings);
    lines.keepSheetMoney(choice.keepSheetMoney);
    // The preview offers Import only then; a scripted answer is held to it too.
    if (!lines.refused.isEmpty() && !choice.onlyPassed) {
        context.dialogs.error(QStringLiteral("Nothing was imported: %1 rows were refused:\n%2")
                                  .arg(lines.refused.size())
                                  .arg(lines.refusedText()));
        return;
    }
    if (lines.lines.isEmpty()) {
        context.dialogs.information(QStringLiteral("The sheet holds no lines to import."));
        return;
    }
    if (!store(context, lines))
        return;
    if (context.reread)
        context.reread();
    const LineSums sums = lines.sums();
    context.dialogs.information(
        QStringLiteral("%1 lines imported: %2 pieces, money %3, as the sheet adds them up.")
            .arg(sums.lines)
            .arg(sums.pieces)
            .arg(sums.money.toString()));
    if (context.offerNewEntries)
        context.offerNewEntries(lines);
}

QStringList SheetImport::valuesOf(const SheetLines& lines, int column) {
    QStringList values;
    QSet<QString> seen;
    for (const SheetLine& line : lines.lines) {
        const QString value = line.values.value(column).toString();
        if (!seen.contains(value)) {
            seen.insert(value);
            values << value;
        }
    }
    return values;
}

bool SheetImport::store(const Context& context, const SheetLines& lines) {
    if (!context.database.isServer()) {
        const RegisterBackup::Result copy = RegisterBackup::copyChecked(
            context.appDir, backupPath(context.appDir, QDateTime::currentDateTime()),
            QStringLiteral("Nothing was imported: the copy of db1.mdb made before an import failed"));
        if (!copy.ok) {
            context.dialogs.error(copy.message);
            return false;
        }
    }
    QVector<QVector<QVariant>> values;
    values.reserve(lines.lines.size());
    for (const SheetLine& line : lines.lines)
        values << line.values;
    const LineSums sums = lines.sums();
    QString error;
    if (!LineImport::store(*context.database.engine(), values, {sums.lines, sums.pieces, sums.money},
                           &error)) {
        context.dialogs.error(QStringLiteral("Nothing was imported: %1").arg(error));
        return false;
    }
    return true;
}
