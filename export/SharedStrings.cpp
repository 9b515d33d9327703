#include "export/SharedStrings.h"

#include "export/BiffStream.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint16_t Sst = 0x00FC;
constexpr std::uint16_t Continue = 0x003C;
constexpr std::uint16_t ExtSst = 0x00FF;

struct BucketStart {
    int offset;       // stream offset of the string's header
    int recordOffset; // stream offset of the header of the record holding it
};

class Writer {
  public:
    explicit Writer(BiffStream& out) : m_out(out) {}

    void open(std::uint16_t id) {
        m_record = m_out.size();
        m_out.begin(id);
    }
    int room() const { return BiffStream::MaxData - (m_out.size() - m_record - 4); }
    void next() {
        m_out.end();
        open(Continue);
    }
    int recordStart() const { return m_record; }
    void close() { m_out.end(); }

  private:
    BiffStream& m_out;
    int m_record = 0;
};

} // namespace

namespace SharedStrings {

void write(BiffStream& out, const QVector<QString>& strings, std::uint32_t cellCount) {
    const int count = int(strings.size());
    const int perBucket = std::max(8, (count + 127) / 128);
    std::vector<BucketStart> buckets;

    Writer w(out);
    w.open(Sst);
    out.u32(cellCount);
    out.u32(std::uint32_t(count));
    for (int i = 0; i < count; ++i) {
        const QString& s = strings[i];
        const bool compressed = BiffStream::fitsCompressed(s);
        const int unit = compressed ? 1 : 2;
        // The header and the first character stay together.
        if (w.room() < 3 + (s.isEmpty() ? 0 : unit))
            w.next();
        if (i % perBucket == 0)
            buckets.push_back({out.size(), w.recordStart()});
        out.u16(std::uint16_t(s.size()));
        out.u8(compressed ? 0 : 1);
        int done = 0;
        while (done < s.size()) {
            int fit = std::min(int(s.size()) - done, w.room() / unit);
            if (fit == 0) {
                w.next();
                out.u8(compressed ? 0 : 1);
                continue;
            }
            out.characters(s, done, fit, compressed);
            done += fit;
        }
    }
    w.close();

    out.begin(ExtSst);
    out.u16(std::uint16_t(perBucket));
    for (const BucketStart& b : buckets) {
        out.u32(std::uint32_t(b.offset));
        out.u16(std::uint16_t(b.offset - b.recordOffset));
        out.u16(0);
    }
    out.end();
}

} // namespace SharedStrings
