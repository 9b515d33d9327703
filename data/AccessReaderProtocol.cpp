#include "data/AccessReaderProtocol.h"

#include "data/Currency.h"

#include <QDate>
#include <cstring>

namespace AccessReaderProtocol {

namespace {

// How each value of a row frame starts.
enum ValueTag : char { Null, Integer, Money, Date, Text, Boolean, Real };

template <typename T> void put(QByteArray* out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T)); // both ends run on the same machine
    out->append(bytes, sizeof(T));
}

void putText(QByteArray* out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    put<quint32>(out, quint32(utf8.size()));
    out->append(utf8);
}

QByteArray frame(Tag tag, const QByteArray& payload) {
    QByteArray out;
    out.append(char(tag));
    put<quint32>(&out, quint32(payload.size()));
    out.append(payload);
    return out;
}

// Reads a payload front to back; every read past its end fails and sticks.
class Cursor {
  public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}
    template <typename T> T take() {
        T value{};
        if (!has(sizeof(T)))
            return value;
        std::memcpy(&value, m_bytes.constData() + m_at, sizeof(T));
        m_at += qsizetype(sizeof(T));
        return value;
    }
    QString takeText() {
        const quint32 size = take<quint32>();
        if (!has(size))
            return QString();
        const QString text = QString::fromUtf8(m_bytes.constData() + m_at, qsizetype(size));
        m_at += qsizetype(size);
        return text;
    }
    void fail() { m_ok = false; }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_ok && m_at == m_bytes.size(); }

  private:
    bool has(size_t size) {
        m_ok = m_ok && size <= size_t(m_bytes.size() - m_at);
        return m_ok;
    }
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

void putValue(QByteArray* out, const QVariant& value) {
    const QMetaType type = value.metaType();
    if (!value.isValid()) {
        out->append(Null);
    } else if (type == QMetaType::fromType<Currency>()) {
        out->append(Money);
        put<qint64>(out, value.value<Currency>().units());
    } else if (type == QMetaType::fromType<QDate>()) {
        out->append(Date);
        put<qint64>(out, value.toDate().toJulianDay());
    } else if (type == QMetaType::fromType<bool>()) {
        out->append(Boolean);
        put<quint8>(out, value.toBool() ? 1 : 0);
    } else if (type == QMetaType::fromType<double>()) {
        out->append(Real);
        put<double>(out, value.toDouble());
    } else if (type == QMetaType::fromType<int>()) {
        out->append(Integer);
        put<qint32>(out, value.toInt());
    } else {
        out->append(Text);
        putText(out, value.toString());
    }
}

QVariant takeValue(Cursor* in) {
    switch (in->take<char>()) {
    case Null:
        return QVariant();
    case Integer:
        return in->take<qint32>();
    case Money:
        return QVariant::fromValue(Currency::fromUnits(in->take<qint64>()));
    case Date: {
        const QDate date = QDate::fromJulianDay(in->take<qint64>());
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case Text:
        return in->takeText();
    case Boolean:
        return in->take<quint8>() != 0;
    case Real:
        return in->take<double>();
    default:
        in->fail(); // an unknown value tag spoils the frame
        return QVariant();
    }
}

} // namespace

QByteArray headerFrame(const Header& header) {
    QByteArray payload;
    put<qint64>(&payload, header.declaredRows);
    put<quint32>(&payload, quint32(header.names.size()));
    for (int i = 0; i < header.names.size(); ++i) {
        put<quint8>(&payload, quint8(header.kinds.value(i, RowSource::Kind::Other)));
        putText(&payload, header.names[i]);
    }
    return frame(Tag::Header, payload);
}

QByteArray rowFrame(const QVector<QVariant>& row) {
    QByteArray payload;
    for (const QVariant& value : row)
        putValue(&payload, value);
    return frame(Tag::Row, payload);
}

QByteArray endFrame() {
    return frame(Tag::End, QByteArray());
}

QByteArray errorFrame(bool damaged, const QString& message) {
    QByteArray payload;
    put<quint8>(&payload, damaged ? 1 : 0);
    putText(&payload, message);
    return frame(Tag::Error, payload);
}

Tag frameTag(const QByteArray& bytes) {
    return Tag(bytes.at(0));
}

quint32 payloadLength(const QByteArray& bytes) {
    quint32 length;
    std::memcpy(&length, bytes.constData() + 1, sizeof length);
    return length;
}

bool decodeHeader(const QByteArray& payload, Header* header) {
    Cursor in(payload);
    header->declaredRows = in.take<qint64>();
    const quint32 columns = in.take<quint32>();
    header->names.clear();
    header->kinds.clear();
    // Each column takes at least five bytes, so a huge count fails on the bytes.
    for (quint32 i = 0; i < columns && in.ok(); ++i) {
        const quint8 kind = in.take<quint8>();
        header->kinds << (kind <= quint8(RowSource::Kind::Other) ? RowSource::Kind(kind)
                                                                 : RowSource::Kind::Other);
        header->names << in.takeText();
    }
    return in.atEnd() && header->declaredRows >= 0;
}

bool decodeRow(const QByteArray& payload, int columns, QVector<QVariant>* row) {
    Cursor in(payload);
    row->resize(columns);
    for (int i = 0; i < columns && in.ok(); ++i)
        (*row)[i] = takeValue(&in);
    return in.atEnd();
}

bool decodeError(const QByteArray& payload, bool* damaged, QString* message) {
    Cursor in(payload);
    *damaged = in.take<quint8>() != 0;
    *message = in.takeText();
    return in.atEnd();
}

} // namespace AccessReaderProtocol
