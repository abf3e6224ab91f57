// Enumeration of a folder's entries: FindFirstFileA / FindNextFileA /
// FindClose, and a test of an entry's kind.
#pragma once
#include <cstdint>

struct DirectoryEntry {
    char name[260];  // the bare name, without folder
};

typedef void* DirectorySearch;  // null: no search (no valid handle)

// FindFirstFileA(pattern): the pattern is a folder and a wildcard part where
// '*' and '?' match case-insensitively. Null when nothing matches.
DirectorySearch FindFirstEntry(const char* pattern, DirectoryEntry& entry);
// FindNextFileA: false when there is no further entry.
bool FindNextEntry(DirectorySearch search, DirectoryEntry& entry);
// FindClose.
void CloseEntrySearch(DirectorySearch search);

// What tells one version of a file from another: its size and the time of
// its last change.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;  // in the platform's own units
};

// The path names an existing regular file (a link is followed): not a folder,
// a pipe, a device or a link that leads nowhere. Opening anything else for
// reading may block or fail. With stamp, the file's stamp is filled in.
bool IsRegularFile(const char* path, FileStamp* stamp = nullptr);
