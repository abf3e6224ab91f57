// The pictures and sounds folders and the two media lists read from them.
#pragma once
#include <cstdint>
#include <vector>

#include "directory_port.h"

constexpr const char* kPicturesPrefix = "./pictures/";
constexpr const char* kPicturesPattern = "./pictures/*";
constexpr const char* kSoundsPrefix = "./sounds/";
constexpr const char* kSoundsPattern = "./sounds/*.wav";
constexpr int kMediaPathSize = 300;

extern std::vector<DirectoryEntry> pictureList;
extern std::vector<DirectoryEntry> soundList;

// Empties both lists and fills pictureList, then soundList, from the folders.
void RebuildMediaLists();
// The same enumeration into lists of the caller's (the lock screen reads the
// folders on its decoder thread and takes the lists over on its own).
void ReadMediaLists(std::vector<DirectoryEntry>& pictures, std::vector<DirectoryEntry>& sounds);

// The path of entry code mod count ("%s%s" into path, kMediaPathSize bytes).
// The list must not be empty.
void PicturePathForCode(uint32_t code, char* path);
void SoundPathForCode(uint32_t code, char* path);
