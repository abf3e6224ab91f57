// Windows: FreeImage.dll (built from third_party/ with its BMP reader mended)
// reads what the programs draw; there is no second reader.
#include "platform_picture_reader_port.h"

bool ReadWithPlatformReader(const char*, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, uint8_t*, uint32_t) {
    return false;
}
