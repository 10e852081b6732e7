// The running Ralu's door for a second start: a local socket beside the
// instance lock. A second start sends one line, a number to put into the
// number box or nothing, and the running instance comes to the front.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace ralu {

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QObject *parent = nullptr);

    // The running instance's end; call it only while holding the instance
    // lock (an old socket at the path is then a dead instance's).
    bool listen(const QString &path = defaultPath());
    // The second start's end: true once the running instance has taken the
    // line. Waits at most timeoutMs; a socket that is not the user's own is
    // never used.
    static bool send(const QString &number, const QString &path = defaultPath(), int timeoutMs = 2000);
    static QString defaultPath();

signals:
    // number: empty, or digits and '*' only (whatever came is checked again).
    void frontAsked(const QString &number);

private:
    void takeConnection();

    QLocalServer *m_server;
};

} // namespace ralu
