// SPDX-License-Identifier: GPL-3.0-or-later
#include "notificationsstandin.h"

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

NotificationsStandIn::NotificationsStandIn(const QDBusConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{}

NotificationsStandIn::~NotificationsStandIn()
{
    if (m_serving) {
        m_connection.unregisterService(service);
        m_connection.unregisterObject(path);
    }
}

bool NotificationsStandIn::serve()
{
    if (!m_connection.registerObject(path, this, QDBusConnection::ExportScriptableSlots))
        return false;
    m_serving = m_connection.registerService(service);
    if (!m_serving)
        m_connection.unregisterObject(path);
    return m_serving;
}

quint32 NotificationsStandIn::Notify(const QString &appName, quint32 replacesId,
                                     const QString &appIcon, const QString &summary,
                                     const QString &body, const QStringList &actions,
                                     const QVariantMap &hints, qint32 expireTimeout)
{
    Q_UNUSED(replacesId)
    Q_UNUSED(appIcon)
    Q_UNUSED(actions)
    Q_UNUSED(hints)
    Q_UNUSED(expireTimeout)
    m_notifications.append({appName, summary, body});
    if (m_observer)
        m_observer(m_notifications.last());
    return quint32(m_notifications.size());
}

QStringList NotificationsStandIn::GetCapabilities()
{
    return m_capabilities;
}

QString NotificationsStandIn::GetServerInformation(QString &vendor, QString &version,
                                                   QString &specVersion)
{
    vendor = QStringLiteral("Trundle tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("notifications-standin");
}
