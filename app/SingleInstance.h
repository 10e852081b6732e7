// One running Ralu per user: a lock on a file in the user's runtime folder,
// held by the kernel for as long as the process lives, so a Ralu that died
// leaves nothing to clean up.
#pragma once

#include <QString>

namespace ralu {

class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process is the only instance; it then holds the lock
    // until it ends.
    bool acquire();
    static QString defaultLockPath();

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace ralu
