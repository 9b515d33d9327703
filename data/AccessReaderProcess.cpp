#include "data/AccessReaderProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

// AddressSanitizer reserves terabytes of address space, so a sanitizer build
// limits the reader's resident memory through the sanitizer instead.
#if defined(__SANITIZE_ADDRESS__)
#define ORDERS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORDERS_ADDRESS_SANITIZER 1
#endif
#endif

extern char** environ;

namespace {

constexpr qint64 MiB = 1024 * 1024;

QString& programPathOverride() {
    static QString path;
    return path;
}

// The child's side between fork and exec: only calls safe after a fork.
[[noreturn]] void runChild(pid_t parent, int output, int report, const AccessReaderProcess::Limits& limits,
                           char* const* argv, char* const* envp) {
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the program that waits for it
#endif
    if (getppid() != parent)
        _exit(127);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    dup2(null, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
#ifndef ORDERS_ADDRESS_SANITIZER
    dup2(null, STDERR_FILENO); // libmdb's complaints about a damaged file go nowhere
    const rlimit memory{rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes)};
    setrlimit(RLIMIT_AS, &memory);
#endif
    const rlim_t seconds = rlim_t(limits.milliseconds / 1000 + 1);
    const rlimit cpu{seconds, seconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    signal(SIGPIPE, SIG_DFL);
    execve(argv[0], argv, envp);
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

// The environment for the child, with the sanitizer's memory limit in a sanitizer build.
QList<QByteArray> childEnvironment(const AccessReaderProcess::Limits& limits) {
    QList<QByteArray> environment;
    for (char** variable = environ; *variable; ++variable)
        environment << QByteArray(*variable);
#ifdef ORDERS_ADDRESS_SANITIZER
    QByteArray options = qgetenv("ASAN_OPTIONS");
    environment.removeIf([](const QByteArray& v) { return v.startsWith("ASAN_OPTIONS="); });
    environment << "ASAN_OPTIONS=" + options + (options.isEmpty() ? "" : ":") +
                       "hard_rss_limit_mb=" + QByteArray::number(limits.memoryBytes / MiB);
#else
    Q_UNUSED(limits);
#endif
    return environment;
}

std::vector<char*> pointers(QList<QByteArray>& strings) {
    std::vector<char*> result;
    for (QByteArray& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

// The reader program cannot do its work here at all, whatever the file.
QString installationFault(const QString& program, const QString& what) {
    return QStringLiteral(
               "the reader program %1 %2: the program's installation is incomplete; install the program "
               "again (db1.mdb itself is not at fault)")
        .arg(QDir::toNativeSeparators(program), what);
}

} // namespace

AccessReaderProcess::Limits AccessReaderProcess::limitsFor(qint64 fileSize) {
    const qint64 megabytes = fileSize / MiB + 1;
    Limits limits;
    limits.memoryBytes = 512 * MiB + 8 * fileSize;
    limits.milliseconds = 10000 + 2000 * megabytes;
    // Texts grow by at most three UTF-8 bytes per stored byte; each value adds a few bytes of framing.
    limits.outputBytes = MiB + 8 * fileSize;
    return limits;
}

void AccessReaderProcess::setProgramPath(const QString& path) {
    programPathOverride() = path;
}

QString AccessReaderProcess::programPath() {
    if (!programPathOverride().isEmpty())
        return programPathOverride();
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("access_reader"));
}

AccessReaderProcess::~AccessReaderProcess() {
    stop();
}

bool AccessReaderProcess::fail(bool damaged, const QString& message) {
    if (m_error.isEmpty()) {
        m_error = message;
        m_damaged = damaged;
    }
    stop();
    return false;
}

void AccessReaderProcess::stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
    if (m_output >= 0) {
        close(m_output);
        m_output = -1;
    }
}

bool AccessReaderProcess::open(const QString& path, const QString& table, const Limits& limits) {
    m_limits = limits;
    if (!start(path, table))
        return false;
    AccessReaderProtocol::Tag tag;
    QByteArray payload;
    if (!readFrame(&tag, &payload))
        return false;
    if (tag == AccessReaderProtocol::Tag::Error)
        return failFromChild(payload);
    if (tag != AccessReaderProtocol::Tag::Header || !AccessReaderProtocol::decodeHeader(payload, &m_header))
        return fail(true, QStringLiteral("the reader program's output is garbled"));
    return true;
}

bool AccessReaderProcess::start(const QString& path, const QString& table) {
    const QString program = programPath();
    const QFileInfo info(program);
    if (!info.isExecutable())
        return fail(false, installationFault(program, info.exists() ? QStringLiteral("is not executable")
                                                                    : QStringLiteral("is missing")));
    QList<QByteArray> arguments{QFile::encodeName(program), QFile::encodeName(path), table.toLocal8Bit()};
    QList<QByteArray> environment = childEnvironment(m_limits);
    const std::vector<char*> argv = pointers(arguments);
    const std::vector<char*> envp = pointers(environment);
    int output[2];
    int report[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return fail(false, QString::fromLocal8Bit(std::strerror(errno)));
    if (pipe2(report, O_CLOEXEC) != 0) {
        close(output[0]);
        close(output[1]);
        return fail(false, QString::fromLocal8Bit(std::strerror(errno)));
    }
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0)
        runChild(parent, output[1], report[1], m_limits, argv.data(), envp.data());
    const int forkError = errno;
    close(output[1]);
    close(report[1]);
    m_output = output[0];
    int execError = 0;
    ssize_t got;
    do
        got = m_pid > 0 ? read(report[0], &execError, sizeof execError) : 0;
    while (got < 0 && errno == EINTR);
    close(report[0]);
    if (m_pid < 0)
        return fail(false, QStringLiteral("the reader program cannot be started: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(forkError))));
    if (got > 0)
        return fail(false,
                    installationFault(program, QStringLiteral("cannot be started (%1)")
                                                   .arg(QString::fromLocal8Bit(std::strerror(execError)))));
    return true;
}

bool AccessReaderProcess::next(QVector<QVariant>* row) {
    if (m_finished || !m_error.isEmpty())
        return false;
    AccessReaderProtocol::Tag tag;
    QByteArray payload;
    if (!readFrame(&tag, &payload))
        return false;
    switch (tag) {
    case AccessReaderProtocol::Tag::Row:
        if (AccessReaderProtocol::decodeRow(payload, m_header.names.size(), row))
            return true;
        break;
    case AccessReaderProtocol::Tag::Error:
        return failFromChild(payload);
    case AccessReaderProtocol::Tag::End: {
        QString ending;
        m_finished = childEndedNormally(&ending);
        if (!m_finished)
            fail(true, ending);
        return false;
    }
    default:
        break;
    }
    return fail(true, QStringLiteral("the reader program's output is garbled"));
}

bool AccessReaderProcess::failFromChild(const QByteArray& payload) {
    bool damaged = true;
    QString message;
    if (!AccessReaderProtocol::decodeError(payload, &damaged, &message))
        return fail(true, QStringLiteral("the reader program's output is garbled"));
    QString ending;
    return childEndedNormally(&ending) ? fail(damaged, message) : fail(true, ending);
}

bool AccessReaderProcess::readFrame(AccessReaderProtocol::Tag* tag, QByteArray* payload) {
    if (!fill(AccessReaderProtocol::FrameHeaderSize))
        return false;
    const qint64 length = AccessReaderProtocol::payloadLength(m_buffer);
    if (length > m_limits.outputBytes)
        return fail(true, QStringLiteral("reading it gives more than the file can hold"));
    const qsizetype frameSize = AccessReaderProtocol::FrameHeaderSize + qsizetype(length);
    if (!fill(frameSize))
        return false;
    *tag = AccessReaderProtocol::frameTag(m_buffer);
    *payload = m_buffer.mid(AccessReaderProtocol::FrameHeaderSize, qsizetype(length));
    m_buffer.remove(0, frameSize);
    return true;
}

// Reads until the buffer holds the given number of bytes, within the limits.
bool AccessReaderProcess::fill(qsizetype bytes) {
    char chunk[65536];
    while (m_buffer.size() < bytes) {
        const qint64 left = m_limits.milliseconds - m_waited;
        pollfd ready{m_output, POLLIN, 0};
        QElapsedTimer clock;
        clock.start();
        const int polled = left > 0 ? poll(&ready, 1, int(qMin<qint64>(left, 60000))) : 0;
        m_waited += clock.elapsed();
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled == 0 && m_waited < m_limits.milliseconds)
            continue;
        if (polled <= 0)
            return fail(true, QStringLiteral("reading it takes longer than %1 seconds")
                                  .arg((m_limits.milliseconds + 999) / 1000));
        const ssize_t got = read(m_output, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            QString ending;
            childEndedNormally(&ending);
            // Before a word of output, 126 and 127 are what the system's
            // loader ends with when the program cannot run at all (a library
            // missing, a file that cannot be executed): not the file's fault.
            if (m_received == 0 && (m_exitStatus == 126 || m_exitStatus == 127))
                return fail(
                    false, installationFault(programPath(), QStringLiteral("cannot run (it ended with status "
                                                                           "%1 before reading anything)")
                                                                .arg(m_exitStatus)));
            return fail(true,
                        ending.isEmpty() ? QStringLiteral("the reader program's output ends early") : ending);
        }
        m_received += got;
        if (m_received > m_limits.outputBytes)
            return fail(true, QStringLiteral("reading it gives more than the file can hold"));
        m_buffer.append(chunk, got);
    }
    return true;
}

// Waits (within the time left) for the child to exit: true when it exited
// normally, else false with ending set to what ended it.
bool AccessReaderProcess::childEndedNormally(QString* ending) {
    if (m_pid <= 0)
        return true;
    int status = 0;
    pid_t done = 0;
    while (m_waited < m_limits.milliseconds) {
        done = waitpid(m_pid, &status, WNOHANG);
        if (done != 0 && !(done < 0 && errno == EINTR))
            break;
        QThread::msleep(5);
        m_waited += 5;
    }
    const QString tooLong =
        QStringLiteral("reading it takes longer than %1 seconds").arg((m_limits.milliseconds + 999) / 1000);
    if (done <= 0) {
        stop();
        *ending = tooLong;
        return false;
    }
    m_pid = -1;
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        *ending = signal == SIGXCPU || signal == SIGKILL
                      ? tooLong
                      : QStringLiteral("the reader program stopped on signal %1 (%2)")
                            .arg(signal)
                            .arg(QString::fromLocal8Bit(strsignal(signal)));
        return false;
    }
    if (WIFEXITED(status))
        m_exitStatus = WEXITSTATUS(status);
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        *ending = QStringLiteral("the reader program ended with status %1").arg(WEXITSTATUS(status));
        return false;
    }
    return true;
}
