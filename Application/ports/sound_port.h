// Sound playback: PlaySoundA with a file name or with no sound.
#pragma once
#include <cstdint>

constexpr uint32_t kSoundAsyncFile = 0x20003;  // SND_FILENAME | SND_NODEFAULT | SND_ASYNC
constexpr uint32_t kSoundPurge = 0x40;         // SND_PURGE

// PlaySoundA(sound, no module, flags). With kSoundAsyncFile the call returns
// at once, the file plays in the background and replaces a sound still
// playing; a file that cannot be played stays silent. With kSoundPurge and no
// sound, the process's sound stops.
void PlaySoundFile(const char* sound, uint32_t flags);
