// Reading a picture file for drawing, with its work bounded: the type and
// size are read from the header before any pixel is decoded, together with
// what the decoder will hold besides the pixels; a picture whose decoding
// would take too much memory is skipped before the decoder sees it, and a
// decoded picture that is not what its header said is dropped. JPEGs are
// decoded at the scale they are drawn at, and the result is reduced to the
// largest size it will be drawn at and held as 24-bit colour, whatever the
// file's depth. Used by the controller's lock screen and by the media
// manager's preview and import.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Pictures declaring more pixels than this are skipped before their pixels
// are decoded (a 64-megapixel picture needs 256 MB at 32 bits per pixel).
constexpr uint64_t kMaxPicturePixels = 64ull * 1000 * 1000;
// The most memory one picture may take while it is decoded and reduced.
constexpr uint64_t kPictureWorkBytes = 64ull * 1024 * 1024;

struct PictureHeader {
    int format = -1;     // FreeImage's format id; -1 when not recognised
    uint32_t width = 0;  // the size the decoder will produce, as the file declares it
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;  // 0 when the header does not say (taken as 64)
    // What the decoder holds besides the pixels: a PNG's text and profiles
    // (inflated), the coefficients of a progressive or multi-scan JPEG, a
    // JPEG 2000 decoder's planes, an embedded stream. Counted up to just
    // over the budget the header was read for.
    uint64_t sideBytes = 0;
    // The format declares no size (G3 fax): width and height are the most
    // the picture can have.
    bool sizeIsBound = false;
};

// The type (by content, then by the name's extension) and the declared size.
// False when the file is not a picture FreeImage knows or its header cannot
// be read to the end of what the decoder will read first: a reader that
// does not reach the size it needs refuses the file, it never falls back to
// a smaller claim. Nothing is inflated past budget.
bool ReadPictureHeader(const char* path, PictureHeader& header, uint64_t budget = kPictureWorkBytes);

// The bytes the decoder will hold for the picture's pixels when it is
// decoded for a target of targetWidth x targetHeight (JPEGs are decoded at
// 1/2, 1/4 or 1/8 where that still gives nine tenths of the target).
uint64_t DecodedBytes(const PictureHeader& header, uint32_t targetWidth, uint32_t targetHeight);

// What decoding costs in all: the pixels and what the decoder holds besides.
inline uint64_t DecodeCost(const PictureHeader& header, uint32_t targetWidth, uint32_t targetHeight) {
    return DecodedBytes(header, targetWidth, targetHeight) + header.sideBytes;
}

// A decoded picture of width x height is what the header said (JPEGs decoded
// at 1/jpegScale).
bool DecodedAsDeclared(const PictureHeader& header, uint32_t width, uint32_t height, uint32_t jpegScale = 1);

// The size a picture is reduced to so that it fits fitWidth x fitHeight,
// keeping its proportions; never enlarged, never below 1 x 1.
struct PixelSize {
    uint32_t width, height;
};
PixelSize FitInside(uint32_t width, uint32_t height, uint32_t fitWidth, uint32_t fitHeight);

// A picture ready for StretchDIBits: 24 bits per pixel, rows bottom first
// and padded to 4 bytes, with its BITMAPINFOHEADER.
struct PreparedPicture {
    uint32_t sourceWidth = 0, sourceHeight = 0;  // the file's own size
    uint32_t width = 0, height = 0;              // the pixels held
    // Rows of the reduced picture that were kept from its top (equal to
    // height); fullHeight is what the whole picture would have had.
    uint32_t fullHeight = 0;
    uint8_t info[40] = {};
    std::vector<uint8_t> bits;
    size_t Bytes() const { return bits.size() + sizeof *this; }
};

// Decodes the picture that header describes, reduced to fit fitWidth x
// fitHeight (a JPEG may come out up to a tenth smaller), keeping at most
// keepRows rows (counted at the full fit) of the reduced picture from its
// top: what lies below them is never shown. Null when the picture is over
// the limits above, cannot be decoded, is not what its header said, or
// memory runs out on the way (only this picture fails).
std::unique_ptr<PreparedPicture> PreparePicture(const char* path, const PictureHeader& header, uint32_t fitWidth,
                                                uint32_t fitHeight, uint32_t keepRows = UINT32_MAX);

// The picture header describes, decoded as FreeImage holds it (a JPEG at
// 1/jpegScale of its size), or, for a file FreeImage refuses, read by the
// platform's own image reader within limitBytes and reduced to fit fitWidth
// x fitHeight as 24-bit colour. Null when it cannot be decoded or is not
// what its header said. Only for a picture within the guard; the caller owns
// the bitmap (FreeImage_Unload).
struct FIBITMAP;
FIBITMAP* LoadDeclaredPicture(const char* path, const PictureHeader& header, uint32_t jpegScale, uint32_t fitWidth,
                              uint32_t fitHeight, uint64_t limitBytes);
