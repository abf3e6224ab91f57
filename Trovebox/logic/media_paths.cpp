#include "media_paths.h"

#include <cstring>

#include "file_port.h"

std::string FileNameOf(const std::string& path) {
    // Windows takes both separators; on Linux "\\" is a character of a name.
    size_t cut = path.find_last_of(PathSeparator() == '\\' ? "\\/" : "/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FilterForDialog(const std::string& filter) {
    std::string result = filter;
    for (char& c : result)
        if (c == '|') c = '\0';
    return result;
}

void KeepFirstString(char* buffer, size_t capacity) {
    size_t first = strnlen(buffer, capacity);
    if (first < capacity) std::memset(buffer + first, 0, capacity - first);
}

std::vector<std::string> ChosenPaths(const char* buffer, size_t capacity, char separator) {
    std::vector<std::string> texts;
    size_t at = 0;
    while (at < capacity && buffer[at] != '\0') {
        size_t length = strnlen(buffer + at, capacity - at);
        texts.emplace_back(buffer + at, length);
        at += length + 1;
    }
    if (texts.size() <= 1) return texts;
    const std::string& folder = texts[0];
    bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    std::vector<std::string> paths;
    for (size_t i = 1; i < texts.size(); ++i)
        paths.push_back(ends ? folder + texts[i] : folder + separator + texts[i]);
    return paths;
}
