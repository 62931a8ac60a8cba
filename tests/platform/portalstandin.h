// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the desktop's global-shortcuts portal on a test's own bus: owns
// org.freedesktop.portal.Desktop and serves, at /org/freedesktop/portal/desktop,
// org.freedesktop.portal.GlobalShortcuts (CreateSession, BindShortcuts, ListShortcuts, the
// version property), org.freedesktop.host.portal.Registry, and Close on the sessions it made.
// Each answer goes out as the Request's Response signal before the method's reply, as a portal
// that needs no dialog may send it: a client that subscribes only after the reply misses it.
// A session refuses a second BindShortcuts, as the real portal does.
//
// Every call is recorded as a line of tab-separated fields:
//   Register       app id
//   CreateSession  session path
//   BindShortcuts  session path, then id, preferred trigger and description of each shortcut
//   Close          session path
// Tests make it press and release shortcuts (Activated, Deactivated) on the last session.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>

class PortalStandIn : public QDBusVirtualObject
{
    Q_OBJECT
public:
    struct Options
    {
        uint version = 1;         // of GlobalShortcuts; 0 leaves the interface out
        bool registry = true;     // whether Registry.Register is there
        uint sessionResponse = 0; // CreateSession's response code
        uint bindResponse = 0;    // BindShortcuts' response code
    };

    PortalStandIn(const QDBusConnection &connection, Options options, QObject *parent = nullptr);
    ~PortalStandIn() override;

    // Registers the object and takes the name; false when the name is taken or the bus gone.
    bool serve();

    QStringList calls() const { return m_calls; }
    // Called after each call has been recorded, with its line.
    void setObserver(std::function<void(const QString &)> observer)
    {
        m_observer = std::move(observer);
    }
    QString lastSession() const { return m_lastSession; }

    // Signals on the last session.
    void press(const QString &shortcutId);
    void release(const QString &shortcutId);
    void changeTrigger(const QString &shortcutId, const QString &trigger);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void record(const QStringList &fields);
    void respond(const QDBusMessage &call, const QString &token, uint code,
                 const QVariantMap &results);
    void emitShortcutSignal(const QString &name, const QString &shortcutId);
    bool createSession(const QDBusMessage &message);
    bool bindShortcuts(const QDBusMessage &message);
    bool listShortcuts(const QDBusMessage &message);
    bool properties(const QDBusMessage &message);

    QDBusConnection m_connection;
    Options m_options;
    QStringList m_calls;
    std::function<void(const QString &)> m_observer;
    QSet<QString> m_sessions;
    QSet<QString> m_boundSessions;
    QMap<QString, QString> m_triggers; // id -> trigger of the last session's shortcuts
    QString m_lastSession;
    bool m_serving = false;
};
