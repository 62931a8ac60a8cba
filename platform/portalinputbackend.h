// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hot keys through the desktop's global-shortcuts portal (org.freedesktop.portal.GlobalShortcuts
// of xdg-desktop-portal), for Wayland, where no client may watch the keyboard. Trundle asks the
// desktop for one shortcut per bound function key ("hotkey-5", preferably triggered by F5,
// described by the script's name); the desktop may show the user a dialog and let them pick
// other keys. The desktop says when a shortcut is pressed (Activated) and released
// (Deactivated); the release is handed to the monitors as the release of that F key, so the
// dispatch runs the script once. A press alone runs nothing: a desktop that never says
// Deactivated runs no script. Mouse buttons cannot be asked for.
//
// All of it goes over a D-Bus connection of Trundle's own, whose first call to the portal is
// Registry.Register with the application id (the desktop file id): newer portals fix a
// connection's id at its first call, and Qt's own calls on the shared session connection would
// come first. Older portals have no Registry and find the id themselves.
//
// Then, one step after the other: the version property (whether the portal offers
// GlobalShortcuts at all), a session with the keys in its "shortcuts" option (the only place
// some desktops take them from), ListShortcuts, and BindShortcuts only for keys the desktop does
// not hold with a trigger yet: a desktop that shows a dialog on binding shows it only when a key
// is new. The session token is always the same, so desktops that keep the keys per application
// and token find them again after a change or a restart. A key counts as armed only when the
// desktop names a trigger for it. A changed table closes the session and asks on a new one.
// When the portal stops (it crashed, or the desktop restarted it), its sessions and unanswered
// requests are gone with it: Trundle forgets them and asks the portal that comes next again.

#include "inputbackend.h"

#include <QDBusConnection>
#include <QMap>
#include <QString>

class QDBusMessage;

namespace platform {

class PortalInputBackend : public InputBackend
{
    Q_OBJECT
public:
    // On a connection of its own to the session bus, made once the event loop runs: start-up
    // never waits for it. The application id is the desktop file name.
    PortalInputBackend();
    // On connection, starting now (a private bus in the tests), as appId (empty: none).
    PortalInputBackend(const QDBusConnection &connection, const QString &appId);
    ~PortalInputBackend() override;

    QString name() const override { return QStringLiteral("portal"); }
    bool deliversReleases() const override;
    HotKeyObstacle obstacle() const override { return m_obstacle; }
    QString obstacleReason() const override { return m_reason; }
    HotKeySource source() const override { return HotKeySource::Portal; }
    bool settled() const override { return m_settled; }
    void setFunctionKeyBindings(const FunctionKeyBindings &bindings) override;
    HotKeyStatuses keyStatuses() const override;

    // The session the keys are bound on; empty while there is none.
    QString sessionPath() const { return m_sessionPath; }
    // What the desktop says triggers each shortcut it holds for the session ("hotkey-5" ->
    // "F5"; empty when it named no trigger), from its last answer and ShortcutsChanged since.
    QMap<QString, QString> triggers() const { return m_triggers; }

    // "hotkey-5" for F5, and back (0 for an id that names no function key).
    static QString shortcutIdForFunctionKey(int number);
    static int functionKeyForShortcutId(const QString &id);
    // The session token: one for the application, so the desktop keeps one set of keys for it.
    static QString sessionToken();

private slots:
    void activated(const QDBusMessage &signal);
    void deactivated(const QDBusMessage &signal);
    void shortcutsChanged(const QDBusMessage &signal);
    void sessionClosed(const QDBusMessage &signal);
    void portalOwnerChanged(const QString &service, const QString &oldOwner,
                            const QString &newOwner);

private:
    void attach(const QDBusConnection &connection);
    void registerApplication();
    void askForVersion();
    void createSession();
    void listShortcuts();
    void bindWhatIsWanted();
    void bind();
    void closeSession();
    // Forgets the session without asking the portal: nothing is bound on it, its Closed is not
    // listened to any more.
    void dropSession();
    void followSignals();
    bool isOurSession(const QDBusMessage &signal) const;
    void readTriggers(const QVariant &shortcuts);
    bool holdsEveryKeyAsked() const;
    // Each key asked for stands as the desktop's last answer says; declined: why the keys that
    // hold no trigger are not armed (the desktop turned the request down), empty when it
    // answered.
    void judgeKeys(const QString &declined = {});
    QString whyNotArmed(const QString &why) const;
    // The session was refused: no key is armed, for m_reason.
    void refuseEveryKey();
    void refuse(HotKeyObstacle obstacle, const QString &reason);
    void work();
    void settle();
    void forgetPortal();

    QDBusConnection m_bus{QString()};
    QString m_appId;
    QString m_registryProblem; // why the portal may not know the application id
    // What belongs to the portal that runs now: the requests out to it and their replies go
    // with this object when that portal goes.
    QObject *m_askingPortal = nullptr;
    HotKeyObstacle m_obstacle = HotKeyObstacle::None;
    QString m_reason;
    bool m_settled = false;
    bool m_busy = false;        // a session or a binding is being asked for
    bool m_portalThere = false; // the portal offers GlobalShortcuts
    QString m_sessionPath;
    bool m_closing = false;        // the last session's Close is not answered yet
    bool m_bindingRefused = false; // the last binding was refused: the next change asks again
    FunctionKeyBindings m_wanted;
    FunctionKeyBindings m_asked; // the keys the session was made with
    QMap<QString, QString> m_triggers;
    HotKeyStatuses m_statuses; // of the keys asked for, once answered
};

} // namespace platform
