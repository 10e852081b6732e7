#include "engine/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ralu {

SingleInstance::SingleInstance(QString lockPath) : m_path(std::move(lockPath)) {}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/ralu.lock");
}

bool SingleInstance::acquire()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale
    return m_lock->tryLock(0);
}

} // namespace ralu
