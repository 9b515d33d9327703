#pragma once
// JPEG files made in memory with libjpeg, for the cases Qt's writer cannot
// make (CMYK, progressive scans).

#include <QByteArray>
#include <functional>

#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

struct JpegShape {
    int width = 1;
    int height = 1;
    int components = 3;
    J_COLOR_SPACE colourSpace = JCS_RGB;
    bool progressive = false;
    bool fullChroma = false; // 4:4:4 instead of the default subsampling
    int quality = 75;
};

// fill writes one line (width x components samples) of the given line number.
QByteArray encodeJpeg(const JpegShape& shape, const std::function<void(int line, JSAMPLE* samples)>& fill);
