#pragma once
// Every message box, the open-file dialog and the desktop "open" action go
// through this seam. The program uses QtDialogs; tests install a scripted one
// that answers from a queue and records what was shown.

#include <QString>
#include <memory>

class QWidget;

// A long piece of work shown with a progress bar and a Cancel button.
class ProgressReport {
  public:
    virtual ~ProgressReport() = default;
    // Reports how far the work is (0 to the maximum given when it was made);
    // false once the user pressed Cancel.
    virtual bool update(qint64 done) = 0;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // "Information", information icon, OK.
    virtual void information(const QString& text) = 0;
    // "Confirm", question icon, OK (default) / Cancel; true only for OK.
    virtual bool confirm(const QString& text) = 0;
    // "Error", error icon, OK.
    virtual void error(const QString& text) = 0;
    // An error no handler deals with: its message with "." appended by the
    // rule of standardErrorText(), the application title as caption.
    virtual void standardError(const QString& message) = 0;
    // Open-file dialog; empty when cancelled.
    virtual QString openFile(const QString& caption, const QString& filter) = 0;
    // The desktop's "open" on a file or web address; false when no program
    // could be started for it or the desktop said it could not open it.
    virtual bool openWithDesktop(const QString& pathOrUrl) = 0;
    // A modal progress dialog with Cancel, open while the result lives. It
    // appears only when the work takes longer than a moment.
    virtual std::unique_ptr<ProgressReport> progress(const QString& label, qint64 maximum);
    // A modal busy indicator with a "Give up" button, shown at once and open
    // while the result lives; update() keeps the window painted and is false
    // once the user gave up.
    virtual std::unique_ptr<ProgressReport> waiting(const QString& label);
};

// The message with "." appended when its last character's code is higher than
// that of "." (so not after "." or "!").
QString standardErrorText(const QString& message);

class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    void error(const QString& text) override;
    void standardError(const QString& message) override;
    QString openFile(const QString& caption, const QString& filter) override;
    bool openWithDesktop(const QString& pathOrUrl) override;

  private:
    QWidget* m_parent;
};
