#include "files/RegularFile.h"

#include "files/FilesLog.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcFiles, "ralu.files")

namespace ralu {

namespace {

const QString kLink = QStringLiteral("a symbolic link, which Ralu does not follow");
const QString kNotRegular = QStringLiteral("not a regular file");

} // namespace

RegularFile::~RegularFile()
{
    close();
}

void RegularFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QString RegularFile::failure(const QString &path, const QString &reason)
{
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

QString RegularFile::reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString RegularFile::tooLarge(qint64 limit)
{
    return limit >= (1 << 20) ? QStringLiteral("larger than %1 MB").arg(limit >> 20)
                              : QStringLiteral("larger than %1 KB").arg(limit >> 10);
}

bool RegularFile::fail(const QString &path, const QString &reason)
{
    close();
    m_error = failure(path, reason);
    if (!m_missing) // a file not made yet is no failure
        qCWarning(lcFiles).noquote() << m_error;
    return false;
}

bool RegularFile::open(const QString &path, Access access)
{
    close();
    m_missing = false;
    m_error.clear();
    const QByteArray name = QFile::encodeName(path);
    // Told apart before opening: opening a device can act on it.
    struct stat info { };
    if (::lstat(name.constData(), &info) == 0) {
        if (S_ISLNK(info.st_mode))
            return fail(path, kLink);
        if (!S_ISREG(info.st_mode))
            return fail(path, S_ISDIR(info.st_mode) ? reasonOf(EISDIR) : kNotRegular);
    }
    // And again on what was opened, should the path have changed meanwhile.
    int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    flags |= access == Access::Read ? O_RDONLY : O_RDWR | O_APPEND | O_CREAT;
    m_fd = ::open(name.constData(), flags, 0666);
    if (m_fd < 0) {
        const int error = errno;
        m_missing = error == ENOENT || error == ENOTDIR; // ENOTDIR: a plain file on the way
        return fail(path, error == ELOOP ? kLink : error == ENXIO ? kNotRegular : reasonOf(error));
    }
    if (::fstat(m_fd, &info) != 0)
        return fail(path, reasonOf(errno));
    if (!S_ISREG(info.st_mode))
        return fail(path, kNotRegular);
    m_size = info.st_size;
    m_mode = info.st_mode & 07777;
    return true;
}

} // namespace ralu
