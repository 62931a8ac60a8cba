// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the desktop's notification server on a test's own bus: owns
// org.freedesktop.Notifications and records every Notify call, answering with a new ID.
//
//   NotificationsStandIn server(QDBusConnection::connectToBus(address, "server"));
//   QVERIFY(server.serve());
//   ... server.notifications() ...

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class NotificationsStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notification
    {
        QString appName;
        QString summary;
        QString body;
    };

    explicit NotificationsStandIn(const QDBusConnection &connection, QObject *parent = nullptr);
    ~NotificationsStandIn() override;

    // Registers the object and takes the name; false when the name is taken or the bus gone.
    bool serve();

    QList<Notification> notifications() const { return m_notifications; }
    // What GetCapabilities answers; "body" (plain-text bodies) unless set.
    void setCapabilities(const QStringList &capabilities) { m_capabilities = capabilities; }
    // Called after each Notify has been recorded.
    void setObserver(std::function<void(const Notification &)> observer)
    {
        m_observer = std::move(observer);
    }

public slots:
    Q_SCRIPTABLE quint32 Notify(const QString &appName, quint32 replacesId, const QString &appIcon,
                                const QString &summary, const QString &body,
                                const QStringList &actions, const QVariantMap &hints,
                                qint32 expireTimeout);
    Q_SCRIPTABLE QStringList GetCapabilities();
    Q_SCRIPTABLE QString GetServerInformation(QString &vendor, QString &version,
                                              QString &specVersion);

private:
    QDBusConnection m_connection;
    QList<Notification> m_notifications;
    std::function<void(const Notification &)> m_observer;
    QStringList m_capabilities{QStringLiteral("body")};
    bool m_serving = false;
};
