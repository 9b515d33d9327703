#include "ui/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QScreen>
#include <QUrl>

QString standardErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

static int showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
                   QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    // Centred on the screen rather than on the window.
    box.adjustSize();
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec();
}

void QtDialogs::information(const QString& text) {
    showBox(m_parent, QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
            QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString& text) {
    return showBox(m_parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

void QtDialogs::error(const QString& text) {
    showBox(m_parent, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::standardError(const QString& message) {
    showBox(m_parent, QMessageBox::Critical, QApplication::applicationName(), standardErrorText(message),
            QMessageBox::Ok, QMessageBox::Ok);
}

QString QtDialogs::openFile(const QString& caption, const QString& filter) {
    // The label is shown as given; the patterns in its last brackets stay hidden.
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter, nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// xdg-open tells by its exit status whether a program took the file. Under a
// desktop it hands the file on and returns at once; without one it runs the
// program itself until that ends, so a moment's wait is all it gets: still
// running then means the program has the file.
static bool openWithXdg(const QString& path) {
    constexpr int AnswerMs = 1500;
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QStringLiteral("xdg-open"), {path});
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(AnswerMs)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return true;
    }
    const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return opened;
}
#endif

bool QtDialogs::openWithDesktop(const QString& pathOrUrl) {
    if (pathOrUrl.contains(QLatin1String("://")))
        return QDesktopServices::openUrl(QUrl(pathOrUrl));
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return openWithXdg(pathOrUrl);
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(pathOrUrl));
#endif
}

namespace {

class QtProgressReport : public ProgressReport {
  public:
    QtProgressReport(const QString& label, qint64 maximum)
        : m_dialog(label, QStringLiteral("Cancel"), 0, 1000), m_maximum(qMax<qint64>(maximum, 1)) {
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setWindowTitle(QApplication::applicationName());
        m_dialog.setMinimumDuration(500);
        m_dialog.setValue(0);
    }
    bool update(qint64 done) override {
        // Per mille, so that any count fits the dialog's int range.
        m_dialog.setValue(int(qMin<qint64>(done, m_maximum) * 1000 / m_maximum));
        return !m_dialog.wasCanceled();
    }

  private:
    QProgressDialog m_dialog;
    qint64 m_maximum;
};

class QtWaitReport : public ProgressReport {
  public:
    explicit QtWaitReport(const QString& label) : m_dialog(label, QStringLiteral("Give up"), 0, 0) {
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setWindowTitle(QApplication::applicationName());
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoReset(false);
        m_dialog.show();
    }
    bool update(qint64) override {
        // Modal: only the dialog takes input; the window behind it repaints.
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

  private:
    QProgressDialog m_dialog;
};

} // namespace

std::unique_ptr<ProgressReport> Dialogs::waiting(const QString& label) {
    return std::make_unique<QtWaitReport>(label);
}

std::unique_ptr<ProgressReport> Dialogs::progress(const QString& label, qint64 maximum) {
    return std::make_unique<QtProgressReport>(label, maximum);
}
