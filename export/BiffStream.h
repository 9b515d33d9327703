#pragma once
// The byte stream of a BIFF8 workbook under construction: little-endian
// values, strings in the format's two forms, and records (a 2-byte id, a
// 2-byte length, at most MaxData bytes of data). Every part of the writer
// appends to one BiffStream, so stream offsets are simply its size. A small
// BiffStream also serves to build one record's data before it is written.

#include <QByteArray>
#include <QString>
#include <cstdint>

class QIODevice;

class BiffStream {
  public:
    static constexpr int MaxData = 8224;

    // Offsets and sizes count from the start of the stream, flushed bytes included.
    int size() const { return int(m_base + m_bytes.size()); }
    const QByteArray& bytes() const { return m_bytes; }
    QByteArray take() { return std::move(m_bytes); }
    void reserve(int bytes) { m_bytes.reserve(bytes); }

    void u8(std::uint8_t v) { m_bytes.append(char(v)); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void f64(double v);
    void raw(const QByteArray& data) { m_bytes.append(data); }
    void zeros(int count) { m_bytes.append(count, '\0'); }
    // Streaming to a device, so that a large sheet is never held whole:
    // flush() hands the bytes so far to the sink, between records only.
    // base is the stream offset of the first byte written here.
    void setSink(QIODevice* sink, int base);
    bool flush();
    bool flushWhenFull() { return m_bytes.size() < FlushSize || flush(); }
    QString sinkError() const { return m_sinkError; }
    // Patches only bytes not yet flushed.
    void patchU16(int offset, std::uint16_t v);
    void patchU32(int offset, std::uint32_t v);

    // A text whose code units all fit in one byte is stored "compressed"
    // (Latin-1), any other as UTF-16LE.
    static bool fitsCompressed(const QString& text);
    void characters(const QString& text, int from, int count, bool compressed);
    // XLUnicodeString: 2-byte count, option byte, characters.
    void unicodeString(const QString& text);
    // ShortXLUnicodeString: 1-byte count (at most 255), option byte, characters.
    void shortUnicodeString(const QString& text);

    // Records: begin() writes the header, end() fills in the length. A record
    // longer than MaxData is a writer fault; it is counted and reported by
    // the assembler rather than written silently.
    void begin(std::uint16_t id);
    void end();
    void record(std::uint16_t id, const QByteArray& data);
    // The BOF record that opens a substream.
    enum Substream : std::uint16_t { Globals = 0x0005, Worksheet = 0x0010 };
    void bof(Substream type);
    void emptyRecord(std::uint16_t id);
    bool overlong() const { return m_overlong; }

  private:
    static constexpr int FlushSize = 1 << 16;
    char* grow(int count); // room for count more bytes at the end
    QByteArray m_bytes;
    QIODevice* m_sink = nullptr;
    qint64 m_base = 0;
    QString m_sinkError;
    int m_open = -1;
    bool m_overlong = false;
};
