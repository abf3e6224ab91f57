#include "picture_load.h"

#include <FreeImage.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform_picture_reader_port.h"

namespace {

// ---- header readers for the formats FreeImage reads too much of, or
// cannot read without pixels ----

// A file read through a window of 64 KB: header readers walk chunk and
// marker structures that may be spread over the whole file.
class File {
public:
    explicit File(const char* path) : f(std::fopen(path, "rb")) {}
    ~File() {
        if (f) std::fclose(f);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Up to size bytes from offset; the count read.
    size_t Read(int64_t offset, void* to, size_t size) {
        if (!f || offset < 0) return 0;
        if (size > sizeof window_) {
            if (!Seek(offset)) return 0;
            windowCount_ = 0;
            return std::fread(to, 1, size, f);
        }
        if (offset < windowStart_ || offset + static_cast<int64_t>(size) > windowStart_ + windowCount_) {
            windowCount_ = 0;
            if (!Seek(offset)) return 0;
            windowStart_ = offset;
            windowCount_ = static_cast<int64_t>(std::fread(window_, 1, sizeof window_, f));
        }
        const int64_t available = std::max<int64_t>(0, windowStart_ + windowCount_ - offset);
        const size_t count = static_cast<size_t>(std::min<int64_t>(available, static_cast<int64_t>(size)));
        std::memcpy(to, window_ + (offset - windowStart_), count);
        return count;
    }
    bool ReadAll(int64_t offset, void* to, size_t size) { return Read(offset, to, size) == size; }
    int64_t Size() {
        if (size_ < 0) {
            size_ = 0;
            if (f && SeekEnd()) size_ = Tell();
        }
        return size_;
    }

    FILE* f;

private:
#ifdef _WIN32
    bool Seek(int64_t offset) { return _fseeki64(f, offset, SEEK_SET) == 0; }
    bool SeekEnd() { return _fseeki64(f, 0, SEEK_END) == 0; }
    int64_t Tell() { return _ftelli64(f); }
#else
    bool Seek(int64_t offset) { return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0; }
    bool SeekEnd() { return fseeko(f, 0, SEEK_END) == 0; }
    int64_t Tell() { return static_cast<int64_t>(ftello(f)); }
#endif
    uint8_t window_[65536];
    int64_t windowStart_ = 0, windowCount_ = 0;
    int64_t size_ = -1;
};

uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
uint32_t Be16(const uint8_t* p) { return p[0] << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }

uint64_t Area(uint64_t width, uint64_t height) { return width * height; }

// The bytes the zlib stream of length bytes at offset inflates to, counted
// without keeping them, up to just over limit. A stream that breaks off
// counts what came out before.
uint64_t InflatedSize(File& file, int64_t offset, uint64_t length, uint64_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return limit + 1;
    uint8_t in[16384], out[65536];
    uint64_t produced = 0;
    for (;;) {
        if (stream.avail_in == 0 && length > 0) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(length, sizeof in));
            if (!file.ReadAll(offset, in, take)) break;
            offset += static_cast<int64_t>(take);
            length -= take;
            stream.next_in = in;
            stream.avail_in = static_cast<uInt>(take);
        }
        stream.next_out = out;
        stream.avail_out = sizeof out;
        const int result = inflate(&stream, Z_NO_FLUSH);
        produced += sizeof out - stream.avail_out;
        if (produced > limit || result == Z_STREAM_END || (result != Z_OK && result != Z_BUF_ERROR)) break;
        // Out of input with room left in the output: the stream broke off.
        if (stream.avail_in == 0 && length == 0 && stream.avail_out != 0) break;
    }
    inflateEnd(&stream);
    return produced;
}

// The bits a pixel takes as FreeImage holds a PNG of this bit depth and
// colour type; 0 for a combination PNG does not allow.
uint32_t PngBitsPerPixel(uint32_t depth, uint32_t colourType) {
    const bool wide = depth == 16;
    switch (colourType) {
        case 0:  // grey
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 ? 8 : wide ? 16 : 0;
        case 2:  // RGB
            return depth == 8 ? 24 : wide ? 48 : 0;
        case 3:  // palette
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 ? 8 : 0;
        case 4:  // grey and alpha: held as RGBA
        case 6:  // RGBA
            return depth == 8 ? 32 : wide ? 64 : 0;
        default:
            return 0;
    }
}

// What an ancillary PNG chunk costs the decoder: compressed text and
// profiles as they inflate (after the keyword, and in iTXt the flags and
// tags), everything else as long as it is.
uint64_t PngAncillaryCost(File& file, const uint8_t* type, int64_t data, uint32_t length, uint64_t limit) {
    int64_t stream = -1;  // where a compressed part starts
    uint8_t head[256];
    const size_t headSize = file.Read(data, head, std::min<size_t>(length, sizeof head));
    const uint8_t* keywordEnd = static_cast<const uint8_t*>(std::memchr(head, 0, std::min<size_t>(headSize, 80)));
    if (keywordEnd) {
        const size_t afterKeyword = static_cast<size_t>(keywordEnd - head) + 1;
        if (std::memcmp(type, "zTXt", 4) == 0 || std::memcmp(type, "iCCP", 4) == 0) {
            stream = data + static_cast<int64_t>(afterKeyword) + 1;  // compression method
        } else if (std::memcmp(type, "iTXt", 4) == 0 && afterKeyword + 2 <= headSize && head[afterKeyword]) {
            // compressed: flag, method, language tag, translated keyword, text
            size_t at = afterKeyword + 2;
            for (int tags = 0; tags < 2 && at < headSize; ++tags) {
                const void* end = std::memchr(head + at, 0, headSize - at);
                at = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - head) + 1 : headSize + 1;
            }
            if (at <= headSize)
                stream = data + static_cast<int64_t>(at);
            else
                return limit + 1;  // tags longer than any text decoder keeps in one piece: refused
        }
    }
    if (stream < 0 || stream > data + length) return length;
    return length + InflatedSize(file, stream, static_cast<uint64_t>(data + length - stream), limit);
}

// PNG chunks from at (the IHDR: after the signature, or inside an MNG) to
// IEND: the IHDR's size and depth, and what the ancillary chunks cost. False
// when the IHDR is not first or is broken, or the chunks run past the end of
// the file before IEND. *end is the offset after IEND.
bool PngChunks(File& file, int64_t at, PictureHeader& h, uint64_t budget, int64_t* end) {
    const int64_t fileSize = file.Size();
    bool first = true;
    for (;;) {
        uint8_t c[8];
        if (!file.ReadAll(at, c, 8)) return false;
        const uint32_t length = Be32(c);
        const uint8_t* type = c + 4;
        const int64_t data = at + 8;
        if (length > 0x7FFFFFFFu || data + length + 4 > fileSize) return false;
        if (first) {
            uint8_t d[13];
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13 || !file.ReadAll(data, d, 13)) return false;
            h.width = Be32(d);
            h.height = Be32(d + 4);
            h.bitsPerPixel = PngBitsPerPixel(d[8], d[9]);
            if (h.bitsPerPixel == 0) return false;
            first = false;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            if (end) *end = data + length + 4;
            return true;
        } else if (type[0] & 0x20) {  // ancillary
            h.sideBytes += PngAncillaryCost(file, type, data, length, budget);
            if (h.sideBytes > budget) return true;  // over in any case: no need to read on
        }
        at = data + length + 4;  // data and CRC
    }
}

bool PngSize(File& file, PictureHeader& h, uint64_t budget) {
    uint8_t signature[8];
    if (!file.ReadAll(0, signature, 8) || std::memcmp(signature, "\x89PNG\r\n\x1A\n", 8) != 0) return false;
    return PngChunks(file, 8, h, budget, nullptr);
}

// JPEG: the markers from SOI to the first scan. The frame (SOF) gives the
// size; a progressive frame, or a first scan that does not hold every
// component, makes the decoder keep every coefficient of the picture at full
// size whatever the scale (2 bytes each); the application and comment
// segments are kept as they are.
bool JpegSize(File& file, PictureHeader& h) {
    uint8_t b[4];
    if (!file.ReadAll(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8) return false;
    int64_t at = 2;
    bool frame = false, progressive = false;
    uint32_t components = 0, maxH = 1, maxV = 1;
    for (;;) {
        uint8_t marker[2];
        if (!file.ReadAll(at, marker, 2) || marker[0] != 0xFF) return false;
        if (marker[1] == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        at += 2;
        const uint8_t m = marker[1];
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no segment
        if (m == 0xD8 || m == 0xD9) return false;             // SOI again, or EOI before any scan
        if (!file.ReadAll(at, b, 2)) return false;
        const uint32_t length = Be16(b);
        if (length < 2) return false;
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (frame) return false;  // one frame only
            uint8_t f[6 + 3 * 4];
            if (length < 8 || !file.ReadAll(at + 2, f, 6)) return false;
            h.height = Be16(f + 1);
            h.width = Be16(f + 3);
            components = f[5];
            if (components == 0 || components > 4 || length < 8 + 3 * components ||
                !file.ReadAll(at + 8, f + 6, 3 * components))
                return false;
            for (uint32_t i = 0; i < components; ++i) {
                maxH = std::max<uint32_t>(maxH, f[6 + 3 * i + 1] >> 4);
                maxV = std::max<uint32_t>(maxV, f[6 + 3 * i + 1] & 15);
            }
            progressive = m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE;
            frame = true;
        } else if (m == 0xDA) {  // start of scan: the header ends here
            if (!frame || !file.ReadAll(at + 2, b, 1)) return false;
            if (progressive || b[0] < components) {
                const uint64_t blockWidth = 8ull * maxH, blockHeight = 8ull * maxV;
                const uint64_t width = (h.width + blockWidth - 1) / blockWidth * blockWidth;
                const uint64_t height = (h.height + blockHeight - 1) / blockHeight * blockHeight;
                h.sideBytes += Area(width, height) * components * 2;
            }
            h.bitsPerPixel = components == 1 ? 8 : components == 4 ? 32 : 24;
            return true;
        } else if ((m >= 0xE0 && m <= 0xEF) || m == 0xFE) {
            h.sideBytes += length;
        }
        at += length;
    }
}

// BMP: the file header and the info header of any version. Headers later
// than the 40-byte one (the V4 and V5 that current programs write) may be
// read by the platform's reader, which holds 32 bits a pixel.
bool BmpSize(File& file, PictureHeader& h) {
    uint8_t b[32];
    if (!file.ReadAll(0, b, 32) || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t headerSize = Le32(b + 14);
    uint32_t bits = 0;
    if (headerSize == 12) {  // OS/2 1.x
        h.width = Le16(b + 18);
        h.height = Le16(b + 20);
        bits = Le16(b + 24);
    } else if (headerSize == 16 || headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        uint8_t c[4];
        if (!file.ReadAll(30, c, 4)) return false;
        const int32_t width = static_cast<int32_t>(Le32(b + 18));
        const int32_t height = static_cast<int32_t>(Le32(b + 22));
        if (width <= 0 || height == 0 || height == INT32_MIN) return false;
        h.width = static_cast<uint32_t>(width);
        h.height = static_cast<uint32_t>(height < 0 ? -height : height);
        bits = Le16(b + 28);
        if (headerSize >= 40 && (Le32(c) == 4 || Le32(c) == 5)) return false;  // JPEG or PNG inside
    } else {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    h.bitsPerPixel = headerSize > 40 && headerSize != 64 ? (bits > 8 ? 32 : 8) : bits;
    return h.width > 0 && h.height > 0;
}

// GIF: every block up to the first image, whose own size is what the
// decoder produces. The extensions before it are kept (comments); a logical
// screen larger than the image is counted too, in case the decoder lays the
// image out on it. No image: refused.
bool GifSize(File& file, PictureHeader& h) {
    uint8_t b[13];
    if (!file.ReadAll(0, b, 13) || std::memcmp(b, "GIF", 3) != 0) return false;
    const uint32_t screenWidth = Le16(b + 6), screenHeight = Le16(b + 8);
    int64_t at = 13;
    if (b[10] & 0x80) at += 3LL << ((b[10] & 7) + 1);  // global colour table
    uint64_t extensions = 0;
    for (;;) {
        uint8_t kind;
        if (!file.ReadAll(at, &kind, 1)) return false;
        if (kind == 0x2C) {  // image descriptor
            uint8_t d[9];
            if (!file.ReadAll(at + 1, d, 9)) return false;
            h.width = Le16(d + 4);
            h.height = Le16(d + 6);
            h.bitsPerPixel = 8;
            const uint64_t screen = Area(screenWidth, screenHeight);
            h.sideBytes = extensions + (screen > Area(h.width, h.height) ? screen : 0);
            return h.width > 0 && h.height > 0;
        }
        if (kind != 0x21) return false;  // the trailer or garbage before any image
        at += 2;                         // extension: label, then sub-blocks
        for (uint8_t size = 1; size != 0; at += size + 1) {
            if (!file.ReadAll(at, &size, 1)) return false;
            extensions += size;
        }
    }
}

// IFF/LBM: "FORM", its size, "ILBM" or "PBM ", then chunks up to the BMHD,
// which must be whole. A second BMHD (the decoder would allocate again) is
// refused.
bool IffSize(File& file, PictureHeader& h) {
    uint8_t b[12];
    if (!file.ReadAll(0, b, 12) || std::memcmp(b, "FORM", 4) != 0 ||
        (std::memcmp(b + 8, "ILBM", 4) != 0 && std::memcmp(b + 8, "PBM ", 4) != 0))
        return false;
    const int64_t end = std::min<int64_t>(file.Size(), 8 + static_cast<int64_t>(Be32(b + 4)));
    bool found = false;
    for (int64_t at = 12; at + 8 <= end;) {
        uint8_t c[8];
        if (!file.ReadAll(at, c, 8)) return false;
        const uint32_t length = Be32(c + 4);  // the chunk id, then its length
        if (at + 8 + static_cast<int64_t>(length) > end) return false;
        if (std::memcmp(c, "BMHD", 4) == 0) {
            uint8_t d[20];
            if (found || length < 20 || !file.ReadAll(at + 8, d, 20)) return false;
            h.width = Be16(d);
            h.height = Be16(d + 2);
            const uint32_t planes = d[8] + (d[9] & 1);
            if (planes > 8 && planes != 24) return false;  // the decoder takes no other depth
            h.bitsPerPixel = planes > 8 ? 24 : 8;
            found = true;
        }
        at += 8 + length + (length & 1);
    }
    return found;
}

// MNG: every chunk up to the first embedded image (IHDR or JHDR), which is
// what the decoder produces, whatever the frame size in MHDR says. The
// embedded stream is copied whole before it is decoded. No image: refused.
bool MngSize(File& file, PictureHeader& h, uint64_t budget) {
    uint8_t b[16];
    if (!file.ReadAll(0, b, 16) || std::memcmp(b + 1, "MNG", 3) != 0 || std::memcmp(b + 12, "MHDR", 4) != 0)
        return false;
    const int64_t fileSize = file.Size();
    for (int64_t at = 8;;) {
        uint8_t c[8];
        if (!file.ReadAll(at, c, 8)) return false;
        const uint32_t length = Be32(c);
        if (length > 0x7FFFFFFFu || at + 12 + static_cast<int64_t>(length) > fileSize) return false;
        if (std::memcmp(c + 4, "IHDR", 4) == 0) {
            int64_t end = 0;
            if (!PngChunks(file, at, h, budget, &end)) return false;
            h.sideBytes += static_cast<uint64_t>(end - at);
            return true;
        }
        if (std::memcmp(c + 4, "JHDR", 4) == 0) {
            uint8_t d[16];
            if (length < 16 || !file.ReadAll(at + 8, d, 16)) return false;
            h.width = Be32(d);
            h.height = Be32(d + 4);
            h.bitsPerPixel = 32;
            // The JPEG stream inside, copied, and progressive (interlace 8):
            // its coefficients.
            h.sideBytes += static_cast<uint64_t>(fileSize - at);
            if (d[11] != 0) h.sideBytes += Area(h.width + 7, h.height + 7) * 3 * 2;
            return true;
        }
        if (std::memcmp(c + 4, "MEND", 4) == 0) return false;
        at += 12 + static_cast<int64_t>(length);
    }
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

// JPEG 2000: the SIZ segment right after the code stream's SOC. A raw code
// stream starts with it; a JP2 file holds the code stream in its top-level
// "jp2c" box, found by walking the boxes (never by searching for the markers,
// which any earlier box may hold). The decoder keeps every component as
// 32-bit samples besides the bitmap it makes.
bool SizSegment(File& file, int64_t at, PictureHeader& h) {
    uint8_t b[4 + 38];
    if (!file.ReadAll(at, b, sizeof b) || Be16(b) != 0xFF4F || Be16(b + 2) != 0xFF51) return false;
    const uint8_t* siz = b + 4;  // Lsiz, Rsiz, Xsiz, Ysiz, XOsiz, YOsiz, tiles, Csiz
    const uint32_t x = Be32(siz + 4), y = Be32(siz + 8), x0 = Be32(siz + 12), y0 = Be32(siz + 16);
    const uint32_t components = Be16(siz + 36);
    if (x <= x0 || y <= y0 || components == 0 || components > 16384) return false;
    h.width = x - x0;
    h.height = y - y0;
    uint32_t depth = 8;
    uint64_t planes = 0;
    for (uint32_t i = 0; i < components; ++i) {
        uint8_t c[3];  // Ssiz, XRsiz, YRsiz
        if (!file.ReadAll(at + 4 + 38 + 3 * static_cast<int64_t>(i), c, 3) || c[1] == 0 || c[2] == 0) return false;
        if ((c[0] & 0x7F) + 1 > 8) depth = 16;
        planes += Area((h.width + c[1] - 1) / c[1], (h.height + c[2] - 1) / c[2]) * 4;
    }
    h.bitsPerPixel = std::min<uint32_t>(components, 4) * depth;
    h.sideBytes += planes;
    return true;
}

bool J2kSize(File& file, PictureHeader& h) { return SizSegment(file, 0, h); }

bool Jp2Size(File& file, PictureHeader& h) {
    const int64_t fileSize = file.Size();
    for (int64_t at = 0; at + 8 <= fileSize;) {
        uint8_t b[16];
        if (!file.ReadAll(at, b, 8)) return false;
        int64_t length = Be32(b), header = 8;
        if (length == 1) {  // the length follows as 64 bits
            if (!file.ReadAll(at + 8, b + 8, 8)) return false;
            const uint64_t extended = static_cast<uint64_t>(Be32(b + 8)) << 32 | Be32(b + 12);
            if (extended > static_cast<uint64_t>(fileSize)) return false;
            length = static_cast<int64_t>(extended);
            header = 16;
        } else if (length == 0) {  // to the end of the file
            length = fileSize - at;
        }
        if (length < header || at + length > fileSize) return false;
        if (std::memcmp(b + 4, "jp2c", 4) == 0) return SizSegment(file, at + header, h);
        at += length;
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

// The header readers of this file, by format; false for a format they do
// not read (*known false).
bool OwnHeader(FREE_IMAGE_FORMAT format, const char* path, PictureHeader& h, uint64_t budget, bool* known) {
    *known = true;
    File file(path);
    if (!file.f) return false;
    switch (format) {
        case FIF_PNG:
            return PngSize(file, h, budget);
        case FIF_JPEG:
            return JpegSize(file, h);
        case FIF_BMP:
            return BmpSize(file, h);
        case FIF_GIF:
            return GifSize(file, h);
        case FIF_IFF:
            return IffSize(file, h);
        case FIF_MNG:
            return MngSize(file, h, budget);
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
            return J2kSize(file, h);
        case FIF_JP2:
            return Jp2Size(file, h);
        case FIF_PICT:
            return PictSize(file, h);
        case FIF_FAXG3:
            h.sizeIsBound = true;
            return G3Size(file, h);
        case FIF_KOALA:
            h.width = 320;
            h.height = 200;
            return true;
        default:
            *known = false;
            return false;
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

bool ReadPictureHeader(const char* path, PictureHeader& header, uint64_t budget) {
    header = PictureHeader();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path, 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path);
    if (format == FIF_UNKNOWN) return false;
    header.format = format;
    bool known = false;
    if (OwnHeader(format, path, header, budget, &known)) return header.width > 0 && header.height > 0;
    if (known || !FreeImage_FIFSupportsNoPixels(format))
        return false;  // a format no reader here reads is not decoded
    header = PictureHeader();
    header.format = format;
    Image bare(FreeImage_Load(format, path, FIF_LOAD_NOPIXELS));
    if (!bare) return false;
    header.width = FreeImage_GetWidth(bare.get());
    header.height = FreeImage_GetHeight(bare.get());
    header.bitsPerPixel = FreeImage_GetBPP(bare.get());
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

bool DecodedAsDeclared(const PictureHeader& h, uint32_t width, uint32_t height, uint32_t jpegScale) {
    if (width == 0 || height == 0) return false;
    if (h.sizeIsBound) return width <= h.width && height <= h.height;
    const uint32_t scale = std::max(1u, jpegScale);
    return width == (h.width + scale - 1) / scale && height == (h.height + scale - 1) / scale;
}

FIBITMAP* LoadDeclaredPicture(const char* path, const PictureHeader& header, uint32_t jpegScale, uint32_t fitWidth,
                              uint32_t fitHeight, uint64_t limitBytes) {
    const auto format = static_cast<FREE_IMAGE_FORMAT>(header.format);
    int flags = 0;
    if (format == FIF_JPEG && jpegScale > 1) {
        // The size hint: the decoder divides the longer side by the hint and
        // takes the largest of 2, 4 and 8 that the quotient reaches, so the
        // hint is the longer side divided by the scale, rounded down.
        const uint32_t longer = std::max(header.width, header.height);
        flags = static_cast<int>(std::min<uint32_t>(std::max(1u, longer / jpegScale), 0xFFFF)) << 16;
    } else {
        jpegScale = 1;
    }
    if (FIBITMAP* image = FreeImage_Load(format, path, flags)) {
        // The file may hold something else than its header said: dropped.
        if (DecodedAsDeclared(header, FreeImage_GetWidth(image), FreeImage_GetHeight(image), jpegScale)) return image;
        FreeImage_Unload(image);
        return nullptr;
    }
    // FreeImage refused the file: the platform's reader, if it has one, reads
    // it reduced to the fit.
    const PixelSize target = FitInside(header.width, header.height, fitWidth, fitHeight);
    Image reduced(FreeImage_Allocate(static_cast<int>(target.width), static_cast<int>(target.height), 24));
    if (!reduced ||
        !ReadWithPlatformReader(path, header.width, header.height, target.width, target.height, limitBytes,
                                FreeImage_GetBits(reduced.get()), FreeImage_GetPitch(reduced.get())))
        return nullptr;
    return reduced.release();
}

PixelSize FitInside(uint32_t width, uint32_t height, uint32_t fitWidth, uint32_t fitHeight) {
    double scale = 1.0;
    if (width > fitWidth) scale = static_cast<double>(fitWidth) / width;
    if (height * scale > fitHeight) scale = static_cast<double>(fitHeight) / height;
    const auto w = static_cast<uint32_t>(width * scale + 0.5), h = static_cast<uint32_t>(height * scale + 0.5);
    return PixelSize{std::max(1u, std::min(w, width)), std::max(1u, std::min(h, height))};
}

namespace {

std::unique_ptr<PreparedPicture> Prepare(const char* path, const PictureHeader& header, uint32_t fitWidth,
                                         uint32_t fitHeight, uint32_t keepRows) {
    if (header.format < 0 || header.width == 0 || header.height == 0) return nullptr;
    if (static_cast<uint64_t>(header.width) * header.height > kMaxPicturePixels) return nullptr;
    const PixelSize target = FitInside(header.width, header.height, fitWidth, fitHeight);
    // The decoded pixels, what the decoder holds besides, their reduced copy
    // at up to 8 bytes a pixel and the 24-bit copy of that together stay
    // within the working budget.
    const uint64_t copies = static_cast<uint64_t>(target.width) * target.height * 11;
    if (copies >= kPictureWorkBytes || DecodeCost(header, target.width, target.height) > kPictureWorkBytes - copies)
        return nullptr;

    const uint32_t scale = header.format == FIF_JPEG ? JpegScale(header, target.width, target.height) : 1;
    Image image(LoadDeclaredPicture(path, header, scale, fitWidth, fitHeight, kPictureWorkBytes - copies));
    if (!image) return nullptr;
    const uint32_t decodedWidth = FreeImage_GetWidth(image.get()), decodedHeight = FreeImage_GetHeight(image.get());

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

}  // namespace

std::unique_ptr<PreparedPicture> PreparePicture(const char* path, const PictureHeader& header, uint32_t fitWidth,
                                                uint32_t fitHeight, uint32_t keepRows) {
    try {
        return Prepare(path, header, fitWidth, fitHeight, keepRows);
    } catch (const std::bad_alloc&) {
        return nullptr;  // memory ran out (a 32-bit process has 2 GB): this picture fails, nothing else
    }
}
