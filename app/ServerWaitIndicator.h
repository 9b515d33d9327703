#pragma once
// While the register's server has not answered a step for half a second, the
// window says that it waits and offers to give the step up; until then it
// shows nothing, so that the usual quick answers pass unseen.

#include "data/ServerWait.h"

#include <QString>
#include <memory>

class Dialogs;
class ProgressReport;

class ServerWaitIndicator : public ServerWait {
  public:
    static constexpr qint64 ShowAfterMs = 500;

    explicit ServerWaitIndicator(Dialogs& dialogs);
    ~ServerWaitIndicator() override;
    static QString label();

    bool keepWaiting(qint64 elapsedMs) override;
    void finished() override;

  private:
    Dialogs& m_dialogs;
    std::unique_ptr<ProgressReport> m_report;
};
