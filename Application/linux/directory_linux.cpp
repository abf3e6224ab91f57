// Folder enumeration on Linux: readdir over the pattern's folder, names
// matched against its wildcard part case-insensitively, as FindFirstFileA
// matches them.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "directory_port.h"

namespace {
struct Search {
    DIR* folder;
    std::string wildcard;
};

bool NextMatch(Search* search, DirectoryEntry& entry) {
    while (dirent* item = readdir(search->folder)) {
        if (fnmatch(search->wildcard.c_str(), item->d_name, FNM_CASEFOLD) != 0) continue;
        if (std::snprintf(entry.name, sizeof entry.name, "%s", item->d_name) >= static_cast<int>(sizeof entry.name))
            continue;  // longer than a name can be on the other side
        return true;
    }
    return false;
}
}  // namespace

DirectorySearch FindFirstEntry(const char* pattern, DirectoryEntry& entry) {
    const std::string text = pattern;
    const size_t slash = text.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : text.substr(0, slash + 1);
    const std::string wildcard = slash == std::string::npos ? text : text.substr(slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return nullptr;
    auto* search = new Search{dir, wildcard};
    if (!NextMatch(search, entry)) {
        closedir(dir);
        delete search;
        return nullptr;
    }
    return search;
}

bool FindNextEntry(DirectorySearch handle, DirectoryEntry& entry) {
    return NextMatch(static_cast<Search*>(handle), entry);
}

void CloseEntrySearch(DirectorySearch handle) {
    auto* search = static_cast<Search*>(handle);
    if (!search) return;
    closedir(search->folder);
    delete search;
}

bool IsRegularFile(const char* path, FileStamp* stamp) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (stamp) {
        stamp->size = static_cast<uint64_t>(info.st_size);
        stamp->modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    return true;
}
