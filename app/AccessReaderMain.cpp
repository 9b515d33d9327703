// The Access reader program, installed beside Project1: reads one table of an
// Access file through libmdb and writes it to its standard output in the
// frames of AccessReaderProtocol. libmdb is not safe against damaged files
// (it can loop for ever or crash); in a process of its own it can take down
// only this one, under the limits its parent set, and the parent reports the
// file as damaged.
//
// Usage: access_reader FILE TABLE
#include "data/AccessFile.h"
#include "data/AccessReaderProtocol.h"

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

FILE* frames = nullptr;

bool send(const QByteArray& frame) {
    return std::fwrite(frame.constData(), 1, size_t(frame.size()), frames) == size_t(frame.size());
}

// libmdb prints to standard output on some damaged files, and complains on
// standard error, millions of lines when it loops. The frames go to a copy of
// standard output taken first; both of libmdb's streams go nowhere. The
// descriptor of standard error stays as it was, for a sanitizer's report.
bool separateFrames() {
    const int copy = dup(STDOUT_FILENO);
    frames = copy >= 0 ? fdopen(copy, "wb") : nullptr;
    const int null = open("/dev/null", O_WRONLY);
    FILE* nowhere = std::fopen("/dev/null", "w");
    if (!frames || null < 0 || !nowhere || dup2(null, STDOUT_FILENO) < 0)
        return false;
    stderr = nowhere;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: access_reader FILE TABLE\n");
        return 2;
    }
    if (!separateFrames())
        return 1;
    AccessTableReader reader;
    bool sent;
    if (!reader.open(QFile::decodeName(argv[1]), QString::fromLocal8Bit(argv[2]))) {
        sent = send(AccessReaderProtocol::errorFrame(reader.isDamaged(), reader.errorString()));
    } else {
        sent = send(AccessReaderProtocol::headerFrame(
            {reader.declaredRowCount(), reader.columnNames(), reader.columnKinds()}));
        QVector<QVariant> row;
        while (sent && reader.next(&row))
            sent = send(AccessReaderProtocol::rowFrame(row));
        if (sent)
            sent = send(reader.errorString().isEmpty()
                            ? AccessReaderProtocol::endFrame()
                            : AccessReaderProtocol::errorFrame(reader.isDamaged(), reader.errorString()));
    }
    return sent && std::fflush(frames) == 0 ? 0 : 1;
}
