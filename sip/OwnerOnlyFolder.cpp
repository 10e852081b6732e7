#include "sip/OwnerOnlyFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace ralu {

namespace {

QString folderFailure(const QString &folder, int error)
{
    return error == EACCES || error == EROFS || error == EPERM
        ? QStringLiteral("the folder %1 is not writable").arg(folder)
        : QStringLiteral("the folder %1 cannot be made (%2)")
              .arg(folder, QString::fromLocal8Bit(std::strerror(error)));
}

// mkdir -p, naming the folder that stood in the way.
bool makeFolders(const QString &path, QString &why)
{
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path && !makeFolders(parent, why))
        return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
        return true;
    const int error = errno;
    if (QFileInfo(path).isDir())
        return true;
    why = folderFailure(error == EEXIST ? path : parent, error);
    return false;
}

} // namespace

bool makeOwnerOnlyFolder(const QString &path, QString *why)
{
    QString failure;
    const QByteArray name = QFile::encodeName(path);
    if (makeFolders(path, failure) && ::chmod(name.constData(), 0700) == 0
        && ::access(name.constData(), W_OK | X_OK) == 0)
        return true;
    if (why)
        *why = failure.isEmpty() ? folderFailure(path, errno) : failure;
    return false;
}

} // namespace ralu
