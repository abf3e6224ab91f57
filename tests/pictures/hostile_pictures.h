// Picture files that try to get past the decoding guard, and the BMP files
// current programs write, made by the tests themselves (nothing is
// downloaded). Shared by the logic tests, which use the light forms, and by
// make_hostile_pictures, which writes the full set for the whole-program runs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

// Light: what a header reader sees is the same, but pixel data the guard
// must never let a decoder reach is left out (quick to write, also under
// emulation). Full: the files as an attacker would make them, every byte
// there (seconds to write; they decode to hundreds of megabytes).
enum class Weight { Light, Full };

// One file of the set: its name and what must happen to it.
struct Made {
    std::string name;
    bool drawn;     // by the lock screen (within 64 MB)
    bool imported;  // by the media manager (which decodes whole, within 256 MB)
};

// A 16 x 16 PNG with 100 zTXt chunks, each inflating to 7.5 MB of text
// (about 770 KB on disk either way).
Made WriteTextChunkPng(const std::string& folder);
// A progressive JPEG of 8000 x 8000 (light: a 64 x 64 one whose frame says
// 8000 x 8000; the decoder still keeps every coefficient of that size).
Made WriteProgressiveJpeg(const std::string& folder, Weight weight);
// An MNG whose MHDR says 1 x 1 and which holds, after 1,100 other chunks, an
// 8000 x 8000 picture of 16 bits a channel (light: its pixel data left out).
Made WriteFooledMng(const std::string& folder, Weight weight);
// A JP2 file with a decoy code stream claiming 64 x 48 in a box before the
// real one, which starts after the first 4 KB: 3000 x 3000, which the lock
// screen refuses (its decoder's planes alone take 108 MB) and the media
// manager imports (light: 48 x 36, an ordinary picture drawn at its size;
// the encoder takes no side below 32).
Made WriteDecoyJp2(const std::string& folder, Weight weight);
// A GIF whose screen says 16 x 16 and whose image, after 5,000 comment
// extensions, is 9000 x 8000 (light: its pixel data left out).
Made WriteFooledGif(const std::string& folder, Weight weight);
// 128 bytes: an IFF whose BMHD chunk is too short to hold what it should,
// though its 20 bytes claim 12000 x 12000 at 8 planes.
Made WriteUnreadableIff(const std::string& folder);

// BMP files with the 124-byte V5 header as GIMP and ImageMagick write them,
// 64 x 48, each of one colour: 16 bits 5-6-5 (bit fields) magenta, 16 bits
// 5-5-5 cyan, 24 bits yellow, 32 bits (bit fields) orange.
struct ColouredBmp {
    std::string name;
    uint8_t red, green, blue;
};
std::vector<ColouredBmp> WriteV5Bmps(const std::string& folder);

// The whole set; the names in the order written.
std::vector<Made> WriteAll(const std::string& folder, Weight weight);

}  // namespace hostile
