// Sound playback on Linux: the shared player (sound server, one stream fed
// from decoded wave data). Asynchronous; a new sound replaces the one
// playing, which otherwise plays whole; a file that cannot be played is
// silent; the purge (only ever at the end of a lock) stops whatever plays
// and drops the sounds the lock decoded.
#include "sound_player.h"
#include "sound_port.h"

void PlaySoundFile(const char* sound, uint32_t flags) {
    if (flags & kSoundPurge) sound::StopAndForget();
    else if (!sound) sound::Stop();
    else sound::Play(sound);
}
