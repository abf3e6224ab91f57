// A stand-in FreeImage.dll for running the Windows programs and tests under
// Wine. It is built for the tests only and never shipped: the product uses
// the real FreeImage library.
//
// What it supports: recognising BMP, JPEG, PNG and GIF files by content and
// by extension; loading uncompressed BMP files (1, 4, 8, 16 (5-5-5), 24 and
// 32 bits per pixel, bottom-up or top-down, header alone with
// FIF_LOAD_NOPIXELS); conversion to 24 and 32 bits; nearest-pixel rescaling;
// saving as BMP. Other formats are recognised but not decoded (Load gives
// null, Save FALSE), as a FreeImage build without that plugin would answer.
#define FREEIMAGE_EXPORTS
#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Image {
    std::vector<BYTE> dib;  // BITMAPINFOHEADER, palette, rows bottom up
    unsigned paletteBytes = 0;
    bool pixels = true;
};

Image* Of(FIBITMAP* bitmap) { return bitmap ? static_cast<Image*>(bitmap->data) : nullptr; }

BITMAPINFOHEADER* Header(Image* image) { return reinterpret_cast<BITMAPINFOHEADER*>(image->dib.data()); }

unsigned Pitch(unsigned width, unsigned bpp) { return ((width * bpp + 31) / 32) * 4; }

FIBITMAP* Make(unsigned width, unsigned height, unsigned bpp, unsigned colours, bool pixels) {
    auto* image = new Image;
    image->paletteBytes = colours * 4;
    image->pixels = pixels;
    image->dib.assign(sizeof(BITMAPINFOHEADER) + image->paletteBytes + (pixels ? Pitch(width, bpp) * height : 0), 0);
    BITMAPINFOHEADER* h = Header(image);
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = static_cast<LONG>(width);
    h->biHeight = static_cast<LONG>(height);
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bpp);
    h->biCompression = 0;
    h->biSizeImage = Pitch(width, bpp) * height;
    h->biClrUsed = colours;
    auto* bitmap = new FIBITMAP;
    bitmap->data = image;
    return bitmap;
}

uint32_t Read32(const std::vector<BYTE>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Read16(const std::vector<BYTE>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

bool ReadFile(const char* path, std::vector<BYTE>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    BYTE buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return true;
}

// The colour of pixel (x, y) of any depth as B, G, R.
void PixelAt(Image* image, unsigned x, unsigned y, BYTE* bgr) {
    BITMAPINFOHEADER* h = Header(image);
    const unsigned bpp = h->biBitCount;
    const BYTE* row = image->dib.data() + sizeof(BITMAPINFOHEADER) + image->paletteBytes + Pitch(h->biWidth, bpp) * y;
    const BYTE* palette = image->dib.data() + sizeof(BITMAPINFOHEADER);
    unsigned index = 0;
    switch (bpp) {
    case 32: case 24:
        std::memcpy(bgr, row + x * (bpp / 8), 3);
        return;
    case 16: {
        const unsigned v = row[x * 2] | row[x * 2 + 1] << 8;
        bgr[0] = static_cast<BYTE>((v & 31) * 255 / 31);
        bgr[1] = static_cast<BYTE>(((v >> 5) & 31) * 255 / 31);
        bgr[2] = static_cast<BYTE>(((v >> 10) & 31) * 255 / 31);
        return;
    }
    case 8: index = row[x]; break;
    case 4: index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15; break;
    case 1: index = (row[x / 8] >> (7 - x % 8)) & 1; break;
    }
    if (index * 4 + 3 < image->paletteBytes) std::memcpy(bgr, palette + index * 4, 3);
    else bgr[0] = bgr[1] = bgr[2] = 0;
}

FIBITMAP* ConvertTo(FIBITMAP* bitmap, unsigned bpp) {
    Image* source = Of(bitmap);
    if (!source || !source->pixels) return nullptr;
    const unsigned width = Header(source)->biWidth, height = Header(source)->biHeight;
    FIBITMAP* result = Make(width, height, bpp, 0, true);
    Image* target = Of(result);
    BYTE* bits = target->dib.data() + sizeof(BITMAPINFOHEADER);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            BYTE* out = bits + Pitch(width, bpp) * y + x * (bpp / 8);
            PixelAt(source, x, y, out);
            if (bpp == 32) out[3] = 0xFF;
        }
    return result;
}

}  // namespace

FREE_IMAGE_FORMAT DLL_CALLCONV FreeImage_GetFileType(const char* filename, int) {
    FILE* file = std::fopen(filename, "rb");
    if (!file) return FIF_UNKNOWN;
    BYTE head[8] = {};
    const size_t n = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (n >= 2 && head[0] == 'B' && head[1] == 'M') return FIF_BMP;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return FIF_JPEG;
    if (n >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) return FIF_PNG;
    if (n >= 4 && std::memcmp(head, "GIF8", 4) == 0) return FIF_GIF;
    return FIF_UNKNOWN;
}

FREE_IMAGE_FORMAT DLL_CALLCONV FreeImage_GetFIFFromFilename(const char* filename) {
    if (!filename) return FIF_UNKNOWN;
    const char* dot = std::strrchr(filename, '.');
    if (!dot) return FIF_UNKNOWN;
    std::string ext;
    for (const char* p = dot + 1; *p; ++p) ext += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
    if (ext == "bmp") return FIF_BMP;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jif") return FIF_JPEG;
    if (ext == "png") return FIF_PNG;
    if (ext == "gif") return FIF_GIF;
    return FIF_UNKNOWN;
}

BOOL DLL_CALLCONV FreeImage_FIFSupportsNoPixels(FREE_IMAGE_FORMAT fif) { return fif == FIF_BMP; }

FIBITMAP* DLL_CALLCONV FreeImage_Load(FREE_IMAGE_FORMAT fif, const char* filename, int flags) {
    if (fif != FIF_BMP) return nullptr;
    std::vector<BYTE> file;
    if (!ReadFile(filename, file) || file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') return nullptr;
    const uint32_t offset = Read32(file, 10), headerSize = Read32(file, 14);
    const int32_t width = static_cast<int32_t>(Read32(file, 18));
    const int32_t signedHeight = static_cast<int32_t>(Read32(file, 22));
    const unsigned bpp = Read16(file, 28);
    const uint32_t compression = Read32(file, 30);
    uint32_t colours = Read32(file, 46);
    if (headerSize < 40 || width <= 0 || signedHeight == 0 || compression != 0) return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
    if (bpp <= 8 && (colours == 0 || colours > (1u << bpp))) colours = 1u << bpp;
    if (bpp > 8) colours = 0;
    const unsigned height = static_cast<unsigned>(signedHeight < 0 ? -signedHeight : signedHeight);
    const bool pixels = !(flags & FIF_LOAD_NOPIXELS);
    if (pixels && static_cast<unsigned long long>(width) * height > 100000000ull) return nullptr;
    FIBITMAP* bitmap = Make(static_cast<unsigned>(width), height, bpp, colours, pixels);
    Image* image = Of(bitmap);
    BYTE* palette = image->dib.data() + sizeof(BITMAPINFOHEADER);
    const size_t paletteAt = 14 + headerSize;
    for (size_t i = 0; i < colours * 4 && paletteAt + i < file.size(); ++i) palette[i] = file[paletteAt + i];
    if (pixels) {
        // Rows the file lacks stay black, as a short read leaves them.
        const unsigned pitch = Pitch(width, bpp);
        BYTE* bits = palette + colours * 4;
        for (unsigned y = 0; y < height; ++y) {
            const size_t from = offset + static_cast<size_t>(pitch) * y;
            const unsigned row = signedHeight < 0 ? height - 1 - y : y;
            if (from >= file.size()) break;
            std::memcpy(bits + static_cast<size_t>(pitch) * row, file.data() + from,
                        std::min<size_t>(pitch, file.size() - from));
        }
    }
    return bitmap;
}

BOOL DLL_CALLCONV FreeImage_Save(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const char* filename, int) {
    Image* image = Of(dib);
    if (fif != FIF_BMP || !image || !image->pixels) return FALSE;
    FILE* file = std::fopen(filename, "wb");
    if (!file) return FALSE;
    BYTE header[14] = {'B', 'M'};
    const uint32_t size = static_cast<uint32_t>(14 + image->dib.size());
    const uint32_t offset = 14 + sizeof(BITMAPINFOHEADER) + image->paletteBytes;
    std::memcpy(header + 2, &size, 4);
    std::memcpy(header + 10, &offset, 4);
    const bool ok = std::fwrite(header, 1, 14, file) == 14 &&
                    std::fwrite(image->dib.data(), 1, image->dib.size(), file) == image->dib.size();
    return std::fclose(file) == 0 && ok ? TRUE : FALSE;
}

void DLL_CALLCONV FreeImage_Unload(FIBITMAP* dib) {
    if (!dib) return;
    delete Of(dib);
    delete dib;
}

unsigned DLL_CALLCONV FreeImage_GetWidth(FIBITMAP* dib) { return Of(dib) ? Header(Of(dib))->biWidth : 0; }
unsigned DLL_CALLCONV FreeImage_GetHeight(FIBITMAP* dib) { return Of(dib) ? Header(Of(dib))->biHeight : 0; }
unsigned DLL_CALLCONV FreeImage_GetBPP(FIBITMAP* dib) { return Of(dib) ? Header(Of(dib))->biBitCount : 0; }
unsigned DLL_CALLCONV FreeImage_GetPitch(FIBITMAP* dib) {
    return Of(dib) ? Pitch(Header(Of(dib))->biWidth, Header(Of(dib))->biBitCount) : 0;
}
BYTE* DLL_CALLCONV FreeImage_GetBits(FIBITMAP* dib) {
    Image* image = Of(dib);
    if (!image || !image->pixels) return nullptr;
    return image->dib.data() + sizeof(BITMAPINFOHEADER) + image->paletteBytes;
}
BITMAPINFO* DLL_CALLCONV FreeImage_GetInfo(FIBITMAP* dib) {
    return Of(dib) ? reinterpret_cast<BITMAPINFO*>(Of(dib)->dib.data()) : nullptr;
}
FREE_IMAGE_TYPE DLL_CALLCONV FreeImage_GetImageType(FIBITMAP* dib) { return Of(dib) ? FIT_BITMAP : FIT_UNKNOWN; }
BOOL DLL_CALLCONV FreeImage_HasPixels(FIBITMAP* dib) { return Of(dib) && Of(dib)->pixels ? TRUE : FALSE; }

FIBITMAP* DLL_CALLCONV FreeImage_ConvertTo24Bits(FIBITMAP* dib) { return ConvertTo(dib, 24); }
FIBITMAP* DLL_CALLCONV FreeImage_ConvertTo32Bits(FIBITMAP* dib) { return ConvertTo(dib, 32); }
FIBITMAP* DLL_CALLCONV FreeImage_ConvertToStandardType(FIBITMAP* src, BOOL) { return ConvertTo(src, 24); }

FIBITMAP* DLL_CALLCONV FreeImage_Rescale(FIBITMAP* dib, int width, int height, FREE_IMAGE_FILTER) {
    Image* source = Of(dib);
    if (!source || !source->pixels || width <= 0 || height <= 0) return nullptr;
    const unsigned bpp = Header(source)->biBitCount == 32 ? 32 : 24;
    const unsigned sw = Header(source)->biWidth, sh = Header(source)->biHeight;
    FIBITMAP* result = Make(width, height, bpp, 0, true);
    BYTE* bits = Of(result)->dib.data() + sizeof(BITMAPINFOHEADER);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE* out = bits + Pitch(width, bpp) * y + x * (bpp / 8);
            PixelAt(source, static_cast<unsigned>(x) * sw / width, static_cast<unsigned>(y) * sh / height, out);
            if (bpp == 32) out[3] = 0xFF;
        }
    return result;
}

FIBITMAP* DLL_CALLCONV FreeImage_Allocate(int width, int height, int bpp, unsigned, unsigned, unsigned) {
    if (width <= 0 || height <= 0) return nullptr;
    return Make(width, height, bpp, bpp <= 8 ? 1u << bpp : 0, true);
}

FIBITMAP* DLL_CALLCONV FreeImage_AllocateT(FREE_IMAGE_TYPE type, int width, int height, int bpp, unsigned red,
                                           unsigned green, unsigned blue) {
    // Only ordinary bitmaps are known here.
    return type == FIT_BITMAP ? FreeImage_Allocate(width, height, bpp, red, green, blue) : nullptr;
}

FREE_IMAGE_COLOR_TYPE DLL_CALLCONV FreeImage_GetColorType(FIBITMAP* dib) {
    Image* image = Of(dib);
    if (!image) return FIC_RGB;
    unsigned bpp = Header(image)->biBitCount;
    if (bpp == 32) return FIC_RGBALPHA;
    return bpp <= 8 ? FIC_PALETTE : FIC_RGB;
}

FIBITMAP* DLL_CALLCONV FreeImage_ToneMapping(FIBITMAP*, FREE_IMAGE_TMO, double, double) { return nullptr; }
