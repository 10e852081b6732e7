// Missed calls on the desktop: "Missed call from N" through the desktop's
// notification service (org.freedesktop.Notifications on the session bus).
// Nothing waits for the service: the call goes out and its answer, or the
// error of a desktop without the service, is dropped when it comes.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace ralu {

class MissedCallNotifier : public QObject {
public:
    // appId names the icon and the desktop entry the notice belongs to.
    explicit MissedCallNotifier(
        const QString &appId, QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    void notify(const QString &number);

private:
    QString m_appId;
    QDBusConnection m_bus;
};

} // namespace ralu
