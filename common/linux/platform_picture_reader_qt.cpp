// Linux: Qt's image reader, for the files Debian's FreeImage refuses. Its
// allocation limit is set to what the caller allows, so a file cannot make
// it take more than FreeImage would have been allowed.
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cstring>

#include "platform_picture_reader_port.h"

bool ReadWithPlatformReader(const char* path, uint32_t width, uint32_t height, uint32_t targetWidth,
                            uint32_t targetHeight, uint64_t limitBytes, uint8_t* bits, uint32_t pitch) {
    if (!path || !bits || targetWidth == 0 || targetHeight == 0) return false;
    // The limit is in whole megabytes; below one the reader is not used.
    const uint64_t megabytes = limitBytes / (1024 * 1024);
    if (megabytes == 0) return false;
    QImageReader::setAllocationLimit(static_cast<int>(std::min<uint64_t>(megabytes, 1024)));
    QImageReader reader(QString::fromLocal8Bit(path));
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || static_cast<uint32_t>(size.width()) != width ||
        static_cast<uint32_t>(size.height()) != height)
        return false;
    QImage image = reader.read();
    if (image.isNull() || image.width() != size.width() || image.height() != size.height()) return false;
    if (targetWidth != width || targetHeight != height)
        image = image.scaled(static_cast<int>(targetWidth), static_cast<int>(targetHeight), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_RGB888);
    if (image.isNull() || static_cast<uint32_t>(image.width()) != targetWidth ||
        static_cast<uint32_t>(image.height()) != targetHeight)
        return false;
    for (uint32_t y = 0; y < targetHeight; ++y) {
        const uchar* from = image.constScanLine(static_cast<int>(y));
        uint8_t* to = bits + static_cast<size_t>(targetHeight - 1 - y) * pitch;
        for (uint32_t x = 0; x < targetWidth; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return true;
}
