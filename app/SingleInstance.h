// One running Ralu per user: a lock file in the user's runtime folder. A lock
// left by a process that died is taken over.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace ralu {

class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    // True when this process is the only instance; it then holds the lock
    // until it ends.
    bool acquire();
    static QString defaultLockPath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace ralu
