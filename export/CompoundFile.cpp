#include "export/CompoundFile.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int SectorSize = 512;
constexpr int PerFatSector = SectorSize / 4;
constexpr int HeaderFatPlaces = 109;
constexpr int PerDifatSector = PerFatSector - 1;
constexpr int MiniStreamCutoff = 4096;
constexpr std::uint32_t FreeSect = 0xFFFFFFFF;
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FatSect = 0xFFFFFFFD;
constexpr std::uint32_t DifSect = 0xFFFFFFFC;
constexpr std::uint32_t NoStream = 0xFFFFFFFF;

class Sector {
  public:
    explicit Sector(int size = SectorSize) : m_bytes(size, '\0') {}
    void u8(int at, std::uint8_t v) { m_bytes[at] = char(v); }
    void u16(int at, std::uint16_t v) { qToLittleEndian(v, m_bytes.data() + at); }
    void u32(int at, std::uint32_t v) { qToLittleEndian(v, m_bytes.data() + at); }
    const QByteArray& bytes() const { return m_bytes; }

  private:
    QByteArray m_bytes;
};

void directoryEntry(Sector& s, int at, const QString& name, std::uint8_t type, std::uint32_t child,
                    std::uint32_t start, std::uint32_t size) {
    for (int i = 0; i < name.size(); ++i)
        s.u16(at + 2 * i, name[i].unicode());
    s.u16(at + 64, std::uint16_t(name.isEmpty() ? 0 : 2 * (name.size() + 1)));
    s.u8(at + 66, type);
    s.u8(at + 67, name.isEmpty() ? 0 : 1); // black
    s.u32(at + 68, NoStream);              // left sibling
    s.u32(at + 72, NoStream);              // right sibling
    s.u32(at + 76, child);
    s.u32(at + 116, start);
    s.u32(at + 120, size);
}

} // namespace

namespace CompoundFile {

bool begin(QIODevice* device, QString* error) {
    if (device->write(QByteArray(SectorSize, '\0')) != SectorSize) {
        *error = device->errorString();
        return false;
    }
    return true;
}

bool write(QIODevice* device, const QByteArray& stream, QString* error) {
    if (!begin(device, error))
        return false;
    if (device->write(stream) != stream.size()) {
        *error = device->errorString();
        return false;
    }
    return finish(device, stream.size(), error);
}

bool finish(QIODevice* device, qint64 streamBytes, QString* error) {
    const int streamSize = std::max(int(streamBytes), MiniStreamCutoff);
    const int n = (streamSize + SectorSize - 1) / SectorSize;
    int f = 1, d = 0;
    for (;;) {
        d = f <= HeaderFatPlaces ? 0 : (f - HeaderFatPlaces + PerDifatSector - 1) / PerDifatSector;
        if (PerFatSector * f >= n + 1 + f + d)
            break;
        ++f;
    }
    const int directory = n;
    const int firstFat = n + 1;
    const int firstDifat = firstFat + f;

    Sector header;
    header.u32(0, 0xE011CFD0);
    header.u32(4, 0xE11AB1A1);
    header.u16(24, 0x003E);
    header.u16(26, 3);
    header.u16(28, 0xFFFE);
    header.u16(30, 9);
    header.u16(32, 6);
    header.u32(44, std::uint32_t(f));
    header.u32(48, std::uint32_t(directory));
    header.u32(56, MiniStreamCutoff);
    header.u32(60, EndOfChain);
    header.u32(68, d > 0 ? std::uint32_t(firstDifat) : EndOfChain);
    header.u32(72, std::uint32_t(d));
    for (int i = 0; i < HeaderFatPlaces; ++i)
        header.u32(76 + 4 * i, i < f ? std::uint32_t(firstFat + i) : FreeSect);

    Sector dir;
    directoryEntry(dir, 0, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    directoryEntry(dir, 128, QStringLiteral("Workbook"), 2, NoStream, 0, std::uint32_t(streamSize));
    directoryEntry(dir, 256, QString(), 0, NoStream, 0, 0);
    directoryEntry(dir, 384, QString(), 0, NoStream, 0, 0);

    Sector fat(f * SectorSize);
    for (int i = 0; i < f * PerFatSector; ++i) {
        std::uint32_t entry = FreeSect;
        if (i < n - 1)
            entry = std::uint32_t(i + 1);
        else if (i == n - 1 || i == directory)
            entry = EndOfChain;
        else if (i >= firstFat && i < firstDifat)
            entry = FatSect;
        else if (i >= firstDifat && i < firstDifat + d)
            entry = DifSect;
        fat.u32(4 * i, entry);
    }

    Sector difat(d * SectorSize);
    for (int k = 0; k < d; ++k) {
        const int base = k * SectorSize;
        for (int j = 0; j < PerDifatSector; ++j) {
            const int fatNumber = HeaderFatPlaces + k * PerDifatSector + j;
            difat.u32(base + 4 * j, fatNumber < f ? std::uint32_t(firstFat + fatNumber) : FreeSect);
        }
        difat.u32(base + 4 * PerDifatSector, k + 1 < d ? std::uint32_t(firstDifat + k + 1) : EndOfChain);
    }

    const QByteArray padding(int(n * SectorSize - streamBytes), '\0');
    for (const QByteArray* part : {&padding, &dir.bytes(), &fat.bytes(), &difat.bytes()}) {
        if (device->write(*part) != part->size()) {
            *error = device->errorString();
            return false;
        }
    }
    if (!device->seek(0) || device->write(header.bytes()) != SectorSize) {
        *error = device->errorString();
        return false;
    }
    return true;
}

} // namespace CompoundFile
