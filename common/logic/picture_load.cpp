#include "picture_load.h"

#include <FreeImage.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// ---- header readers for the formats FreeImage cannot load without pixels ----

struct File {
    FILE* f;
    explicit File(const char* path) : f(std::fopen(path, "rb")) {}
    ~File() {
        if (f) std::fclose(f);
    }
    // Up to size bytes from offset; the count read.
    size_t Read(long offset, void* to, size_t size) {
        if (!f || std::fseek(f, offset, SEEK_SET) != 0) return 0;
        return std::fread(to, 1, size, f);
    }
    long Size() {
        if (!f || std::fseek(f, 0, SEEK_END) != 0) return 0;
        return std::ftell(f);
    }
};

uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
uint32_t Be16(const uint8_t* p) { return p[0] << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }

// GIF: the logical screen and the first image's own rectangle; the larger of
// the two is what a decoder may allocate.
bool GifSize(File& file, PictureHeader& h) {
    uint8_t b[13];
    if (file.Read(0, b, 13) != 13 || std::memcmp(b, "GIF", 3) != 0) return false;
    h.width = Le16(b + 6);
    h.height = Le16(b + 8);
    long at = 13;
    if (b[10] & 0x80) at += 3L << ((b[10] & 7) + 1);  // global colour table
    for (int blocks = 0; blocks < 4096; ++blocks) {
        uint8_t kind;
        if (file.Read(at, &kind, 1) != 1) return true;  // no image: the screen's size
        if (kind == 0x2C) {                             // image descriptor
            uint8_t d[9];
            if (file.Read(at + 1, d, 9) != 9) return true;
            h.width = std::max(h.width, Le16(d) + Le16(d + 4));
            h.height = std::max(h.height, Le16(d + 2) + Le16(d + 6));
            return true;
        }
        if (kind != 0x21) return true;  // trailer or garbage
        at += 2;                        // extension: label, then sub-blocks
        for (uint8_t size = 1; size != 0; at += size + 1)
            if (file.Read(at, &size, 1) != 1) return true;
    }
    return true;
}

// IFF/LBM: the BMHD chunk after "FORM" size "ILBM"/"PBM ".
bool IffSize(File& file, PictureHeader& h) {
    uint8_t b[24];
    if (file.Read(0, b, 24) != 24 || std::memcmp(b, "FORM", 4) != 0 || std::memcmp(b + 12, "BMHD", 4) != 0)
        return false;
    h.width = Be16(b + 20);
    h.height = Be16(b + 22);
    return true;
}

// MNG: the frame size of MHDR and the first embedded IHDR or JHDR.
bool MngSize(File& file, PictureHeader& h) {
    uint8_t b[24];
    if (file.Read(0, b, 24) != 24 || std::memcmp(b + 12, "MHDR", 4) != 0) return false;
    h.width = Be32(b + 16);
    h.height = Be32(b + 20);
    long at = 8;
    for (int chunks = 0; chunks < 1000; ++chunks) {
        uint8_t c[16];
        if (file.Read(at, c, 16) != 16) break;
        const uint32_t length = Be32(c);
        if (std::memcmp(c + 4, "IHDR", 4) == 0 || std::memcmp(c + 4, "JHDR", 4) == 0) {
            h.width = std::max(h.width, Be32(c + 8));
            h.height = std::max(h.height, Be32(c + 12));
            break;
        }
        if (length > 0x7FFFFFFF) break;
        at += 12 + static_cast<long>(length);
    }
    return true;
}

// WBMP: type 0, a header byte, then width and height as multi-byte numbers.
bool WbmpSize(File& file, PictureHeader& h) {
    uint8_t b[16];
    const size_t n = file.Read(0, b, sizeof b);
    if (n < 4 || b[0] != 0) return false;
    size_t at = 1;
    while (at < n && (b[at] & 0x80)) ++at;  // header and its extensions
    ++at;
    uint32_t values[2];
    for (uint32_t& v : values) {
        v = 0;
        int digits = 0;
        do {
            if (at >= n || ++digits > 5) return false;
            v = v << 7 | (b[at] & 0x7F);
        } while (b[at++] & 0x80);
    }
    h.width = values[0];
    h.height = values[1];
    return true;
}

// XBM: the "#define name_width N" and "#define name_height N" lines.
bool XbmSize(File& file, PictureHeader& h) {
    char text[1024];
    const size_t n = file.Read(0, text, sizeof text - 1);
    text[n] = '\0';
    const char* w = std::strstr(text, "_width");
    const char* hh = std::strstr(text, "_height");
    if (!w || !hh) return false;
    h.width = static_cast<uint32_t>(std::strtoul(w + 6, nullptr, 10));
    h.height = static_cast<uint32_t>(std::strtoul(hh + 7, nullptr, 10));
    return true;
}

// DDS: "DDS " then the header with height and width.
bool DdsSize(File& file, PictureHeader& h) {
    uint8_t b[20];
    if (file.Read(0, b, 20) != 20 || std::memcmp(b, "DDS ", 4) != 0) return false;
    h.height = Le32(b + 12);
    h.width = Le32(b + 16);
    return true;
}

// SGI: magic 474, then dimension count, x size, y size.
bool SgiSize(File& file, PictureHeader& h) {
    uint8_t b[12];
    if (file.Read(0, b, 12) != 12 || Be16(b) != 474) return false;
    h.width = Be16(b + 6);
    h.height = Be16(b + 8);
    return true;
}

// JPEG 2000 code stream: the SIZ segment right after SOC. A JP2 file holds
// the code stream in a box; its start is found by its SOC and SIZ markers.
bool J2kSize(File& file, PictureHeader& h) {
    uint8_t b[4096];
    const size_t n = file.Read(0, b, sizeof b);
    for (size_t at = 0; at + 24 <= n; ++at) {
        if (b[at] == 0xFF && b[at + 1] == 0x4F && b[at + 2] == 0xFF && b[at + 3] == 0x51) {
            const uint8_t* siz = b + at + 4;  // Lsiz, Rsiz, Xsiz, Ysiz, XOsiz, YOsiz
            const uint32_t x = Be32(siz + 4), y = Be32(siz + 8), x0 = Be32(siz + 12), y0 = Be32(siz + 16);
            h.width = x > x0 ? x - x0 : 0;
            h.height = y > y0 ? y - y0 : 0;
            return true;
        }
    }
    return false;
}

// PICT: the picture frame, after an optional 512-byte preamble (the one
// followed by a version opcode wins).
bool PictSize(File& file, PictureHeader& h) {
    for (long base : {512L, 0L}) {
        uint8_t b[14];
        if (file.Read(base, b, 14) != 14) continue;
        const bool version2 = Be16(b + 10) == 0x0011 && Be16(b + 12) == 0x02FF;
        const bool version1 = b[10] == 0x11 && b[11] == 0x01;
        if (!version1 && !version2 && base != 0) continue;
        const int32_t top = static_cast<int16_t>(Be16(b + 2)), left = static_cast<int16_t>(Be16(b + 4));
        const int32_t bottom = static_cast<int16_t>(Be16(b + 6)), right = static_cast<int16_t>(Be16(b + 8));
        h.width = right > left ? static_cast<uint32_t>(right - left) : 0;
        h.height = bottom > top ? static_cast<uint32_t>(bottom - top) : 0;
        return true;
    }
    return false;
}

// G3 fax pages carry no size: at most 2432 pixels a row, and a row takes at
// least one bit of the file.
bool G3Size(File& file, PictureHeader& h) {
    h.width = 2432;
    h.height = static_cast<uint32_t>(std::min<long>(file.Size(), 0x1FFFFFFF) * 8);
    h.bitsPerPixel = 1;
    return true;
}

bool OwnHeader(FREE_IMAGE_FORMAT format, const char* path, PictureHeader& h) {
    File file(path);
    if (!file.f) return false;
    switch (format) {
        case FIF_GIF:
            return GifSize(file, h);
        case FIF_IFF:
            return IffSize(file, h);
        case FIF_MNG:
            return MngSize(file, h);
        case FIF_WBMP:
            h.bitsPerPixel = 1;
            return WbmpSize(file, h);
        case FIF_XBM:
            h.bitsPerPixel = 1;
            return XbmSize(file, h);
        case FIF_DDS:
            return DdsSize(file, h);
        case FIF_SGI:
            return SgiSize(file, h);
        case FIF_J2K:
        case FIF_JP2:
            return J2kSize(file, h);
        case FIF_PICT:
            return PictSize(file, h);
        case FIF_FAXG3:
            return G3Size(file, h);
        case FIF_KOALA:
            h.width = 320;
            h.height = 200;
            return true;
        default:
            return false;  // a format this reader does not know is not decoded
    }
}

struct Unloader {
    void operator()(FIBITMAP* image) const { FreeImage_Unload(image); }
};
using Image = std::unique_ptr<FIBITMAP, Unloader>;

// JPEGs decode at 1/1, 1/2, 1/4 or 1/8 of their size: the smallest that
// still gives nine tenths of the target width and height. (Reducing the
// next larger one to the target would cost more than the decoding.)
uint32_t JpegScale(const PictureHeader& h, uint32_t targetWidth, uint32_t targetHeight) {
    uint32_t scale = 1;
    while (scale < 8 && uint64_t{h.width / (scale * 2)} * 10 >= uint64_t{targetWidth} * 9 &&
           uint64_t{h.height / (scale * 2)} * 10 >= uint64_t{targetHeight} * 9)
        scale *= 2;
    return scale;
}

// Any picture FreeImage decodes, as 24-bit colour (null when it has no such form).
Image To24Bits(Image image) {
    if (!image) return image;
    switch (FreeImage_GetImageType(image.get())) {
        case FIT_BITMAP:
            if (FreeImage_GetBPP(image.get()) == 24) return image;
            return Image(FreeImage_ConvertTo24Bits(image.get()));
        case FIT_RGB16:
        case FIT_RGBA16:
            return Image(FreeImage_ConvertTo24Bits(image.get()));
        case FIT_RGBF:
        case FIT_RGBAF: {
            Image mapped(FreeImage_ToneMapping(image.get(), FITMO_DRAGO03, 0, 0));
            return mapped ? To24Bits(std::move(mapped)) : Image();
        }
        default: {  // one channel of 16 or 32 bits, float, double, complex
            Image standard(FreeImage_ConvertToStandardType(image.get(), TRUE));
            return standard ? To24Bits(std::move(standard)) : Image();
        }
    }
}

}  // namespace

bool ReadPictureHeader(const char* path, PictureHeader& header) {
    header = PictureHeader();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path, 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path);
    if (format == FIF_UNKNOWN) return false;
    header.format = format;
    if (FreeImage_FIFSupportsNoPixels(format)) {
        Image bare(FreeImage_Load(format, path, FIF_LOAD_NOPIXELS));
        if (!bare) return false;
        header.width = FreeImage_GetWidth(bare.get());
        header.height = FreeImage_GetHeight(bare.get());
        header.bitsPerPixel = FreeImage_GetBPP(bare.get());
    } else if (!OwnHeader(format, path, header)) {
        return false;
    }
    return header.width > 0 && header.height > 0;
}

uint64_t DecodedBytes(const PictureHeader& h, uint32_t targetWidth, uint32_t targetHeight) {
    uint64_t width = h.width, height = h.height, bits = h.bitsPerPixel ? h.bitsPerPixel : 64;
    if (h.format == FIF_JPEG) {
        const uint32_t scale = JpegScale(h, targetWidth, targetHeight);
        width = (width + scale - 1) / scale;
        height = (height + scale - 1) / scale;
        bits = std::max<uint64_t>(bits, 24);  // colour JPEGs come as 24 bits
    }
    return (width * bits + 31) / 32 * 4 * height;
}

PixelSize FitInside(uint32_t width, uint32_t height, uint32_t fitWidth, uint32_t fitHeight) {
    double scale = 1.0;
    if (width > fitWidth) scale = static_cast<double>(fitWidth) / width;
    if (height * scale > fitHeight) scale = static_cast<double>(fitHeight) / height;
    const auto w = static_cast<uint32_t>(width * scale + 0.5), h = static_cast<uint32_t>(height * scale + 0.5);
    return PixelSize{std::max(1u, std::min(w, width)), std::max(1u, std::min(h, height))};
}

std::unique_ptr<PreparedPicture> PreparePicture(const char* path, const PictureHeader& header, uint32_t fitWidth,
                                                uint32_t fitHeight, uint32_t keepRows) {
    if (header.format < 0 || header.width == 0 || header.height == 0) return nullptr;
    if (static_cast<uint64_t>(header.width) * header.height > kMaxPicturePixels) return nullptr;
    const PixelSize target = FitInside(header.width, header.height, fitWidth, fitHeight);
    // The decoded pixels, their reduced copy at up to 8 bytes a pixel and the
    // 24-bit copy of that together stay within the working budget.
    const uint64_t work =
        DecodedBytes(header, target.width, target.height) + static_cast<uint64_t>(target.width) * target.height * 11;
    if (work > kPictureWorkBytes) return nullptr;

    const auto format = static_cast<FREE_IMAGE_FORMAT>(header.format);
    int flags = 0;
    const uint32_t scale = format == FIF_JPEG ? JpegScale(header, target.width, target.height) : 1;
    if (scale > 1) {
        // The size hint: the decoder picks the smallest of its scales whose
        // longer side still reaches it.
        const uint32_t longer = std::max(header.width, header.height);
        flags = static_cast<int>(std::min<uint32_t>((longer + scale - 1) / scale, 0xFFFF)) << 16;
    }
    Image image(FreeImage_Load(format, path, flags));
    if (!image) return nullptr;
    // The file may hold something else than its header said.
    const uint32_t decodedWidth = FreeImage_GetWidth(image.get()), decodedHeight = FreeImage_GetHeight(image.get());
    if (decodedWidth == 0 || decodedHeight == 0 ||
        static_cast<uint64_t>(decodedWidth) * decodedHeight > kMaxPicturePixels)
        return nullptr;

    // Reduced only where the decoder left it larger than the target.
    const PixelSize reduced = FitInside(decodedWidth, decodedHeight, fitWidth, fitHeight);
    if (reduced.width != decodedWidth || reduced.height != decodedHeight)
        image.reset(FreeImage_Rescale(image.get(), static_cast<int>(reduced.width), static_cast<int>(reduced.height),
                                      FILTER_BOX));
    image = To24Bits(std::move(image));
    if (!image) return nullptr;

    auto prepared = std::make_unique<PreparedPicture>();
    prepared->sourceWidth = header.width;
    prepared->sourceHeight = header.height;
    prepared->width = FreeImage_GetWidth(image.get());
    prepared->fullHeight = FreeImage_GetHeight(image.get());
    // keepRows counts rows at the target's width; a JPEG decoded a little
    // narrower keeps as large a share.
    const uint64_t keep = keepRows == UINT32_MAX ? keepRows : uint64_t{keepRows} * prepared->width / target.width + 1;
    prepared->height = static_cast<uint32_t>(std::min<uint64_t>(prepared->fullHeight, std::max<uint64_t>(1, keep)));
    const uint32_t stride = (prepared->width * 3 + 3) / 4 * 4;
    const uint32_t pitch = FreeImage_GetPitch(image.get());
    prepared->bits.resize(static_cast<size_t>(stride) * prepared->height);
    // Rows are held bottom first: the kept top rows are the last ones.
    const BYTE* source = FreeImage_GetBits(image.get());
    const uint32_t skipped = prepared->fullHeight - prepared->height;
    for (uint32_t row = 0; row < prepared->height; ++row)
        std::memcpy(prepared->bits.data() + static_cast<size_t>(row) * stride,
                    source + static_cast<size_t>(row + skipped) * pitch, prepared->width * 3);

    uint8_t* info = prepared->info;
    auto put32 = [info](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) info[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, prepared->width);
    put32(8, prepared->height);
    info[12] = 1;   // planes
    info[14] = 24;  // bits per pixel; compression 0 (BI_RGB)
    put32(20, static_cast<uint32_t>(prepared->bits.size()));
    return prepared;
}
