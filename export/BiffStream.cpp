#include "export/BiffStream.h"

#include <QIODevice>
#include <QtEndian>
#include <cstring>

char* BiffStream::grow(int count) {
    // Appending a few bytes at a time through QByteArray::append costs an
    // insert each; the buffer is reserved, so growing it is cheap.
    const qsizetype at = m_bytes.size();
    m_bytes.resize(at + count);
    return m_bytes.data() + at;
}

void BiffStream::u16(std::uint16_t v) {
    qToLittleEndian(v, grow(2));
}

void BiffStream::u32(std::uint32_t v) {
    qToLittleEndian(v, grow(4));
}

void BiffStream::f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian(bits, grow(8));
}

void BiffStream::patchU16(int offset, std::uint16_t v) {
    qToLittleEndian(v, m_bytes.data() + (offset - m_base));
}

void BiffStream::patchU32(int offset, std::uint32_t v) {
    qToLittleEndian(v, m_bytes.data() + (offset - m_base));
}

void BiffStream::setSink(QIODevice* sink, int base) {
    m_sink = sink;
    m_base = base;
}

bool BiffStream::flush() {
    if (!m_sink || m_bytes.isEmpty())
        return m_sinkError.isEmpty();
    if (m_sinkError.isEmpty() && m_sink->write(m_bytes) != m_bytes.size())
        m_sinkError = m_sink->errorString();
    m_base += m_bytes.size();
    m_bytes.clear();
    m_bytes.reserve(FlushSize + MaxData + 4);
    return m_sinkError.isEmpty();
}

bool BiffStream::fitsCompressed(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

void BiffStream::characters(const QString& text, int from, int count, bool compressed) {
    const QChar* c = text.constData() + from;
    if (compressed) {
        char* out = grow(count);
        for (int i = 0; i < count; ++i)
            out[i] = char(c[i].unicode());
    } else {
        char* out = grow(2 * count);
        for (int i = 0; i < count; ++i)
            qToLittleEndian(c[i].unicode(), out + 2 * i);
    }
}

void BiffStream::unicodeString(const QString& text) {
    const bool compressed = fitsCompressed(text);
    u16(std::uint16_t(text.size()));
    u8(compressed ? 0 : 1);
    characters(text, 0, int(text.size()), compressed);
}

void BiffStream::shortUnicodeString(const QString& text) {
    const QString t = text.left(255);
    const bool compressed = fitsCompressed(t);
    u8(std::uint8_t(t.size()));
    u8(compressed ? 0 : 1);
    characters(t, 0, int(t.size()), compressed);
}

void BiffStream::begin(std::uint16_t id) {
    u16(id);
    m_open = int(m_bytes.size());
    u16(0);
}

void BiffStream::end() {
    const int length = int(m_bytes.size()) - m_open - 2;
    if (length > MaxData)
        m_overlong = true;
    qToLittleEndian(std::uint16_t(length), m_bytes.data() + m_open);
    m_open = -1;
}

void BiffStream::record(std::uint16_t id, const QByteArray& data) {
    begin(id);
    raw(data);
    end();
}

void BiffStream::emptyRecord(std::uint16_t id) {
    u16(id);
    u16(0);
}

void BiffStream::bof(Substream type) {
    begin(0x0809);
    u16(0x0600); // BIFF8
    u16(type);
    u16(0x0DBB); // build
    u16(0x07CC); // year
    u32(0);      // file history
    u32(6);      // lowest BIFF version
    end();
}
