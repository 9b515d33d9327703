// The pick-list reader on arbitrary bytes: what the window would make of any
// file put in place of a list. No entry may hold a line break or a NUL, and a
// text the reader produced must read back unchanged once written as the
// program writes lists (UTF-8).

#include "lists/PickListFile.h"
#include "lists/PickListText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const PickListText::Decoded decoded = PickListText::decode(bytes);
    if (!decoded.problem.isEmpty())
        return 0; // not read whole: never listed, never written back
    const QString text = PickListFile::normaliseBreaks(decoded.text);
    if (text.contains(QChar(0)) || text.contains(u'\r'))
        std::abort();
    const QStringList entries = PickListFile::splitEntries(text);
    for (const QString& entry : entries)
        if (entry.contains(u'\n') || entry.contains(u'\r'))
            std::abort();
    // A leading U+FEFF is taken for a byte-order mark when read again: the one
    // text that does not survive, by design of the format.
    if (!text.startsWith(QChar(0xFEFF)) && PickListText::decode(text.toUtf8()).text != text)
        std::abort();
    return 0;
}
