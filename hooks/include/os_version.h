// The operating-system version record, laid out as the platform's
// OSVERSIONINFOA (148 bytes), and the version tests that choose between the
// older and newer paths of the controller and the hook library.
#pragma once
#include <cstdint>

struct OsVersionInfo {
    uint32_t dwOSVersionInfoSize = 148;
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OsVersionInfo) == 148, "the version record is 148 bytes");

// A record with the given platform id and version numbers.
inline OsVersionInfo VersionRecord(uint32_t platform, uint32_t major, uint32_t minor) {
    OsVersionInfo v;
    v.dwPlatformId = platform;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    return v;
}

constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWin32Windows = 1;
constexpr uint32_t kPlatformWin32Nt = 2;

// dwPlatformId == 2; every other id is the older family.
inline bool IsNtFamily(const OsVersionInfo& v) { return v.dwPlatformId == kPlatformWin32Nt; }

// GetLastInputInfo exists: NT family, major version 5 or later.
inline bool HasLastInputService(const OsVersionInfo& v) {
    return v.dwPlatformId == kPlatformWin32Nt && v.dwMajorVersion >= 5;
}

// Two separate unsigned comparisons: 5.0 and 6.0 fail, 5.1, 5.2, 6.1 pass.
inline bool HasEjectionControl(const OsVersionInfo& v) {
    return v.dwMajorVersion >= 5 && v.dwMinorVersion >= 1;
}

// The tray menu 102 (with "Disable Power Button") against 103: NT family,
// major 5 or more and minor 1 or more.
inline bool UsesFullTrayMenu(const OsVersionInfo& v) {
    return v.dwPlatformId == kPlatformWin32Nt && v.dwMajorVersion >= 5 && v.dwMinorVersion >= 1;
}

// The options dialog template: 103 on the NT family, 106 elsewhere.
inline int OptionsDialogTemplate(const OsVersionInfo& v) { return IsNtFamily(v) ? 103 : 106; }
