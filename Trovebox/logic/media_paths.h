// Paths of the media manager.
#pragma once
#include <string>

// The text after the last "\" (or "/") of path; the whole path when it has none.
std::string FileNameOf(const std::string& path);
