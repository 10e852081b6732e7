#include "app/InstanceChannel.h"

#include "app/SingleInstance.h"
#include "calls/LinkNumber.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace ralu {

namespace {
constexpr qint64 kMaxLine = 256; // a number and its line end, with room to spare
}

InstanceChannel::InstanceChannel(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::takeConnection);
}

QString InstanceChannel::defaultPath()
{
    QString path = SingleInstance::defaultLockPath();
    path.chop(QStringLiteral(".lock").size());
    return path + QStringLiteral(".socket");
}

bool InstanceChannel::listen(const QString &path)
{
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

void InstanceChannel::takeConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never finishes its line is dropped; it holds nothing.
        QTimer::singleShot(3000, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxLine)
                    socket->abort();
                return;
            }
            const QString line = QString::fromUtf8(socket->readLine(kMaxLine)).trimmed();
            socket->write("ok\n");
            socket->disconnectFromServer();
            if (line.isEmpty()) {
                emit frontAsked(QString());
            } else if (const std::optional<QString> number = numberFromLink(line)) {
                emit frontAsked(*number);
            }
        });
    }
}

bool InstanceChannel::send(const QString &number, const QString &path, int timeoutMs)
{
    // Only a socket of the user's own: in the shared temporary folder anyone
    // could have put one there.
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISSOCK(info.st_mode)
        || info.st_uid != ::getuid())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(number.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    return socket.readLine().startsWith("ok");
}

} // namespace ralu
