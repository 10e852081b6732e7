#include "app/MissedCallNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace ralu {

MissedCallNotifier::MissedCallNotifier(const QString &appId, QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_appId(appId)
    , m_bus(std::move(bus))
{
}

void MissedCallNotifier::notify(const QString &number)
{
    if (!m_bus.isConnected())
        return; // no session bus: no desktop to tell
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    const QVariantMap hints { { QStringLiteral("desktop-entry"), m_appId },
        { QStringLiteral("urgency"), QVariant::fromValue<uchar>(1) } };
    // The number is shown as the history keeps it (made safe when it came);
    // the body, which servers may read as markup, stays empty.
    message << QStringLiteral("Ralu") << uint(0) << m_appId
            << QStringLiteral("Missed call from %1").arg(number) << QString() << QStringList() << hints
            << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

} // namespace ralu
