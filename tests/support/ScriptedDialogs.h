#pragma once
// Dialogs for tests: answers come from a queue set before the question is
// asked; every box shown is recorded as "kind: text".

#include "ui/Dialogs.h"

#include <QQueue>
#include <QStringList>

class ScriptedDialogs : public Dialogs {
public:
    void information(const QString& text) override { shown << "information: " + text; }
    bool confirm(const QString& text) override
    {
        shown << "confirm: " + text;
        return confirmAnswers.isEmpty() ? false : confirmAnswers.dequeue();
    }
    void error(const QString& text) override { shown << "error: " + text; }
    void standardError(const QString& message) override { shown << "standardError: " + standardErrorText(message); }
    QString openFile(const QString& caption, const QString& filter) override
    {
        shown << "openFile: " + caption + " | " + filter;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    void openWithDesktop(const QString& pathOrUrl) override { opened << pathOrUrl; }

    QStringList takeShown()
    {
        QStringList result = shown;
        shown.clear();
        return result;
    }

    QStringList shown;
    QStringList opened;
    QQueue<bool> confirmAnswers;
    QQueue<QString> fileAnswers;
};
