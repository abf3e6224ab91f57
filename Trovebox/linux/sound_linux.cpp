// Sound playback through Qt Multimedia: wave files, played in the
// background; a new sound stops the one still playing; a file that cannot
// be played gives silence.
#include <QSoundEffect>
#include <QUrl>

#include <memory>

#include "sound_port.h"

void PlaySoundFile(const std::string& path, uint32_t) {
    static std::unique_ptr<QSoundEffect> playing;
    if (playing) playing->stop();
    playing = std::make_unique<QSoundEffect>();
    playing->setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(path.c_str())));
    playing->play();  // starts once loaded; an unplayable file never starts
}
