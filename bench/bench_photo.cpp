// Showing a large photo: our decoder to the 185-pixel picture, against djpeg
// decoding the same file at 1/8 and 1/4 scale.
//
//   bench_photo [--dir DIR] [--runs N] [--process-runs N]
//       makes camera-like JPEGs in DIR (kept for the next run), then prints
//       - in-process: the median time of our decoder to the 185-pixel picture;
//       - whole process: the median wall time of `bench_photo --decode FILE`
//         and of `djpeg -scale 1/8` and `-scale 1/4` of the same file, with
//         the bare start-up of each program (`bench_photo --noop`,
//         `djpeg -version`), run in turn with the order rotated each round;
//       - the ratios ours / djpeg: whole process, with each program's
//         start-up taken off, and our in-process time against djpeg's decode.
//   bench_photo --decode FILE
//       decodes FILE once to the 185-pixel picture and exits (0 on success).
//   bench_photo --noop
//       loads and exits: the start-up cost of a Qt program.
//
// The photos are fractal value noise with colour tint and grain, quality 90,
// 4:2:0: they compress like camera photos (about 11 MB per 24 megapixels), so
// the entropy decoding that no scale can skip costs what it costs on a real
// photo.

#include "photos/JpegDecoder.h"
#include "photos/PhotoPreview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#include <jpeglib.h>

extern char** environ;

namespace {

constexpr int DisplayHeight = 185;

// One octave of value noise: random values on a lattice, bilinear between.
class NoiseOctave {
  public:
    NoiseOctave(int width, int height, int spacing, std::mt19937& random)
        : m_spacing(spacing), m_columns(width / spacing + 2),
          m_values(size_t(m_columns) * size_t(height / spacing + 2)) {
        std::uniform_real_distribution<float> value(-1.0f, 1.0f);
        for (float& v : m_values)
            v = value(random);
    }
    float at(int x, int y) const {
        const int cx = x / m_spacing, cy = y / m_spacing;
        const float fx = float(x % m_spacing) / float(m_spacing),
                    fy = float(y % m_spacing) / float(m_spacing);
        const float* row0 = &m_values[size_t(cy) * size_t(m_columns) + size_t(cx)];
        const float* row1 = row0 + m_columns;
        const float top = row0[0] + (row0[1] - row0[0]) * fx;
        const float bottom = row1[0] + (row1[1] - row1[0]) * fx;
        return top + (bottom - top) * fy;
    }

  private:
    int m_spacing;
    int m_columns;
    std::vector<float> m_values;
};

bool writeCameraLikeJpeg(const QString& path, int width, int height) {
    std::mt19937 random(width * 31 + height);
    std::vector<NoiseOctave> octaves;
    std::vector<float> amplitude;
    for (int spacing = 1024; spacing >= 2; spacing /= 2) {
        octaves.emplace_back(width, height, spacing, random);
        amplitude.push_back(std::pow(float(spacing), 0.45f) * 3.0f);
    }
    const NoiseOctave tintR(width, height, 700, random), tintB(width, height, 500, random);
    std::uniform_int_distribution<int> grain(-18, 18);

    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err); // a benchmark may end on a write error
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo); // YCbCr 4:2:0, baseline
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float luma = 128.0f;
            for (size_t o = 0; o < octaves.size(); ++o)
                luma += amplitude[o] * octaves[o].at(x, y);
            const float r = luma + 40.0f * tintR.at(x, y), b = luma + 40.0f * tintB.at(x, y);
            const float g = luma - 0.3f * (r - luma) - 0.3f * (b - luma);
            const float channel[3] = {r, g, b};
            for (int c = 0; c < 3; ++c)
                row[size_t(x) * 3 + size_t(c)] = JSAMPLE(std::clamp(int(channel[c]) + grain(random), 0, 255));
        }
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Wall time of one whole process, its output and messages to /dev/null.
// Returns a negative time when it could not run or failed.
double runProcess(const QStringList& command) {
    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    for (const QString& part : command)
        storage.push_back(QFile::encodeName(part));
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    double ms = -1;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            ms = double(timer.nsecsElapsed()) / 1e6;
    }
    posix_spawn_file_actions_destroy(&actions);
    return ms;
}

// Peak resident memory of one run, through /usr/bin/time (not timed): the
// resource usage that wait4() reports for a spawned child also counts the
// memory of the parent it was cloned from.
long peakMiB(const QStringList& command) {
    const QString report = QDir::tempPath() + QStringLiteral("/bench_photo_peak.txt");
    QStringList timed = {QStringLiteral("/usr/bin/time"), QStringLiteral("-f"), QStringLiteral("%M"),
                         QStringLiteral("-o"), report};
    timed << command;
    if (!QFileInfo::exists(timed[0]) || runProcess(timed) < 0)
        return -1;
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().trimmed().toLong() / 1024;
}

void benchmarkPhoto(const QString& self, const QString& path, int runs, int processRuns) {
    // In-process: the whole path of the viewer, file to 185-pixel picture.
    JpegDecoder decoder;
    if (!decoder.decodeFile(path, DisplayHeight)) {
        std::printf("decode failed: %s\n", qPrintable(decoder.errorString()));
        return;
    }
    std::vector<double> inProcess;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        JpegDecoder timed;
        timed.decodeFile(path, DisplayHeight);
        inProcess.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    enum { Ours, Eighth, Quarter, OurStart, DjpegStart, Count };
    const QString djpeg = QStringLiteral("djpeg");
    const QStringList commands[Count] = {
        {self, QStringLiteral("--decode"), path},
        {djpeg, QStringLiteral("-scale"), QStringLiteral("1/8"), QStringLiteral("-outfile"),
         QStringLiteral("/dev/null"), path},
        {djpeg, QStringLiteral("-scale"), QStringLiteral("1/4"), QStringLiteral("-outfile"),
         QStringLiteral("/dev/null"), path},
        {self, QStringLiteral("--noop")},
        {djpeg, QStringLiteral("-version")},
    };
    std::vector<double> ms[Count];
    for (const QStringList& command : commands)
        runProcess(command); // warm the file cache and the loader
    for (int i = 0; i < processRuns; ++i) {
        for (int k = 0; k < Count; ++k) {
            const int which = (k + i) % Count; // rotate the order
            const double run = runProcess(commands[which]);
            if (run < 0) {
                std::printf("failed: %s\n", qPrintable(commands[which].join(QLatin1Char(' '))));
                return;
            }
            ms[which].push_back(run);
        }
    }
    double m[Count];
    for (int k = 0; k < Count; ++k)
        m[k] = median(ms[k]);

    std::printf("%dx%d  %.2f MB  scale %d/8 -> %dx%d -> picture %dx%d\n", decoder.sourceSize().width(),
                decoder.sourceSize().height(), double(QFileInfo(path).size()) / 1e6, decoder.scaleNumerator(),
                decoder.decoded().width(), decoder.decoded().height(), decoder.picture().width(),
                decoder.picture().height());
    std::printf("  in-process, our decoder to the picture: median %.1f ms of %d\n", median(inProcess), runs);
    std::printf("  whole process, median of %d (ms):  ours %.1f   djpeg 1/8 %.1f   djpeg 1/4 %.1f"
                "   start-up only: ours %.1f, djpeg %.1f\n",
                processRuns, m[Ours], m[Eighth], m[Quarter], m[OurStart], m[DjpegStart]);
    std::printf("  peak memory (MiB):  ours %ld   djpeg 1/8 %ld   djpeg 1/4 %ld\n", peakMiB(commands[Ours]),
                peakMiB(commands[Eighth]), peakMiB(commands[Quarter]));
    std::printf("  ratio ours / djpeg 1/8:  whole process %.2f   start-up removed %.2f   in-process %.2f\n",
                m[Ours] / m[Eighth], (m[Ours] - m[OurStart]) / (m[Eighth] - m[DjpegStart]),
                median(inProcess) / (m[Eighth] - m[DjpegStart]));
    std::printf("  ratio ours / djpeg 1/4:  whole process %.2f   start-up removed %.2f   in-process %.2f\n",
                m[Ours] / m[Quarter], (m[Ours] - m[OurStart]) / (m[Quarter] - m[DjpegStart]),
                median(inProcess) / (m[Quarter] - m[DjpegStart]));
}

// Showing a line's photo once its preview exists, against today's show of
// the original, and making the preview: in-process medians against djpeg
// (and cjpeg) as processes with their start-up taken off.
void benchmarkPreview(const QString& path, int runs, int processRuns) {
    QString error;
    const QByteArray photo = JpegDecoder::readFile(path, &error);
    const QByteArray preview = PhotoPreview::make(photo, &error);
    const QString previewPath = path + QStringLiteral(".preview.jpg");
    QFile out(previewPath);
    if (preview.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(preview) != preview.size()) {
        std::printf("preview failed: %s\n", qPrintable(error));
        return;
    }
    out.close();
    const auto inProcess = [runs](const std::function<void()>& work) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            work();
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        return median(ms);
    };
    const double showOriginal = inProcess([&] { JpegDecoder().decodeFile(path, DisplayHeight); });
    const double showPreview = inProcess([&] { JpegDecoder().decodeFile(previewPath, DisplayHeight); });
    const double make = inProcess([&] {
        QString e;
        PhotoPreview::make(photo, &e);
    });
    const QString quarterThenEncode = QStringLiteral("djpeg -scale 1/4 '%1' | cjpeg -quality %2 > /dev/null")
                                          .arg(path)
                                          .arg(PhotoPreview::Quality);
    const QStringList commands[] = {
        {QStringLiteral("djpeg"), QStringLiteral("-outfile"), QStringLiteral("/dev/null"), previewPath},
        {QStringLiteral("djpeg"), QStringLiteral("-version")},
        {QStringLiteral("sh"), QStringLiteral("-c"), quarterThenEncode},
        {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("djpeg -version; cjpeg -version")}};
    std::vector<double> ms[4];
    for (const QStringList& command : commands)
        runProcess(command);
    for (int i = 0; i < processRuns; ++i)
        for (int k = 0; k < 4; ++k)
            ms[(k + i) % 4].push_back(runProcess(commands[(k + i) % 4]));
    const double djpegPreview = median(ms[0]) - median(ms[1]);
    const double reference = median(ms[2]) - median(ms[3]);
    std::printf("preview of %s: %lld bytes (photo %lld)\n", qPrintable(QFileInfo(path).fileName()),
                qlonglong(preview.size()), qlonglong(photo.size()));
    std::printf(
        "  show, in-process median of %d (ms): original %.1f   preview %.2f   djpeg of the preview %.2f\n",
        runs, showOriginal, showPreview, djpegPreview);
    std::printf("  ratio preview / djpeg of the preview %.2f   original / preview %.1f\n",
                showPreview / djpegPreview, showOriginal / showPreview);
    std::printf("  making the preview: ours %.1f ms   djpeg -scale 1/4 | cjpeg %.1f ms   ratio %.2f\n", make,
                reference, make / reference);
}

struct Photo {
    int width;
    int height;
};

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 2 && args[0] == QLatin1String("--decode")) {
        JpegDecoder decoder;
        return decoder.decodeFile(args[1], DisplayHeight) && !decoder.picture().isNull() ? 0 : 1;
    }
    if (args.size() == 1 && args[0] == QLatin1String("--noop"))
        return 0; // the start-up of this program alone: loader and libraries

    QString dir = QDir::tempPath() + QStringLiteral("/bench_photo");
    int runs = 9;
    int processRuns = 7;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--dir"))
            dir = args[i + 1];
        else if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--process-runs"))
            processRuns = args[i + 1].toInt();
    }
    if (runs < 1 || processRuns < 1 || !QDir().mkpath(dir)) {
        std::fprintf(stderr,
                     "usage: bench_photo [--dir DIR] [--runs N] [--process-runs N] | --decode FILE\n");
        return 2;
    }
    const QString self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    const Photo photos[] = {{6000, 4000}, {4000, 3000}, {1600, 1200}};
    for (const Photo& photo : photos) {
        const QString path = QStringLiteral("%1/photo_%2x%3.jpg").arg(dir).arg(photo.width).arg(photo.height);
        if (!QFileInfo::exists(path) && !writeCameraLikeJpeg(path, photo.width, photo.height)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        benchmarkPhoto(self, path, runs, processRuns);
        if (photo.width == 6000)
            benchmarkPreview(path, runs, processRuns);
    }
    return 0;
}
