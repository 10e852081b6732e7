#include "calls/LocalTonePlayer.h"

#include <QDir>
#include <QFile>

namespace ralu {

namespace {

const char *const kToneFolder = ":/tones";

} // namespace

const char *const LocalTonePlayer::kScratchFileName = "DTMF.WAV";

LocalTonePlayer::LocalTonePlayer(QString appFolder, SoundPlayer *player)
    : m_appFolder(std::move(appFolder))
    , m_player(player)
{
}

QString LocalTonePlayer::scratchFile() const
{
    return QDir(m_appFolder).filePath(QString::fromLatin1(kScratchFileName));
}

QByteArray LocalTonePlayer::toneResource(const QString &toneName)
{
    const QDir tones(QString::fromLatin1(kToneFolder));
    for (const QString &entry : tones.entryList(QDir::Files)) {
        if (entry.compare(toneName, Qt::CaseInsensitive) != 0)
            continue;
        QFile file(tones.filePath(entry));
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return QByteArray();
}

bool LocalTonePlayer::writeScratch(const QByteArray &bytes) const
{
    if (bytes.isEmpty())
        return false;
    // Overwritten in place from the first byte, not emptied first. Every tone
    // has the same length, so the file then holds exactly the new tone; a
    // longer file left by something else is cut to it afterwards.
    QFile file(scratchFile());
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const bool written = file.write(bytes) == bytes.size(); // opened at offset 0
    if (written && file.size() > bytes.size())
        file.resize(bytes.size());
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void LocalTonePlayer::play(const QString &toneName)
{
    writeScratch(toneResource(toneName));
    if (m_player)
        m_player->playFile(scratchFile());
}

} // namespace ralu
