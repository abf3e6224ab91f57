// The file port over POSIX calls. Listings match their wildcard the way
// Windows does: without regard to case.
#include <dirent.h>
#include <fnmatch.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "file_port.h"

namespace {

struct Listing {
    DIR* dir;
    std::string wildcard;
};

bool Next(Listing* listing, std::string& name) {
    while (dirent* entry = readdir(listing->dir)) {
        if (fnmatch(listing->wildcard.c_str(), entry->d_name, FNM_CASEFOLD) == 0 ||
            std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            name = entry->d_name;
            return true;
        }
    }
    return false;
}

}  // namespace

char PathSeparator() { return '/'; }

uint32_t GetCurrentDir(uint32_t size, char* buffer) {
    if (getcwd(buffer, size)) return static_cast<uint32_t>(std::strlen(buffer));
    if (errno != ERANGE) return 0;
    char* whole = getcwd(nullptr, 0);
    if (!whole) return 0;
    uint32_t needed = static_cast<uint32_t>(std::strlen(whole) + 1);
    std::free(whole);
    return needed;
}

FindHandle FindFirstEntry(const std::string& pattern, std::string& name) {
    size_t cut = pattern.find_last_of('/');
    std::string folder = cut == std::string::npos ? "." : pattern.substr(0, cut);
    std::string wildcard = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return nullptr;
    auto* listing = new Listing{dir, wildcard};
    if (!Next(listing, name)) {
        FindEnd(listing);
        return nullptr;
    }
    return listing;
}

bool FindNextEntry(FindHandle find, std::string& name) { return Next(static_cast<Listing*>(find), name); }

void FindEnd(FindHandle find) {
    auto* listing = static_cast<Listing*>(find);
    closedir(listing->dir);
    delete listing;
}

bool CopyOneFile(const std::string& source, const std::string& destination, bool failIfExists) {
    namespace fs = std::filesystem;
    std::error_code error;
    // A file copied onto itself stays as it is (and the copy fails).
    if (fs::exists(destination, error) && fs::equivalent(source, destination, error)) return false;
    return fs::copy_file(source, destination,
                         failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing,
                         error);
}

bool DeleteOneFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool ReplaceWithFile(const std::string& source, const std::string& destination) {
    return std::rename(source.c_str(), destination.c_str()) == 0;
}
