// Sound playback on Linux through Qt Multimedia: one sound effect at a time,
// a new one replacing the one still playing, a file that cannot be played
// staying silent, and the purge stopping whatever plays.
#include <QSoundEffect>
#include <QUrl>

#include "sound_port.h"

static QSoundEffect* playing = nullptr;

static void StopPlaying() {
    if (!playing) return;
    playing->stop();
    playing->deleteLater();
    playing = nullptr;
}

void PlaySoundFile(const char* sound, uint32_t flags) {
    StopPlaying();
    if ((flags & kSoundPurge) || !sound) return;
    playing = new QSoundEffect();
    playing->setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(sound)));
    playing->play();  // starts once loaded, in the background; an unreadable file stays silent
}
