// Drawing on Linux. The canvas is an off-screen QImage; the lock window shows
// a window image of its own into which the copies "to the window" go, each
// followed by a repaint of just that rectangle. The window image lives as
// long as the canvas bitmap: before the first copy of a lock and after its
// end the window shows its own black background.
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <vector>

#include "drawing_linux.h"
#include "wayland_screen.h"
#include "window_linux.h"

namespace {

struct Bitmap {
    QImage image;
    bool canvas;  // made by CreateCanvasBitmap (not the stock one)
};

struct Context {
    QWidget* window = nullptr;  // a window context
    Bitmap* selected = nullptr; // a memory context's bitmap
    QRgb background = qRgb(255, 255, 255);
};

Bitmap stockBitmap{QImage(1, 1, QImage::Format_RGB32), false};

// What the lock window shows, and the filter that paints the window from it.
class WindowImage : public QObject {
public:
    QWidget* window = nullptr;
    QImage image;

    bool eventFilter(QObject* object, QEvent* event) override {
        if (object != window || event->type() != QEvent::Paint || image.isNull()) return false;
        PaintWindowArea(window, &image, static_cast<QPaintEvent*>(event)->region());
        return true;
    }
};
WindowImage* windowImage = nullptr;

QWidget* WidgetOf(HWND window) {
    return QWidget::find(static_cast<WId>(reinterpret_cast<uintptr_t>(window)));
}

QImage* TargetImage(Context* context) {
    if (!context) return nullptr;
    if (context->window) {
        if (!windowImage) {
            windowImage = new WindowImage;
            windowImage->window = context->window;
            context->window->installEventFilter(windowImage);
        }
        if (windowImage->image.size() != context->window->size()) {
            QImage fresh(context->window->size(), QImage::Format_RGB32);
            fresh.fill(Qt::black);
            if (!windowImage->image.isNull()) QPainter(&fresh).drawImage(0, 0, windowImage->image);
            windowImage->image = fresh;
        }
        return &windowImage->image;
    }
    return context->selected && !context->selected->image.isNull() ? &context->selected->image : nullptr;
}

void Changed(Context* context, const QRect& area) {
    if (!context->window) return;
    context->window->update(area);
    NoteLockScreenChange(area);
}

void DropWindowImage() {
    if (!windowImage) return;
    QWidget* window = windowImage->window;
    if (window) {
        window->removeEventFilter(windowImage);
        window->update();
    }
    delete windowImage;
    windowImage = nullptr;
}

// A device-independent bitmap (BITMAPINFOHEADER, palette, rows bottom up) as
// a top-down image. 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel.
QImage FromDib(const void* bits, const void* info) {
    struct Header {
        uint32_t size;
        int32_t width, height;
        uint16_t planes, bitCount;
        uint32_t compression, sizeImage;
        int32_t xPels, yPels;
        uint32_t clrUsed, clrImportant;
    } header;
    std::memcpy(&header, info, sizeof header);
    if (header.width <= 0 || header.height == 0) return QImage();
    const bool bottomUp = header.height > 0;
    const int width = header.width;
    const int height = bottomUp ? header.height : -header.height;
    const int stride = ((width * header.bitCount + 31) / 32) * 4;
    const auto* pixels = static_cast<const uchar*>(bits);
    const auto* palette = static_cast<const uchar*>(info) + header.size;
    const int colours = header.clrUsed ? static_cast<int>(header.clrUsed)
                                       : (header.bitCount <= 8 ? 1 << header.bitCount : 0);
    QImage image;
    switch (header.bitCount) {
    case 32:
        image = QImage(pixels, width, height, stride, QImage::Format_RGB32);
        break;
    case 24:
        image = QImage(pixels, width, height, stride, QImage::Format_BGR888);
        break;
    case 16:
        image = QImage(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(pixels + y * stride);
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(((row[x] >> 10) & 31) * 255 / 31, ((row[x] >> 5) & 31) * 255 / 31,
                              (row[x] & 31) * 255 / 31);
        }
        break;
    case 8:
    case 4:
    case 1: {
        QVector<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table.push_back(qRgb(palette[i * 4 + 2], palette[i * 4 + 1], palette[i * 4]));
        image = QImage(width, height, QImage::Format_Indexed8);
        image.setColorTable(table);
        for (int y = 0; y < height; ++y) {
            const uchar* row = pixels + y * stride;
            uchar* out = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                int index;
                if (header.bitCount == 8) index = row[x];
                else if (header.bitCount == 4) index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
                else index = (row[x / 8] >> (7 - x % 8)) & 1;
                out[x] = static_cast<uchar>(index < colours ? index : 0);
            }
        }
        break;
    }
    default:
        return QImage();
    }
    return bottomUp ? image.mirrored(false, true) : image;
}

// The common case, a bottom-up DIB of 24 or 32 bits per pixel onto the
// 32-bit canvas, scaled by taking the nearest source pixel for every target
// pixel (what COLORONCOLOR does) straight from the rows: no intermediate
// image. False for anything else.
bool StretchTrueColour(QImage& target, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                       int32_t srcY, int32_t srcWidth, int32_t srcHeight, const void* bits, const void* info) {
    int32_t dibWidth, dibHeight;
    uint16_t bitCount;
    uint32_t compression;
    const auto* header = static_cast<const uchar*>(info);
    std::memcpy(&dibWidth, header + 4, 4);
    std::memcpy(&dibHeight, header + 8, 4);
    std::memcpy(&bitCount, header + 14, 2);
    std::memcpy(&compression, header + 16, 4);
    if ((bitCount != 24 && bitCount != 32) || compression != 0 || dibWidth <= 0 || dibHeight <= 0) return false;
    if (target.format() != QImage::Format_RGB32 || srcWidth <= 0 || srcHeight <= 0 || srcX < 0 || srcY < 0 ||
        srcX + srcWidth > dibWidth || srcY + srcHeight > dibHeight)
        return false;
    const int bytes = bitCount / 8;
    const int64_t stride = ((static_cast<int64_t>(dibWidth) * bitCount + 31) / 32) * 4;
    const int32_t left = std::max(0, x), right = std::min(target.width(), x + width);
    const int32_t top = std::max(0, y), bottom = std::min(target.height(), y + height);
    if (left >= right || top >= bottom) return true;
    std::vector<int32_t> columns(static_cast<size_t>(right - left));
    for (int32_t tx = left; tx < right; ++tx)
        columns[tx - left] = (srcX + static_cast<int32_t>(static_cast<int64_t>(tx - x) * srcWidth / width)) * bytes;
    const auto* pixels = static_cast<const uchar*>(bits);
    for (int32_t ty = top; ty < bottom; ++ty) {
        // Row r of the source rectangle counted from its top lies
        // srcY + srcHeight - 1 - r rows above the bitmap's bottom row.
        const int32_t r = static_cast<int32_t>(static_cast<int64_t>(ty - y) * srcHeight / height);
        const uchar* row = pixels + stride * (srcY + srcHeight - 1 - r);
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(ty)) + left;
        for (size_t i = 0; i < columns.size(); ++i) {
            const uchar* p = row + columns[i];
            out[i] = 0xFF000000u | static_cast<QRgb>(p[2]) << 16 | static_cast<QRgb>(p[1]) << 8 | p[0];
        }
    }
    return true;
}

// Copies a rectangle between two images, scaled when the sizes differ; the
// plain same-size copy between 32-bit images goes row by row.
void CopyPixels(QImage& target, const QRect& to, const QImage& source, const QRect& from) {
    if (to.size() == from.size() && target.format() == QImage::Format_RGB32 &&
        source.format() == QImage::Format_RGB32) {
        const QRect clipped = to.intersected(target.rect()).intersected(source.rect().translated(to.topLeft() - from.topLeft()));
        if (clipped.isEmpty()) return;
        const QPoint shift = from.topLeft() - to.topLeft();
        for (int ty = clipped.top(); ty <= clipped.bottom(); ++ty)
            std::memcpy(reinterpret_cast<QRgb*>(target.scanLine(ty)) + clipped.left(),
                        reinterpret_cast<const QRgb*>(source.constScanLine(ty + shift.y())) + clipped.left() + shift.x(),
                        static_cast<size_t>(clipped.width()) * sizeof(QRgb));
        return;
    }
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(to, source, from);
}

QRgb FromColorRef(uint32_t colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

}  // namespace

ScreenRect GetWindowScreenRect(HWND window) {
    QWidget* widget = WidgetOf(window);
    if (!widget) return ScreenRect{0, 0, 0, 0};
    // A full-screen window covers its screen even before the window manager
    // has answered the request.
    QRect area = widget->frameGeometry();
    if ((widget->windowState() & Qt::WindowFullScreen) && widget->screen()) area = widget->screen()->geometry();
    return ScreenRect{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()};
}

DrawContext GetWindowContext(HWND window) {
    auto* context = new Context;
    context->window = WidgetOf(window);
    return context;
}

void ReleaseWindowContext(HWND, DrawContext context) { delete static_cast<Context*>(context); }

DrawObject CreateCanvasBitmap(DrawContext, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return new Bitmap{QImage(), true};
    auto* bitmap = new Bitmap{QImage(width, height, QImage::Format_RGB32), true};
    bitmap->image.fill(Qt::black);
    return bitmap;
}

DrawContext CreateMemoryContext(DrawContext) {
    auto* context = new Context;
    context->selected = &stockBitmap;
    return context;
}

DrawObject SelectDrawObject(DrawContext handle, DrawObject object) {
    auto* context = static_cast<Context*>(handle);
    if (!context || !object) return nullptr;
    Bitmap* previous = context->selected;
    context->selected = static_cast<Bitmap*>(object);
    return previous;
}

void DeleteDrawObject(DrawObject object) {
    auto* bitmap = static_cast<Bitmap*>(object);
    if (!bitmap || bitmap == &stockBitmap) return;
    if (bitmap->canvas) DropWindowImage();
    delete bitmap;
}

void DeleteMemoryContext(DrawContext context) { delete static_cast<Context*>(context); }

void PatternFill(DrawContext handle, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
    auto* context = static_cast<Context*>(handle);
    QImage* target = TargetImage(context);
    if (!target || rop != kRopBlackness) return;
    QPainter(target).fillRect(QRect(x, y, width, height), Qt::black);
    Changed(context, QRect(x, y, width, height));
}

void SetStretchMode(DrawContext, int) {
    // Scaling always takes the nearest pixel (what COLORONCOLOR does).
}

void StretchDibToContext(DrawContext handle, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                         int32_t srcY, int32_t srcWidth, int32_t srcHeight, const void* bits, const void* info,
                         uint32_t, uint32_t) {
    auto* context = static_cast<Context*>(handle);
    QImage* target = TargetImage(context);
    if (!target || !bits || !info || width <= 0 || height <= 0) return;
    if (StretchTrueColour(*target, x, y, width, height, srcX, srcY, srcWidth, srcHeight, bits, info)) {
        Changed(context, QRect(x, y, width, height));
        return;
    }
    const QImage picture = FromDib(bits, info);
    if (picture.isNull()) return;
    // The source rectangle counts its rows from the bottom of the bitmap.
    const QRect source(srcX, picture.height() - srcY - srcHeight, srcWidth, srcHeight);
    QPainter painter(target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(x, y, width, height), picture, source);
    Changed(context, QRect(x, y, width, height));
}

void SetBackgroundColour(DrawContext handle, uint32_t colour) {
    if (auto* context = static_cast<Context*>(handle)) context->background = FromColorRef(colour);
}

void WriteText(DrawContext handle, int32_t x, int32_t y, const char* text, int32_t length) {
    auto* context = static_cast<Context*>(handle);
    QImage* target = TargetImage(context);
    if (!target || !text || length <= 0) return;
    // The system font's place: a plain font whose line fits the 15-pixel
    // band. The same line is written again with every copy to the window, so
    // the last one is kept ready as an image.
    static QString lastLine;
    static QRgb lastBackground = 0;
    static QImage lastImage;
    const QString line = QString::fromLatin1(text, length);
    if (lastImage.isNull() || line != lastLine || lastBackground != context->background) {
        QFont font = QGuiApplication::font();
        font.setPixelSize(12);
        const QFontMetrics metrics(font);
        lastImage = QImage(std::max(1, metrics.horizontalAdvance(line)), metrics.height(), QImage::Format_RGB32);
        lastImage.fill(QColor(context->background));
        QPainter painter(&lastImage);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(lastImage.rect(), Qt::AlignLeft | Qt::AlignVCenter, line);
        lastLine = line;
        lastBackground = context->background;
    }
    const QRect area(QPoint(x, y), lastImage.size());
    CopyPixels(*target, area, lastImage, lastImage.rect());
    Changed(context, area);
}

static void Copy(Context* target, const QRect& to, Context* source, const QRect& from) {
    QImage* targetImage = TargetImage(target);
    QImage* sourceImage = TargetImage(source);
    if (!targetImage || !sourceImage || to.width() <= 0 || to.height() <= 0) return;
    CopyPixels(*targetImage, to, *sourceImage, from);
    Changed(target, to);
}

void CopyBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
               int32_t srcX, int32_t srcY, uint32_t) {
    Copy(static_cast<Context*>(target), QRect(x, y, width, height), static_cast<Context*>(source),
         QRect(srcX, srcY, width, height));
}

void StretchBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
                  int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t) {
    Copy(static_cast<Context*>(target), QRect(x, y, width, height), static_cast<Context*>(source),
         QRect(srcX, srcY, srcWidth, srcHeight));
}

void SetPixelColour(DrawContext handle, int32_t x, int32_t y, uint32_t colour) {
    auto* context = static_cast<Context*>(handle);
    QImage* target = TargetImage(context);
    if (!target || x < 0 || y < 0 || x >= target->width() || y >= target->height()) return;
    target->setPixel(x, y, FromColorRef(colour));
    Changed(context, QRect(x, y, 1, 1));
}

const QImage* ImageOfBitmap(DrawObject object) {
    auto* bitmap = static_cast<Bitmap*>(object);
    return bitmap && bitmap != &stockBitmap ? &bitmap->image : nullptr;
}

const QImage* LockWindowImage() { return windowImage ? &windowImage->image : nullptr; }
