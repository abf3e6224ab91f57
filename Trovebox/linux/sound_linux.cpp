// Sound playback on Linux: the shared player (sound server, decoded wave
// data). Returns at once; the sound plays whole in the background unless a
// new one replaces it; a file that cannot be played gives silence.
#include "sound_player.h"
#include "sound_port.h"

void PlaySoundFile(const std::string& path, uint32_t) { sound::Play(path); }
