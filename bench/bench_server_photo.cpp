// What showing a photo costs on a server register, beside what the file
// register's show costs:
//   check      the show of a photo whose local copy is current: one round
//              trip that answers "still version v", no photo bytes
//              / a bare SELECT of the version over libpq (the round trip alone)
//   fetch      the show of a photo this program has no copy of (or that
//              another clerk changed): the photo over the wire, base64,
//              written to the cache / the same photo read from pictures/
//   decode     the decoder on the copy, the same on either register
// Prints one line per figure: name, reference ms, program ms (medians).
// Usage: bench_server_photo DIR PHOTO [RUNS]
//   DIR holds db1.conninfo of a server register (register_server create);
//   PHOTO is a JPEG file (bench_photo makes camera-like ones).
#include "bench/Measure.h"
#include "bench/ServerConnection.h"

#include "data/Database.h"
#include "data/SharedStore.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoStore.h"
#include "photos/gui/PhotoArea.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

void report(const char* name, const std::vector<double>& reference, const std::vector<double>& program) {
    std::printf("%-8s %10.3f %10.3f\n", name, Measure::median(reference), Measure::median(program));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_server_photo DIR PHOTO [RUNS]\n");
        return 2;
    }
    const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const int runs = argc > 3 ? std::atoi(argv[3]) : 20;
    QFile source(QString::fromLocal8Bit(argv[2]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const QByteArray photo = source.readAll();
    Database db;
    ServerConnection bare;
    if (!db.open(dir) || !db.isServer() || !bare.open(dir)) {
        std::fprintf(stderr, "no server register in %s: %s\n", argv[1], qPrintable(db.errorString()));
        return 1;
    }
    QString error;
    qint64 version = 0;
    if (!SharedStore(*db.engine())
             .writePhoto(QStringLiteral("bench"), QStringLiteral("1"), photo, QByteArray(), &version,
                         &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const PhotoPath path(dir, QStringLiteral("bench"), QStringLiteral("1"));
    // The file register's photo, for the reference of a fetch.
    QDir().mkpath(dir + QStringLiteral("pictures/bench"));
    QFile file(dir + QStringLiteral("pictures/bench/1.jpg"));
    if (!file.open(QIODevice::WriteOnly) || file.write(photo) != photo.size())
        return 1;
    file.close();

    std::printf("photo: %lld bytes, %d runs\n", qint64(photo.size()), runs);
    std::vector<double> roundTrip, check, fetch, readFile, decode;
    PhotoStore cached(dir, db);
    cached.find(path);
    const QByteArray versionOnly = "SELECT version FROM shared_photos WHERE batch = 'bench' AND number = '1'";
    QString copy;
    for (int i = 0; i < runs; ++i) {
        roundTrip.push_back(Measure::ms([&] { bare.scalar(versionOnly); }));
        check.push_back(Measure::ms([&] { copy = cached.find(path).file; }));
        fetch.push_back(Measure::ms([&] { PhotoStore(dir, db).find(path); }));
        readFile.push_back(Measure::ms([&] {
            QFile f(path.file());
            f.open(QIODevice::ReadOnly);
            f.readAll();
        }));
        decode.push_back(Measure::ms([&] { JpegDecoder().decodeFile(copy, PhotoArea::Height); }));
    }
    std::printf("%-8s %10s %10s\n", "figure", "reference", "program");
    report("check", roundTrip, check);
    report("fetch", readFile, fetch);
    report("decode", decode, decode);
    SharedStore(*db.engine()).removePhoto(QStringLiteral("bench"), QStringLiteral("1"), &error);
    return 0;
}
