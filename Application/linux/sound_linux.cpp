// Sound playback on Linux: the shared player (sound server, one stream fed
// from decoded wave data). Asynchronous; a new sound replaces the one
// playing, which otherwise plays whole; a file that cannot be played is
// silent; the purge stops whatever plays.
#include "sound_player.h"
#include "sound_port.h"

void PlaySoundFile(const char* sound, uint32_t flags) {
    if ((flags & kSoundPurge) || !sound) sound::Stop();
    else sound::Play(sound);
}
