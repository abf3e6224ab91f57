// The platform's own image reader, for picture files FreeImage refuses (the
// BMP files with a version 4 or 5 header that Debian's FreeImage cannot
// load): Qt's QImageReader on Linux; none on Windows, whose FreeImage.dll
// reads them.
#pragma once
#include <cstdint>

// Reads the picture at path, which must be width x height pixels (another
// size is refused before its pixels are read), reduced to targetWidth x
// targetHeight, into rows of 24-bit colour (blue, green, red), bottom row
// first, each pitch bytes apart, starting at bits. The reader allocates at
// most limitBytes. False when there is no such reader, the file cannot be
// read, or it is not what was declared.
bool ReadWithPlatformReader(const char* path, uint32_t width, uint32_t height, uint32_t targetWidth,
                            uint32_t targetHeight, uint64_t limitBytes, uint8_t* bits, uint32_t pitch);
