#include "lists/PickListText.h"

#include <QStringDecoder>

PickListText::Decoded PickListText::decode(const QByteArray& bytes) {
    // A Windows-1251 list cannot start with these pairs in practice: they
    // read "яю" and "юя".
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.mid(2), false);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.mid(2), true);
    return decodeEightBit(bytes);
}

PickListText::Decoded PickListText::decodeUtf16(const QByteArray& bytes, bool bigEndian) {
    // Decoded by hand: the result must keep every unit as the file has it, so
    // that a broken sequence is found here rather than replaced.
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i) {
        const uchar first = data[2 * i];
        const uchar second = data[2 * i + 1];
        text[i] = QChar(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    const auto refused = [&](qsizetype at, const char* what) {
        return Decoded{QString(),
                       QStringLiteral("Line %1 %2").arg(lineAt(text, at)).arg(QLatin1String(what))};
    };
    for (qsizetype i = 0; i < units; ++i) {
        if (text[i].isNull())
            return refused(i, "holds a NUL character");
        if (text[i].isHighSurrogate() && i + 1 < units && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return refused(i, "is not valid UTF-16 text");
    }
    if (bytes.size() % 2 != 0) // the last character cut in half
        return refused(units, "is not valid UTF-16 text");
    return {text, QString()};
}

PickListText::Decoded PickListText::decodeEightBit(const QByteArray& bytes) {
    // Line breaks and NUL are the same byte in UTF-8 and Windows-1251, so
    // positions can be counted on the bytes as they are.
    const auto refused = [&](qsizetype at, const char* what) {
        const qsizetype line = lineAt(QString::fromLatin1(bytes), at);
        return Decoded{QString(), QStringLiteral("Line %1 %2").arg(line).arg(QLatin1String(what))};
    };
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        return refused(nul, "holds a NUL character");

    QString text;
    QStringDecoder cp1251("windows-1251", QStringDecoder::Flag::Stateless);
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (;;) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line(bytes.constData() + start, end - start);
        // Every line is decoded as a text of its own: without ConvertInitialBom
        // the decoder would drop a U+FEFF that begins any line, not only the
        // file's byte-order mark skipped above.
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString decoded = utf8.decode(line);
        if (utf8.hasError()) {
            decoded = cp1251.decode(line);
            // Windows-1251 leaves the byte 0x98 undefined; Qt reads it as the
            // control character U+0098, which no other byte becomes.
            const qsizetype undefined = decoded.indexOf(QChar(0x98));
            if (undefined >= 0)
                return refused(start + undefined, "is neither UTF-8 nor Windows-1251 text");
        }
        text += decoded;
        if (end == bytes.size())
            break;
        text += u'\n';
        start = end + 1;
    }
    return {text, QString()};
}

qsizetype PickListText::lineAt(const QString& text, qsizetype position) {
    // Breaks as the list reader counts them: CR, LF, or the pair CR LF.
    qsizetype line = 1;
    for (qsizetype i = 0; i < position && i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}
