#pragma once
// The dialogs of the window during a benchmark: nobody is there to answer, so
// any message the window wants to show means the run went wrong. The message
// is printed and the benchmark ends with a failure instead of timing a box.

#include "ui/Dialogs.h"

class BenchDialogs : public Dialogs {
  public:
    void information(const QString& text) override { fail("information", text); }
    bool confirm(const QString& text) override {
        fail("confirm", text);
        return false;
    }
    void error(const QString& text) override { fail("error", text); }
    void standardError(const QString& message) override { fail("standard error", message); }
    QString openFile(const QString& caption, const QString&) override {
        fail("open file", caption);
        return {};
    }
    bool openWithDesktop(const QString&) override { return true; }

  private:
    [[noreturn]] static void fail(const char* kind, const QString& text);
};
