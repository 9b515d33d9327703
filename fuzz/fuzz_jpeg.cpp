// The photo decode path on arbitrary bytes, with its scan, pixel and memory
// limits: any file must end in a picture or a message, never in a crash, a
// hang or unbounded memory.

#include "photos/JpegDecoder.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    JpegDecoder decoder;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (decoder.decodeData(bytes, 185)) {
        if (decoder.picture().isNull() || decoder.picture().height() != 185 ||
            decoder.picture().width() > JpegDecoder::MaxPictureWidth)
            std::abort();
    } else if (decoder.errorString().isEmpty()) {
        std::abort();
    }
    return 0;
}
