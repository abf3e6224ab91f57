// Enumeration of a folder's entries: FindFirstFileA / FindNextFileA /
// FindClose, and a test of an entry's kind.
#pragma once

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

// The path names an existing regular file (a link is followed): not a folder,
// a pipe, a device or a link that leads nowhere. Opening anything else for
// reading may block or fail.
bool IsRegularFile(const char* path);
