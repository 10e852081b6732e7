// Whole-file reads and writes for tests that check bytes on disk.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ralu::testing {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// What may stand at a file's path instead of a regular file.
enum class NotAFile { Link, DanglingLink, Fifo, Folder };

// Puts `what` at path; a link points at target, which exists for Link.
inline void putNotAFile(NotAFile what, const QString &path, const QString &target)
{
    if (what == NotAFile::Link)
        writeBytes(target, "the target\n");
    const bool made = what == NotAFile::Fifo ? ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0
        : what == NotAFile::Folder           ? QDir().mkdir(path)
                                             : QFile::link(target, path);
    ASSERT_TRUE(made) << path.toStdString();
}

} // namespace ralu::testing
