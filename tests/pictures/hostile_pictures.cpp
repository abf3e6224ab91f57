#include "hostile_pictures.h"

#include <FreeImage.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hostile {
namespace {

using Bytes = std::string;

std::string Join(const std::string& folder, const std::string& name) { return folder + "/" + name; }

void Save(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PutBe(Bytes& b, uint32_t v, int size) {
    for (int i = size - 1; i >= 0; --i) b += static_cast<char>(v >> (8 * i));
}
void PutLe(Bytes& b, uint32_t v, int size) {
    for (int i = 0; i < size; ++i) b += static_cast<char>(v >> (8 * i));
}

// A PNG chunk: length, type, data, CRC of type and data.
Bytes Chunk(const char* type, const Bytes& data) {
    Bytes b;
    PutBe(b, static_cast<uint32_t>(data.size()), 4);
    Bytes body = type + data;
    b += body;
    PutBe(
        b,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))),
        4);
    return b;
}

Bytes Ihdr(uint32_t width, uint32_t height, int depth, int colourType) {
    Bytes d;
    PutBe(d, width, 4);
    PutBe(d, height, 4);
    d += static_cast<char>(depth);
    d += static_cast<char>(colourType);
    d += std::string(3, '\0');  // deflate, adaptive filtering, no interlace
    return Chunk("IHDR", d);
}

// rows copies of row, deflated as one zlib stream, without holding them all.
Bytes DeflateRepeated(const Bytes& row, uint64_t rows) {
    z_stream z{};
    deflateInit(&z, 9);
    Bytes out;
    char buffer[1 << 16];
    for (uint64_t i = 0; i <= rows; ++i) {
        const bool last = i == rows;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        z.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int result;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            result = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0 || (last && result != Z_STREAM_END));
    }
    deflateEnd(&z);
    return out;
}

const Bytes kPngSignature("\x89PNG\r\n\x1A\n", 8);

// A 16 x 16 RGB PNG stream from its IHDR to IEND, with extra chunks after IHDR.
Bytes SmallPngBody(const Bytes& extra) {
    return Ihdr(16, 16, 8, 2) + extra + Chunk("IDAT", DeflateRepeated(Bytes(1 + 16 * 3, '\x40'), 16)) +
           Chunk("IEND", "");
}

// A picture of one colour saved by FreeImage in format with flags; read back.
Bytes SavedByFreeImage(FREE_IMAGE_FORMAT format, int width, int height, int flags, const std::string& scratch) {
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
    if (!bitmap) throw std::runtime_error("no memory for the picture to save");
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = 0x30;  // blue, green, red
            row[3 * x + 1] = 0x90;
            row[3 * x + 2] = 0xE0;
        }
    }
    const bool saved = FreeImage_Save(format, bitmap, scratch.c_str(), flags);
    FreeImage_Unload(bitmap);
    if (!saved) throw std::runtime_error("FreeImage cannot save " + scratch);
    Bytes bytes = Load(scratch);
    std::remove(scratch.c_str());
    return bytes;
}

}  // namespace

Made WriteTextChunkPng(const std::string& folder) {
    // One compressed text, written 100 times: libpng inflates each one (up to
    // its 8 MB limit a chunk) and FreeImage copies them into its metadata.
    Bytes text = "Comment";
    text += '\0';
    text += '\0';                                       // deflate
    text += DeflateRepeated(Bytes(1 << 16, 'x'), 120);  // 7.5 MB
    Bytes extra;
    const Bytes chunk = Chunk("zTXt", text);
    for (int i = 0; i < 100; ++i) extra += chunk;
    Save(Join(folder, "text_chunks.png"), kPngSignature + SmallPngBody(extra));
    return {"text_chunks.png", false, false};
}

Made WriteProgressiveJpeg(const std::string& folder, Weight weight) {
    const int side = weight == Weight::Full ? 8000 : 64;
    Bytes jpeg =
        SavedByFreeImage(FIF_JPEG, side, side, JPEG_PROGRESSIVE | JPEG_QUALITYBAD, Join(folder, "~progressive.tmp"));
    // The frame header (SOF2): precision, height, width.
    const size_t sof = jpeg.find("\xFF\xC2");
    if (sof == Bytes::npos) throw std::runtime_error("FreeImage wrote no progressive frame");
    for (size_t at : {sof + 5, sof + 7}) {
        jpeg[at] = static_cast<char>(8000 >> 8);
        jpeg[at + 1] = static_cast<char>(8000 & 0xFF);
    }
    Save(Join(folder, "progressive.jpg"), jpeg);
    return {"progressive.jpg", false, false};
}

Made WriteFooledMng(const std::string& folder, Weight weight) {
    Bytes mng("\x8AMNG\r\n\x1A\n", 8);
    Bytes mhdr;
    PutBe(mhdr, 1, 4);  // frame width and height: 1 x 1
    PutBe(mhdr, 1, 4);
    PutBe(mhdr, 1000, 4);  // ticks per second
    mhdr += std::string(16, '\0');
    mng += Chunk("MHDR", mhdr);
    // Private chunks that every reader skips, more than a reader giving up
    // after 1,000 chunks would walk.
    const Bytes filler = Chunk("prVt", "");
    for (int i = 0; i < 1100; ++i) mng += filler;
    // 8000 x 8000 RGB at 16 bits a channel: 384 MB when decoded.
    const Bytes row(1 + 8000 * 6, '\0');
    const Bytes pixels = weight == Weight::Full ? DeflateRepeated(row, 8000) : DeflateRepeated(row, 1);
    mng += Ihdr(8000, 8000, 16, 2) + Chunk("IDAT", pixels) + Chunk("IEND", "") + Chunk("MEND", "");
    Save(Join(folder, "fooled.mng"), mng);
    return {"fooled.mng", false, false};
}

Made WriteDecoyJp2(const std::string& folder, Weight weight) {
    const bool full = weight == Weight::Full;
    const Bytes jp2 = SavedByFreeImage(FIF_JP2, full ? 3000 : 48, full ? 3000 : 36, 0, Join(folder, "~decoy.tmp"));
    // The boxes FreeImage wrote: signature and file type first, then the
    // header and the code stream. The decoy goes after the file type box.
    const uint32_t first =
        (uint8_t(jp2[0]) << 24) | (uint8_t(jp2[1]) << 16) | (uint8_t(jp2[2]) << 8) | uint8_t(jp2[3]);
    const size_t ftyp = first;
    const uint32_t second = (uint8_t(jp2[ftyp]) << 24) | (uint8_t(jp2[ftyp + 1]) << 16) |
                            (uint8_t(jp2[ftyp + 2]) << 8) | uint8_t(jp2[ftyp + 3]);
    const size_t after = ftyp + second;
    if (jp2.compare(ftyp + 4, 4, "ftyp") != 0) throw std::runtime_error("unexpected JP2 layout");
    // An XML box holding SOC and a SIZ claiming 64 x 48, padded so that the
    // real code stream starts after the first 4 KB.
    Bytes decoy("\xFF\x4F\xFF\x51", 4);
    PutBe(decoy, 41, 2);  // Lsiz
    PutBe(decoy, 0, 2);   // Rsiz
    PutBe(decoy, 64, 4);  // Xsiz, Ysiz, XOsiz, YOsiz
    PutBe(decoy, 48, 4);
    decoy += std::string(8 + 16, '\0');
    PutBe(decoy, 1, 2);  // one component of 8 bits
    decoy += "\x07\x01\x01";
    decoy += std::string(5000, ' ');
    Bytes box;
    PutBe(box, static_cast<uint32_t>(8 + decoy.size()), 4);
    box += "xml ";
    box += decoy;
    Save(Join(folder, "decoy.jp2"), jp2.substr(0, after) + box + jp2.substr(after));
    return {"decoy.jp2", !full, true};
}

Made WriteFooledGif(const std::string& folder, Weight weight) {
    Bytes gif;
    if (weight == Weight::Full) {
        // FreeImage's encoder makes the pixel data of a 9000 x 8000 picture
        // of one colour; its screen is then made to say 16 x 16.
        FIBITMAP* bitmap = FreeImage_Allocate(9000, 8000, 8);
        if (!bitmap) throw std::runtime_error("no memory for the GIF");
        RGBQUAD* palette = FreeImage_GetPalette(bitmap);
        for (int i = 0; i < 256; ++i) palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(i);
        const std::string scratch = Join(folder, "~fooled.tmp");
        const bool saved = FreeImage_Save(FIF_GIF, bitmap, scratch.c_str(), 0);
        FreeImage_Unload(bitmap);
        if (!saved) throw std::runtime_error("FreeImage cannot save a GIF");
        gif = Load(scratch);
        std::remove(scratch.c_str());
    } else {
        gif = Bytes("GIF89a", 6);
        PutLe(gif, 9000, 2);
        PutLe(gif, 8000, 2);
        gif += Bytes("\xF7\x00\x00", 3);  // global colour table of 256 entries
        gif += Bytes(256 * 3, '\0');
        gif += Bytes("\x2C\0\0\0\0", 5);
        PutLe(gif, 9000, 2);
        PutLe(gif, 8000, 2);
        // No local table; code size 8; one sub-block with a clear and an end
        // code; the trailer.
        gif += Bytes("\x00\x08\x03\x00\x03\x02\x00\x3B", 8);
    }
    gif[6] = 16;  // the logical screen: 16 x 16
    gif[7] = 0;
    gif[8] = 16;
    gif[9] = 0;
    const size_t table = 13 + ((gif[10] & 0x80) ? 3u << ((gif[10] & 7) + 1) : 0u);
    Bytes comments;
    for (int i = 0; i < 5000; ++i) comments += Bytes("\x21\xFE\x01!\x00", 5);
    Save(Join(folder, "fooled.gif"), gif.substr(0, table) + comments + gif.substr(table));
    return {"fooled.gif", false, false};
}

Made WriteUnreadableIff(const std::string& folder) {
    Bytes iff = "FORM";
    PutBe(iff, 120, 4);
    iff += "ILBMBMHD";
    PutBe(iff, 12, 4);  // a BMHD holds 20 bytes
    PutBe(iff, 12000, 2);
    PutBe(iff, 12000, 2);
    iff += Bytes(4, '\0');
    iff += Bytes("\x08\x00\x00\x00", 4);  // 8 planes, no mask, no compression
    iff += Bytes(128 - iff.size(), '\0');
    Save(Join(folder, "unreadable.iff"), iff);
    return {"unreadable.iff", false, false};
}

std::vector<ColouredBmp> WriteV5Bmps(const std::string& folder) {
    struct Kind {
        const char* name;
        int bits;
        uint32_t compression;  // BI_RGB 0, BI_BITFIELDS 3
        uint32_t masks[4];
        uint32_t pixel;  // the pixel as stored
        uint8_t red, green, blue;
    };
    const Kind kinds[] = {
        {"v5_565.bmp", 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 0xF81F, 255, 0, 255},
        {"v5_555.bmp", 16, 0, {0, 0, 0, 0}, 0x03FF, 0, 255, 255},
        {"v5_24.bmp", 24, 0, {0, 0, 0, 0}, 0xFFFF00, 255, 255, 0},
        {"v5_32.bmp", 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, 0xFFFF8000u, 255, 128, 0},
    };
    std::vector<ColouredBmp> made;
    for (const Kind& k : kinds) {
        const int width = 64, height = 48;
        const int stride = (width * k.bits + 31) / 32 * 4;
        Bytes pixels;
        for (int y = 0; y < height; ++y) {
            Bytes row;
            for (int x = 0; x < width; ++x) PutLe(row, k.pixel, k.bits / 8);
            row.resize(static_cast<size_t>(stride), '\0');
            pixels += row;
        }
        Bytes info;
        PutLe(info, 124, 4);
        PutLe(info, width, 4);
        PutLe(info, height, 4);
        PutLe(info, 1, 2);
        PutLe(info, static_cast<uint32_t>(k.bits), 2);
        PutLe(info, k.compression, 4);
        PutLe(info, static_cast<uint32_t>(pixels.size()), 4);
        PutLe(info, 2835, 4);
        PutLe(info, 2835, 4);
        PutLe(info, 0, 4);
        PutLe(info, 0, 4);
        for (uint32_t mask : k.masks) PutLe(info, mask, 4);
        info += "BGRs";                // sRGB
        info += Bytes(36 + 12, '\0');  // end points and gamma
        PutLe(info, 4, 4);             // intent: LCS_GM_IMAGES
        info += Bytes(12, '\0');       // no profile
        Bytes file = "BM";
        PutLe(file, static_cast<uint32_t>(14 + info.size() + pixels.size()), 4);
        PutLe(file, 0, 4);
        PutLe(file, static_cast<uint32_t>(14 + info.size()), 4);
        Save(Join(folder, k.name), file + info + pixels);
        made.push_back({k.name, k.red, k.green, k.blue});
    }
    return made;
}

std::vector<Made> WriteAll(const std::string& folder, Weight weight) {
    std::vector<Made> made = {WriteTextChunkPng(folder),      WriteProgressiveJpeg(folder, weight),
                              WriteFooledMng(folder, weight), WriteDecoyJp2(folder, weight),
                              WriteFooledGif(folder, weight), WriteUnreadableIff(folder)};
    for (const ColouredBmp& bmp : WriteV5Bmps(folder)) made.push_back({bmp.name, true, true});
    return made;
}

}  // namespace hostile
