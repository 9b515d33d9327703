#pragma once
// What a server engine asks while a statement has not been answered yet: the
// window shows that it waits and offers to give the step up, so that a lock
// held elsewhere or a slow server never freezes it without a word.

#include <QtGlobal>

class ServerWait {
  public:
    virtual ~ServerWait() = default;
    // Asked every moment while the answer is outstanding, with the time since
    // the statement was sent; false gives the step up (the statement is
    // cancelled on the server).
    virtual bool keepWaiting(qint64 elapsedMs) = 0;
    // The answer came, or the step was given up.
    virtual void finished() = 0;
};
