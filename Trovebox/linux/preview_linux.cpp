// StretchDIBits and SetStretchBltMode on a QPainter: the device-independent
// bitmap (header, colour table, rows bottom first, each padded to 4 bytes)
// is read into a QImage and drawn scaled into the destination rectangle.
#include <QImage>
#include <QPainter>

#include <cstring>

#include "dialog_window_port.h"

namespace {

struct DibHeader {  // BITMAPINFOHEADER
    uint32_t size;
    int32_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression, sizeImage;
    int32_t xPelsPerMeter, yPelsPerMeter;
    uint32_t colorsUsed, colorsImportant;
};

int Shift(uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++shift; }
    return shift;
}

uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    uint32_t max = mask >> Shift(mask);
    return static_cast<uint8_t>(((pixel & mask) >> Shift(mask)) * 255 / max);
}

QImage ReadDib(const void* bits, const void* info) {
    DibHeader header;
    std::memcpy(&header, info, sizeof header);
    const int w = header.width, h = header.height < 0 ? -header.height : header.height;
    const int bpp = header.bitCount;
    if (w <= 0 || h <= 0) return QImage();
    const auto* table = static_cast<const uint8_t*>(info) + header.size;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bpp == 16 && header.compression == 3) std::memcpy(masks, table, sizeof masks);
    const size_t pitch = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const auto* row = static_cast<const uint8_t*>(bits) + pitch * (header.height < 0 ? y : h - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: case 4: case 8: {
                int index = bpp == 8 ? row[x] : bpp == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF
                                                         : (row[x / 8] >> (7 - x % 8)) & 1;
                const uint8_t* quad = table + 4 * index;
                out[x] = qRgb(quad[2], quad[1], quad[0]);
                break;
            }
            case 16: {
                uint32_t pixel = row[2 * x] | (row[2 * x + 1] << 8);
                out[x] = qRgb(Channel(pixel, masks[0]), Channel(pixel, masks[1]), Channel(pixel, masks[2]));
                break;
            }
            case 24: out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            case 32: out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]); break;
            default: out[x] = qRgb(0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace

void SetStretchMode(PaintContext dc, int mode) {
    if (dc) static_cast<QPainter*>(dc)->setRenderHint(QPainter::SmoothPixmapTransform, mode == 4 /* HALFTONE */);
}

void StretchDib(PaintContext dc, int x, int y, int width, int height, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, const void* bits, const void* info, uint32_t, uint32_t) {
    if (!dc || !bits || !info) return;
    QImage image = ReadDib(bits, info);
    if (image.isNull()) return;
    // The source rectangle counts its rows from the bottom of the bitmap.
    QRect source(sourceX, image.height() - sourceY - sourceHeight, sourceWidth, sourceHeight);
    static_cast<QPainter*>(dc)->drawImage(QRect(x, y, width, height), image, source);
}
