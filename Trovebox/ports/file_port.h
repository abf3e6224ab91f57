// The files of the media folders.
#pragma once
#include <cstdint>
#include <string>

typedef void* FindHandle;  // null: the listing could not be opened

// The platform's path separator: "\" on Windows, "/" on Linux.
char PathSeparator();

// GetCurrentDirectoryA(size, buffer): the length written (without the NUL),
// or, when the directory does not fit, the size the buffer needs (with the
// NUL); 0 on failure.
uint32_t GetCurrentDir(uint32_t size, char* buffer);

// FindFirstFileA(pattern): the name of the first entry (".", ".." included)
// and a listing handle, or null when nothing matches or the folder is missing.
FindHandle FindFirstEntry(const std::string& pattern, std::string& name);

// FindNextFileA: the next entry's name; false when there is none.
bool FindNextEntry(FindHandle find, std::string& name);

// FindClose.
void FindEnd(FindHandle find);

// CopyFileA(source, destination, failIfExists).
bool CopyOneFile(const std::string& source, const std::string& destination, bool failIfExists);

// DeleteFileA.
bool DeleteOneFile(const std::string& path);

// MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING): renames a file
// on one file system, replacing a file of the destination's name.
bool ReplaceWithFile(const std::string& source, const std::string& destination);
