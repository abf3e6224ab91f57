// Sound playback.
#pragma once
#include <cstdint>
#include <string>

constexpr uint32_t kSndAsync = 0x1;
constexpr uint32_t kSndNoDefault = 0x2;
constexpr uint32_t kSndFilename = 0x20000;

// PlaySoundA(path, no module, flags): with kSndAsync it returns at once and
// the sound plays in the background; a new sound stops the one playing; a
// file that cannot be played gives silence (kSndNoDefault).
void PlaySoundFile(const std::string& path, uint32_t flags);
