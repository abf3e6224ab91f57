// Sound playback through Qt Multimedia: wave files, played in the
// background; a new sound stops the one still playing; a file that cannot
// be played gives silence.
#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include "sound_port.h"

void PlaySoundFile(const std::string& path, uint32_t) {
    // Owned by the application object, so it goes before the audio system.
    static QPointer<QSoundEffect> playing;
    if (playing) {
        playing->stop();
        playing->deleteLater();
    }
    playing = new QSoundEffect(QCoreApplication::instance());
    playing->setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(path.c_str())));
    playing->play();  // starts once loaded; an unplayable file never starts
}
