// Sound playback on Windows: PlaySoundA (winmm).
#include <windows.h>
#include <mmsystem.h>

#include "sound_port.h"

void PlaySoundFile(const char* sound, uint32_t flags) { PlaySoundA(sound, nullptr, flags); }
