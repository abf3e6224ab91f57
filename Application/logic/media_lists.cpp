#include "media_lists.h"

#include <cstdio>
#include <cstring>

#include "import_names.h"

std::vector<DirectoryEntry> pictureList;
std::vector<DirectoryEntry> soundList;

static void FillPictureList(std::vector<DirectoryEntry>& pictureList) {
    DirectoryEntry entry;
    DirectorySearch search = FindFirstEntry(kPicturesPattern, entry);
    if (!search) return;
    do {
        if (std::strcmp(entry.name, ".") != 0 && std::strcmp(entry.name, "..") != 0 &&
            !IsImportTemporary(entry.name))
            pictureList.push_back(entry);
    } while (FindNextEntry(search, entry));
    CloseEntrySearch(search);
}

static void FillSoundList(std::vector<DirectoryEntry>& soundList) {
    DirectoryEntry entry;
    DirectorySearch search = FindFirstEntry(kSoundsPattern, entry);
    if (!search) return;
    soundList.push_back(entry);
    while (FindNextEntry(search, entry)) soundList.push_back(entry);
    CloseEntrySearch(search);
}

void ReadMediaLists(std::vector<DirectoryEntry>& pictures, std::vector<DirectoryEntry>& sounds) {
    std::vector<DirectoryEntry>().swap(pictures);
    std::vector<DirectoryEntry>().swap(sounds);
    FillPictureList(pictures);
    FillSoundList(sounds);
}

void RebuildMediaLists() { ReadMediaLists(pictureList, soundList); }

static void PathForCode(const std::vector<DirectoryEntry>& list, const char* prefix, uint32_t code,
                        char* path) {
    const DirectoryEntry& entry = list[code % static_cast<uint32_t>(list.size())];
    std::snprintf(path, kMediaPathSize, "%s%s", prefix, entry.name);
}

void PicturePathForCode(uint32_t code, char* path) { PathForCode(pictureList, kPicturesPrefix, code, path); }
void SoundPathForCode(uint32_t code, char* path) { PathForCode(soundList, kSoundsPrefix, code, path); }
