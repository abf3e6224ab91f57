// Folder enumeration on Windows: FindFirstFileA / FindNextFileA / FindClose.
#include <windows.h>

#include <cstring>

#include "directory_port.h"

static void Take(const WIN32_FIND_DATAA& data, DirectoryEntry& entry) {
    std::memcpy(entry.name, data.cFileName, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0';
}

DirectorySearch FindFirstEntry(const char* pattern, DirectoryEntry& entry) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    Take(data, entry);
    return search;
}

bool FindNextEntry(DirectorySearch search, DirectoryEntry& entry) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(static_cast<HANDLE>(search), &data)) return false;
    Take(data, entry);
    return true;
}

void CloseEntrySearch(DirectorySearch search) { FindClose(static_cast<HANDLE>(search)); }

bool IsRegularFile(const char* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    if (stamp) {
        stamp->size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        stamp->modified = static_cast<int64_t>(static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                               data.ftLastWriteTime.dwLowDateTime);
    }
    return true;
}
