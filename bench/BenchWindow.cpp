#include "bench/BenchWindow.h"

#include "bench/PaintWaiter.h"
#include "bench/RegisterGenerator.h"

#include "app/FindBar.h"
#include "app/OrderGrid.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "data/RegisterBackup.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

BenchWindow::BenchWindow(const QString& dir) : form(dir, dialogs) {
    if (!form.table().isActive())
        die(QStringLiteral("the window did not open the register"));
    form.show();
    painted = new PaintWaiter(form.DBGrid1->viewport());
    paint();
}

void BenchWindow::backUpToday(const QString& dir) {
    const QDate today = QDate::currentDate();
    if (!QFile::exists(QDir(dir).filePath(QLatin1String(Database::FileName))) ||
        QFile::exists(RegisterBackup::pathFor(dir, today)))
        return;
    const pid_t child = fork();
    if (child == 0) {
        const RegisterBackup::Result made = RegisterBackup::run(dir, today);
        if (!made.ok)
            std::fprintf(stderr, "benchmark stopped: %s\n", qPrintable(made.message));
        std::_Exit(made.ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        die(QStringLiteral("the day's backup of %1 was not made").arg(dir));
}

void BenchWindow::die(const QString& message) {
    std::fprintf(stderr, "benchmark stopped: %s\n", qPrintable(message));
    std::exit(1);
}

void BenchWindow::paint() {
    if (!painted->updateAndWait())
        die(QStringLiteral("the grid was not painted"));
}

void BenchWindow::filter(const QString& supplier, const QString& batch) {
    select(form.cbfiltersup, supplier);
    select(form.cbbatch, batch);
    form.cbfiltersupChange();
}

void BenchWindow::sort(const QString& sortText) {
    const int column = OrderColumns::indexOf(sortText.section(QLatin1Char(' '), 0, 0));
    for (int click = 0; click < 2 && table().sort() != sortText; ++click)
        form.DBGrid1TitleClick(column);
    if (table().sort() != sortText)
        die(QStringLiteral("the title click did not sort by %1").arg(sortText));
}

void BenchWindow::findNext(const QString& text) {
    form.findBar()->field()->setText(text);
    form.findBar()->findNext();
    paint();
}

QString BenchWindow::findStatement(const QString& text) {
    QString sent;
    Engine::setStatementObserver([&sent](const QString& sql, const EngineParameters& parameters) {
        if (parameters.size() == 1 && sql.startsWith(QLatin1String("SELECT key FROM Table1 WHERE")))
            sent = sql;
    });
    table().first();
    findNext(text);
    Engine::setStatementObserver({});
    const qsizetype mark = sent.lastIndexOf(QLatin1Char('?'));
    if (mark < 0)
        die(QStringLiteral("the find sent no statement"));
    QString literal = text;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return sent.replace(mark, 1, QLatin1Char('\'') + literal + QLatin1Char('\''));
}

QString BenchWindow::findText() {
    return RegisterGenerator::articles().first().section(QLatin1Char(' '), 0, 0).toUpper();
}

void BenchWindow::storeLine(const QString& batch) {
    if (!storeLine(table(), batch))
        die(QStringLiteral("storing a line failed"));
}

bool BenchWindow::storeLine(OrderTable& t, const QString& batch) {
    static const QString supplier = RegisterGenerator::filterSupplier();
    static const QString article = RegisterGenerator::articles().first();
    static const QString newest = RegisterGenerator::batches().last();
    return t.append() && t.setValue(QStringLiteral("dostavcik"), supplier) &&
           t.setValue(QStringLiteral("artikul"), article) &&
           t.setValue(QStringLiteral("batch"), batch.isEmpty() ? newest : batch) &&
           t.setValue(QStringLiteral("paracbr"), 12) && t.setValue(QStringLiteral("polucbr"), 12) &&
           t.setValue(QStringLiteral("pokupnacena"), QStringLiteral("12.5")) &&
           t.setValue(QStringLiteral("obsto"), QStringLiteral("150")) && t.post();
}

void BenchWindow::select(QComboBox* box, const QString& entry) {
    const int index = entry.isEmpty() ? 0 : box->findText(entry, Qt::MatchExactly);
    if (index < 0)
        die(QStringLiteral("%1 is not in %2").arg(entry, box->objectName()));
    box->setCurrentIndex(index);
}
