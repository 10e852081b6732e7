// The local half of a key tone: the key's WAVE resource is written to the
// scratch file DTMF.WAV in the application folder, and that file is played.
// Both steps are tried whatever happened to the other (a failed write plays
// the tone left in the file before), and nothing is ever reported.
#pragma once

#include "audio/SoundPlayer.h"

#include <QByteArray>
#include <QString>

namespace ralu {

class LocalTonePlayer {
public:
    // appFolder receives DTMF.WAV; player may be null (then nothing is heard).
    LocalTonePlayer(QString appFolder, SoundPlayer *player);

    // Plays a tone by its tone name ("Tone1.wav", "Tonestar.wav"...).
    void play(const QString &toneName);

    // The full path of the scratch file.
    QString scratchFile() const;

    // The WAVE resource of a tone name, letter case ignored ("Tone1.wav"
    // finds TONE1.WAV); empty when there is none.
    static QByteArray toneResource(const QString &toneName);

    static const char *const kScratchFileName;

private:
    // Writes bytes over the scratch file from its first byte; true when all
    // of them were written.
    bool writeScratch(const QByteArray &bytes) const;

    QString m_appFolder;
    SoundPlayer *m_player;
};

} // namespace ralu
