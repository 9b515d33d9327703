#pragma once
// Runs another program to its end and times it: the whole process, from
// spawning until it has been reaped, with its peak memory from the kernel.
// Used where the reference is a command-line client (psql) or a second
// process of the program, so both sides pay for their own start.

#include <QByteArray>
#include <QList>

struct ChildRun {
    bool ok = false;
    double ms = 0;
    double rssMb = 0;
};

class ChildProcess {
  public:
    // args[0] is the program (looked up on PATH); output goes where ours goes
    // unless quiet, then stdout is sent to /dev/null.
    static ChildRun run(const QList<QByteArray>& args, bool quiet = false);
};
