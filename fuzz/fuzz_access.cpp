// Damaged Access files, read as the conversion reads db1.mdb: by the reader
// program in a process of its own, under its limits (a tighter time limit
// than the program's, so that a hang costs two seconds here). Whatever the
// file holds, the reading ends with the table's rows or with a message, each
// row as wide as the header says, and the file is left as it was; libmdb's
// own crashes and hangs stay in the child. The same bytes also go to the
// decoding of the reader's frames, as if the child had written them.

#include "data/AccessReaderProcess.h"
#include "data/AccessReaderProtocol.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void decodeAsFrames(const QByteArray& bytes) {
    AccessReaderProtocol::Header header;
    AccessReaderProtocol::decodeHeader(bytes, &header);
    QVector<QVariant> row;
    for (int columns : {0, 1, 24})
        if (AccessReaderProtocol::decodeRow(bytes, columns, &row) && row.size() != columns)
            std::abort();
    bool damaged = false;
    QString message;
    AccessReaderProtocol::decodeError(bytes, &damaged, &message);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const bool prepared = [] {
        AccessReaderProcess::setProgramPath(QStringLiteral(ACCESS_READER));
        // libmdb leaks a few bytes on some damaged files; the reader's leak
        // reports would only be noise here (the tests still look for them).
        const QByteArray options = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", options + (options.isEmpty() ? "" : ":") + "detect_leaks=0");
        return true;
    }();
    Q_UNUSED(prepared);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    decodeAsFrames(bytes);

    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();

    AccessReaderProcess::Limits limits = AccessReaderProcess::limitsFor(bytes.size());
    limits.milliseconds = 2000;
    AccessReaderProcess reader;
    QVector<QVariant> row;
    if (reader.open(path, QStringLiteral("Table1"), limits)) {
        if (reader.columnKinds().size() != reader.columnNames().size())
            std::abort();
        while (reader.next(&row))
            if (row.size() != reader.columnNames().size())
                std::abort();
    }
    if (!reader.errorString().isEmpty() && reader.errorString().trimmed().isEmpty())
        std::abort();
    QFile check(path);
    if (!check.open(QIODevice::ReadOnly) || check.readAll() != bytes)
        std::abort();
    return 0;
}
