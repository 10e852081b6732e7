#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace ralu {

SingleInstance::SingleInstance(QString lockPath)
    : m_path(std::move(lockPath))
{
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
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale
    return m_lock->tryLock(0);
}

} // namespace ralu
