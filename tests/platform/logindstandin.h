// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for logind on a test's own bus: org.freedesktop.login1 with the Manager's session
// look-ups, sessions with Id, LockedHint and Active, and users with their Display session, all
// read through org.freedesktop.DBus.Properties. Changes are announced with PropertiesChanged as
// logind announces them, whether the test makes them or a client calls the same methods that
// logind has for it (Session.SetLockedHint, Manager.ActivateSession).
//
//   LogindStandIn logind(QDBusConnection::connectToBus(address, "logind"));
//   logind.addSession({"c7", getuid(), {quint32(getpid())}});
//   logind.serve();
//   logind.setLockedHint("c7", true);

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QList>
#include <QMap>
#include <QStringList>

class LogindStandIn : public QDBusVirtualObject
{
    Q_OBJECT
public:
    struct Session
    {
        QString id; // letters and digits: it is part of the object path
        quint32 uid = 0;
        QList<quint32> pids; // the processes GetSessionByPID finds it for
        bool active = true;
        bool locked = false;
    };

    explicit LogindStandIn(const QDBusConnection &connection, QObject *parent = nullptr);
    ~LogindStandIn() override;

    void addSession(const Session &session);
    void setDisplaySession(quint32 uid, const QString &sessionId);

    // Registers the objects and takes the name; false when the name is taken or the bus gone.
    bool serve();
    // Gives the name up again, as logind does when it stops.
    void stopServing();

    void setLockedHint(const QString &sessionId, bool locked);
    // The session comes to the front of the seat: it becomes active, every other one not.
    void activate(const QString &sessionId);

    // Every method called on the stand-in so far, as "Interface.Method" (the interface's last
    // part), in order.
    QStringList calls() const { return m_calls; }

    static QString sessionPath(const QString &sessionId);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QDBusMessage managerReply(const QDBusMessage &message);
    QDBusMessage sessionReply(const QString &id, const QDBusMessage &message);
    QDBusMessage userReply(quint32 uid, const QDBusMessage &message);
    void announce(const QString &id, const QVariantMap &changed);

    QDBusConnection m_connection;
    QMap<QString, Session> m_sessions;
    QMap<quint32, QString> m_displaySessions;
    QStringList m_calls;
    bool m_serving = false;
};
