#pragma once
// Replaces a file's whole content through a save file, so that a failed
// write leaves what was there.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Unbuffered: a buffered write that fails half-way (a full disk) is not
// reported by the flush in commit(), which would then put the cut file in
// place of the old one. A short write is retried so that the system names
// its reason, which reason gets on failure.
inline bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* reason) {
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; written && done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        written = n > 0;
        done += n;
    }
    if (written && file.commit())
        return true;
    *reason = file.errorString();
    file.cancelWriting();
    return false;
}
