#pragma once
// Dialogs for tests: answers come from a queue set before the question is
// asked; every box shown is recorded as "kind: text". The box that says the
// window waits for the server is recorded apart, in waited: whether it
// appears depends on how fast the machine answers, not on what the program
// does, so shown holds only what the user must read or answer.

#include "ui/Dialogs.h"

#include <QCoreApplication>
#include <QQueue>
#include <QStringList>

class ScriptedDialogs : public Dialogs {
  public:
    void information(const QString& text) override { shown << "information: " + text; }
    bool confirm(const QString& text) override {
        shown << "confirm: " + text;
        return confirmAnswers.isEmpty() ? false : confirmAnswers.dequeue();
    }
    void error(const QString& text) override { shown << "error: " + text; }
    void standardError(const QString& message) override {
        shown << "standardError: " + standardErrorText(message);
        captions << QCoreApplication::applicationName(); // what a real box is captioned with
    }
    QString openFile(const QString& caption, const QString& filter) override {
        shown << "openFile: " + caption + " | " + filter;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    bool openWithDesktop(const QString& pathOrUrl) override {
        opened << pathOrUrl;
        return desktopOpens;
    }
    // Cancel is pressed once the work reports cancelProgressAt or more (never when negative).
    std::unique_ptr<ProgressReport> progress(const QString& label, qint64) override {
        shown << "progress: " + label;
        return std::make_unique<Scripted>(cancelProgressAt);
    }
    // Give up is pressed at once when giveUpWaiting is set.
    std::unique_ptr<ProgressReport> waiting(const QString& label) override {
        waited << label;
        return std::make_unique<Scripted>(giveUpWaiting ? 0 : -1);
    }

    QStringList takeShown() {
        QStringList result = shown;
        shown.clear();
        return result;
    }

    QStringList shown;
    QStringList captions; // of the standard error boxes
    QStringList opened;
    QStringList waited;
    QQueue<bool> confirmAnswers;
    QQueue<QString> fileAnswers;
    qint64 cancelProgressAt = -1;
    bool desktopOpens = true; // false: as with no program for the file
    bool giveUpWaiting = false;

  private:
    struct Scripted : ProgressReport {
        qint64 cancelAt;
        explicit Scripted(qint64 at) : cancelAt(at) {}
        bool update(qint64 done) override { return cancelAt < 0 || done < cancelAt; }
    };
};
