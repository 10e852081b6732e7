#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ralu {

SingleInstance::SingleInstance(QString lockPath)
    : m_path(std::move(lockPath))
{
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

QString SingleInstance::defaultLockPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!folder.isEmpty())
        return folder + QStringLiteral("/ralu.lock");
    // The shared temporary folder: one lock per user there too.
    return QDir::tempPath() + QStringLiteral("/ralu-%1.lock").arg(::getuid());
}

bool SingleInstance::acquire()
{
    if (m_fd >= 0)
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // flock() rather than a lock file with our process id in it: nothing is
    // written or synced to disk before the SIP core can start, and the
    // kernel drops the lock of a process that ends in any way. No symbolic
    // links: in the shared temporary folder one could point anywhere.
    const int fd
        = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

} // namespace ralu
