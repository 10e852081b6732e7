#include "files/SafeRewrite.h"

#include "files/FilesLog.h"
#include "files/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ralu {

FileReplacement::FileReplacement(QString path, int mode)
    : m_path(std::move(path))
{
    const QByteArray target = QFile::encodeName(m_path);
    struct stat old { };
    if (mode < 0 && ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        mode = int(old.st_mode & 07777);
    const QFileInfo info(m_path);
    const QByteArray stem = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName());
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        // 0666 less the umask for a new file, as any file Ralu creates.
        m_fd = ::open(
            m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode < 0 ? 0666 : 0600);
        if (m_fd < 0 && errno != EEXIST) {
            fail(errno);
            return;
        }
    }
    if (m_fd < 0)
        fail(EEXIST);
    else if (mode >= 0 && ::fchmod(m_fd, mode_t(mode)) != 0)
        fail(errno);
}

FileReplacement::~FileReplacement()
{
    abandon();
}

void FileReplacement::abandon()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_temp.constData());
    m_fd = -1;
}

bool FileReplacement::fail(int error)
{
    if (m_error.isEmpty())
        m_error = RegularFile::failure(m_path, RegularFile::reasonOf(error));
    abandon();
    return false;
}

bool FileReplacement::write(const char *data, qint64 size)
{
    // A short write is retried: the retry either goes on or fails with the
    // reason (no room, file too large).
    while (m_fd >= 0 && size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n == 0 ? EIO : errno);
        data += n;
        size -= n;
    }
    return m_fd >= 0;
}

bool FileReplacement::commit()
{
    if (m_fd < 0)
        return false;
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_temp.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int error = errno;
        ::unlink(m_temp.constData());
        m_error = RegularFile::failure(m_path, RegularFile::reasonOf(error));
        return false;
    }
    return true;
}

bool rewriteFile(const QString &path, const QByteArray &bytes, QString *error, int mode)
{
    FileReplacement file(path, mode);
    const bool ok = file.write(bytes) && file.commit();
    if (!ok)
        qCWarning(lcFiles).noquote() << file.error();
    if (!ok && error)
        *error = file.error();
    return ok;
}

} // namespace ralu
