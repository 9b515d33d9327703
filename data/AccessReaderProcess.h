#pragma once
// A table of an Access file read by the reader program (access_reader, beside
// the executable) in a process of its own, its rows passed back over a pipe.
// libmdb loops for ever or crashes on some damaged files; the child runs
// under a memory limit, a CPU limit and a time limit scaled to the file's
// size, and whatever ends it early (a crash, a limit, a hang, output that is
// not what the reader writes) is reported here as a damaged file; a reader
// that cannot run at all (missing, not executable, its loader failing) is a
// fault of the installation, never of the file. What is
// read from the child is bounded too: no frame longer than the file could
// explain, no more output in all than a multiple of the file's size.
//
// The child is always ended and reaped: when the table has been read, on an
// error, and when the reader is destroyed early (a cancelled conversion).

#include "data/AccessReaderProtocol.h"
#include "data/RowSource.h"

#include <QElapsedTimer>
#include <QString>
#include <sys/types.h>

class AccessReaderProcess : public RowSource {
  public:
    struct Limits {
        qint64 memoryBytes = 0;  // address space of the child
        qint64 milliseconds = 0; // time the parent waits for the child's output, in all
        qint64 outputBytes = 0;  // everything the child may write
    };
    // Limits for a file of the given size: generous for a sound file, whose
    // reading takes a fraction of a second per megabyte.
    static Limits limitsFor(qint64 fileSize);

    // Where the reader program is; by default beside the running executable.
    // Tests, whose executables live elsewhere, name the built one.
    static void setProgramPath(const QString& path);
    static QString programPath();

    AccessReaderProcess() = default;
    ~AccessReaderProcess() override;
    AccessReaderProcess(const AccessReaderProcess&) = delete;
    AccessReaderProcess& operator=(const AccessReaderProcess&) = delete;

    // Starts the reader on the file and reads the table's header. false with
    // errorString() (and isDamaged()) when the table cannot be read.
    bool open(const QString& path, const QString& table, const Limits& limits);

    QStringList columnNames() const override { return m_header.names; }
    QVector<Kind> columnKinds() const override { return m_header.kinds; }
    qint64 declaredRowCount() const override { return m_header.declaredRows; }
    bool next(QVector<QVariant>* row) override;
    QString errorString() const override { return m_error; }
    bool isDamaged() const override { return m_damaged; }

  private:
    bool start(const QString& path, const QString& table);
    bool readFrame(AccessReaderProtocol::Tag* tag, QByteArray* payload);
    bool fill(qsizetype bytes);
    bool fail(bool damaged, const QString& message);
    bool failFromChild(const QByteArray& payload);
    bool childEndedNormally(QString* ending);
    void stop();

    Limits m_limits;
    pid_t m_pid = -1;
    int m_output = -1;
    QByteArray m_buffer;
    qint64 m_received = 0;
    qint64 m_waited = 0;
    bool m_finished = false;
    int m_exitStatus = -1; // once the child exited normally
    AccessReaderProtocol::Header m_header;
    QString m_error;
    bool m_damaged = false;
};
