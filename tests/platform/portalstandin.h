// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the desktop's global-shortcuts portal on a test's own bus: owns
// org.freedesktop.portal.Desktop and serves, at /org/freedesktop/portal/desktop,
// org.freedesktop.portal.GlobalShortcuts (CreateSession, BindShortcuts, ListShortcuts, the
// version property), org.freedesktop.host.portal.Registry, and Close on the sessions it made.
// Like the real frontend, it replies to a method first and sends the Request's Response after.
//
// It acts as one of the desktops whose portals cannot run in the tests (Desktop; KDE 5.27's
// real one runs in an end-to-end test), and keeps the keys it gave as those desktops do, for as
// long as it runs:
//   Kde64     keys kept per application id (token_<token> without one); BindShortcuts asks
//             the user (the dialog) only for ids not kept yet; one the user leaves out
//             (refusedIds) is missing from the answer; a cancelled dialog answers 1, or 0 with
//             the kept keys when there are some
//   Gnome48   the session handle comes back as a text; keys kept per application id, and none
//             without one (BindShortcuts answers 2); a second BindShortcuts on one session and
//             a cancelled dialog answer 2
//   Hyprland  every id is answered with an empty trigger_description: keys come from the
//             compositor's configuration
// Frontends from 1.21 on refuse a session to an application without an id (appIdRequired);
// those before 1.19 have no Registry. With a Registry, Register must be a connection's first
// call, as the frontend fixes the id then, and it takes only an id whose desktop file is
// installed.
//
// Every call is recorded as a line of tab-separated fields:
//   Register       app id
//   CreateSession  session path, type of the "shortcuts" option ("-" without one), its ids
//   ListShortcuts  session path
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
    enum class Desktop
    {
        Kde64,
        Gnome48,
        Hyprland,
    };

    struct Options
    {
        uint version = 1;                 // of GlobalShortcuts; 0 leaves the interface out
        bool registry = true;             // whether Registry.Register is there
        bool appIdRequired = false;       // CreateSession fails without an application id
        bool desktopFileInstalled = true; // Register takes only an id with a desktop file
        Desktop desktop = Desktop::Kde64;
        uint sessionResponse = 0; // CreateSession's response code
        bool cancelDialog = false;
        QStringList refusedIds; // left out in the dialog
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
    // The keys it keeps: component -> shortcut id -> trigger.
    QMap<QString, QMap<QString, QString>> kept() const { return m_kept; }

    // Signals on the last session.
    void press(const QString &shortcutId);
    void release(const QString &shortcutId);
    void changeTrigger(const QString &shortcutId, const QString &trigger);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    struct Session
    {
        QString appId;
        QString component;
        QStringList ids; // the shortcuts of this session
        int binds = 0;
    };

    void record(const QStringList &fields);
    void respond(const QDBusMessage &call, const QString &token, uint code,
                 const QVariantMap &results);
    void emitShortcutSignal(const QString &name, const QString &shortcutId);
    QVariant describe(const QStringList &ids, const QString &component) const;
    bool registerApplication(const QDBusMessage &message, bool firstCall);
    bool createSession(const QDBusMessage &message);
    bool bindShortcuts(const QDBusMessage &message);
    bool listShortcuts(const QDBusMessage &message);
    bool properties(const QDBusMessage &message);

    QDBusConnection m_connection;
    Options m_options;
    QStringList m_calls;
    std::function<void(const QString &)> m_observer;
    QMap<QString, QString> m_appIds; // sender -> registered id
    QSet<QString> m_callers;         // senders that called before
    QMap<QString, Session> m_sessions;
    QMap<QString, QMap<QString, QString>> m_kept;
    QString m_lastSession;
    bool m_serving = false;
};
