// Paths of the media manager and the open-file dialog's selection.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "import_names.h"

// The text after the last separator of path ("\" or "/" on Windows, "/"
// on Linux); the whole path when it has none.
std::string FileNameOf(const std::string& path);

// name is an import's temporary file: "~import", 1 to 8 digits, ".tmp".
inline bool IsImportTemporary(const std::string& name) { return IsImportTemporary(name.c_str()); }

// A filter written with "|" between its parts and ending in "||", with each
// "|" turned into a NUL as the open-file dialog wants it.
std::string FilterForDialog(const std::string& filter);

// Keeps the first NUL-terminated string of buffer and zeroes everything after
// it, so the next open-file dialog starts with that string as its file name.
void KeepFirstString(char* buffer, size_t capacity);

// The chosen files from the open-file dialog's buffer, as full paths in
// buffer order: one full path, or the folder and then each name, joined with
// separator (none added when the folder already ends in "\" or "/").
std::vector<std::string> ChosenPaths(const char* buffer, size_t capacity, char separator);
