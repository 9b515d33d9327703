// The workbook's shared string table on arbitrary texts and lengths: the
// texts go into a Workbook as the report puts them there, the table is
// written, and a reader that follows the record format (SST, CONTINUE with
// its own option byte, EXTSST) must get every text back exactly, with every
// EXTSST entry pointing at a string's header.

#include "export/BiffStream.h"
#include "export/SharedStrings.h"
#include "export/Workbook.h"

#include <QtEndian>
#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

struct Reader {
    const QByteArray& b;
    int record = 0; // offset of the current record's header
    int pos = 0;    // next data byte
    int end = 0;    // end of the current record's data

    std::uint16_t u16(int at) const { return qFromLittleEndian<quint16>(b.constData() + at); }
    void enter(int at, std::uint16_t id) {
        if (at + 4 > b.size() || u16(at) != id || u16(at + 2) > BiffStream::MaxData)
            std::abort();
        record = at;
        pos = at + 4;
        end = pos + u16(at + 2);
        if (end > b.size())
            std::abort();
    }
    int byte() {
        if (pos >= end)
            std::abort();
        return std::uint8_t(b[pos++]);
    }
    // Two bytes, low first: read in two statements, since the order in which
    // the operands of one expression are evaluated is unspecified.
    int word() {
        const int low = byte();
        return low | (byte() << 8);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // Texts separated by a zero byte; a leading byte repeats the first text
    // to reach lengths beyond what the fuzzer tries by itself.
    if (size == 0)
        return 0;
    const int repeat = data[0];
    QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\0');
    Workbook book;
    for (int i = 0; i < parts.size(); ++i) {
        QString text = QString::fromUtf8(parts[i]);
        if (i == 0 && !text.isEmpty())
            text = text.repeated(1 + repeat * repeat);
        book.setText(i, 0, text);
    }
    const QVector<QString>& texts = book.texts();

    BiffStream out;
    SharedStrings::write(out, texts, std::uint32_t(texts.size()));
    const QByteArray& b = out.bytes();
    Reader r{b};
    r.enter(0, 0x00FC);
    r.pos += 4;
    const quint32 count = qFromLittleEndian<quint32>(b.constData() + r.pos);
    r.pos += 4;
    if (count != quint32(texts.size()))
        std::abort();
    std::set<int> headers;
    for (quint32 i = 0; i < count; ++i) {
        if (r.pos + 3 > r.end)
            r.enter(r.end, 0x003C); // a header never starts in a record without room for it
        headers.insert(r.pos);
        const int length = r.word();
        bool wide = r.byte() & 1;
        QString text;
        while (text.size() < length) {
            if (r.pos == r.end) {
                r.enter(r.end, 0x003C);
                wide = r.byte() & 1;
            }
            char16_t unit = char16_t(r.byte());
            if (wide)
                unit |= char16_t(r.byte() << 8);
            text += QChar(unit);
        }
        if (text != texts[int(i)])
            std::abort();
    }
    if (r.pos != r.end)
        std::abort();
    r.enter(r.end, 0x00FF);
    const int perBucket = r.word();
    if (perBucket < 8)
        std::abort();
    for (int e = 0; r.pos < r.end; ++e) {
        const quint32 offset = qFromLittleEndian<quint32>(b.constData() + r.pos);
        const int inRecord = r.u16(r.pos + 4);
        r.pos += 8;
        if (!headers.count(int(offset)) || inRecord <= 0 || int(offset) - inRecord < 0 ||
            (r.u16(int(offset) - inRecord) != 0x00FC && r.u16(int(offset) - inRecord) != 0x003C))
            std::abort();
        (void)e;
    }
    return 0;
}
