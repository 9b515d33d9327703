// The list reader's encodings on arbitrary bytes. A file is either read whole
// or refused with a reason, never both; a text it read holds no NUL and no
// broken UTF-16, and reads back unchanged from each form a user's editor may
// save it in: UTF-16 little- and big-endian and UTF-8 with a byte-order mark,
// and UTF-8 without one, as the program itself writes lists.

#include "lists/PickListText.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdint>
#include <cstdlib>

static QByteArray encoded(const QString& text, QStringEncoder::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

static void mustReadBack(const QByteArray& bytes, const QString& text) {
    const PickListText::Decoded again = PickListText::decode(bytes);
    if (!again.problem.isEmpty() || again.text != text)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const PickListText::Decoded decoded = PickListText::decode(bytes);
    if (!decoded.problem.isEmpty()) {
        if (!decoded.text.isEmpty() || !decoded.problem.startsWith(QLatin1String("Line ")))
            std::abort();
        return 0;
    }
    const QString& text = decoded.text;
    if (text.contains(QChar(0)))
        std::abort();
    // No broken surrogate: UTF-8 holds exactly the same characters.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    if (utf8.decode(text.toUtf8()) != text)
        std::abort();
    mustReadBack(encoded(text, QStringEncoder::Utf16LE), text);
    mustReadBack(encoded(text, QStringEncoder::Utf16BE), text);
    mustReadBack(encoded(text, QStringEncoder::Utf8), text);
    // Without a mark, a leading U+FEFF is taken for one: the one text that
    // does not survive, by design of the format.
    if (!text.startsWith(QChar(0xFEFF)))
        mustReadBack(text.toUtf8(), text);
    return 0;
}
