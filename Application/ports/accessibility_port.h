// SystemParametersInfoA for the accessibility features' parameter records
// (FILTERKEYS, MOUSEKEYS, STICKYKEYS, TOGGLEKEYS), never made persistent.
#pragma once
#include <cstdint>

struct FilterKeysInfo {
    uint32_t cbSize;
    uint32_t dwFlags;
    uint32_t iWaitMSec;
    uint32_t iDelayMSec;
    uint32_t iRepeatMSec;
    uint32_t iBounceMSec;
};
struct MouseKeysInfo {
    uint32_t cbSize;
    uint32_t dwFlags;
    uint32_t iMaxSpeed;
    uint32_t iTimeToMaxSpeed;
    uint32_t iCtrlSpeed;
    uint32_t dwReserved1;
    uint32_t dwReserved2;
};
struct StickyKeysInfo {
    uint32_t cbSize;
    uint32_t dwFlags;
};
struct ToggleKeysInfo {
    uint32_t cbSize;
    uint32_t dwFlags;
};
static_assert(sizeof(FilterKeysInfo) == 24 && sizeof(MouseKeysInfo) == 28, "record sizes");
static_assert(sizeof(StickyKeysInfo) == 8 && sizeof(ToggleKeysInfo) == 8, "record sizes");

constexpr uint32_t kSpiGetFilterKeys = 0x32, kSpiSetFilterKeys = 0x33;
constexpr uint32_t kSpiGetToggleKeys = 0x34, kSpiSetToggleKeys = 0x35;
constexpr uint32_t kSpiGetMouseKeys = 0x36, kSpiSetMouseKeys = 0x37;
constexpr uint32_t kSpiGetStickyKeys = 0x3A, kSpiSetStickyKeys = 0x3B;
constexpr uint32_t kHotKeyActive = 0x4;  // FKF_ / MKF_ / SKF_ / TKF_HOTKEYACTIVE

// SystemParametersInfoA(action, size, record, 0).
bool GetAccessibilityParameters(uint32_t action, uint32_t size, void* record);
bool SetAccessibilityParameters(uint32_t action, uint32_t size, void* record);
