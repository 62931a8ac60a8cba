// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hot keys through the desktop's global-shortcuts portal (org.freedesktop.portal.GlobalShortcuts
// of xdg-desktop-portal), for Wayland, where no client may watch the keyboard. Trundle asks the
// desktop for one shortcut per bound function key ("hotkey-5", preferably triggered by F5,
// described by the script's name); the desktop may show the user a dialog and let them pick
// other keys. The desktop says when a shortcut is pressed (Activated) and released
// (Deactivated); the release is handed to the monitors as the release of that F key, so the
// dispatch runs the script once. Mouse buttons cannot be asked for.
//
// Everything goes asynchronously, one step after the other: the version property (whether the
// portal offers GlobalShortcuts at all), the application id (org.freedesktop.host.portal.Registry,
// where the portal has it; without it the portal finds the id itself), a session, the keys. A
// session binds keys once, so a changed table closes it and binds on a new one. When the portal
// stops (it crashed, or the desktop restarted it), its sessions and unanswered requests are gone
// with it: Trundle forgets them and asks the portal that comes next for the keys again.

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
    // On the session bus, connected once the event loop runs: start-up never waits for it.
    PortalInputBackend();
    // On connection, starting now (a private bus in the tests).
    explicit PortalInputBackend(const QDBusConnection &connection);
    ~PortalInputBackend() override;

    QString name() const override { return QStringLiteral("portal"); }
    bool deliversReleases() const override;
    HotKeyObstacle obstacle() const override { return m_obstacle; }
    QString obstacleReason() const override { return m_reason; }
    HotKeySource source() const override { return HotKeySource::Portal; }
    bool settled() const override { return m_settled; }
    void setFunctionKeyBindings(const FunctionKeyBindings &bindings) override;

    // The session the keys are bound on; empty while there is none.
    QString sessionPath() const { return m_sessionPath; }
    // What the desktop says triggers each bound shortcut ("hotkey-5" -> "F5"), from the answer
    // to the last binding and ShortcutsChanged since.
    QMap<QString, QString> triggers() const { return m_triggers; }

    // "hotkey-5" for F5, and back (0 for an id that names no function key).
    static QString shortcutIdForFunctionKey(int number);
    static int functionKeyForShortcutId(const QString &id);

private slots:
    void activated(const QDBusMessage &signal);
    void deactivated(const QDBusMessage &signal);
    void shortcutsChanged(const QDBusMessage &signal);
    void sessionClosed(const QDBusMessage &signal);
    void portalOwnerChanged(const QString &service, const QString &oldOwner,
                            const QString &newOwner);

private:
    void attach(const QDBusConnection &connection);
    void askForVersion();
    void registerApplication();
    void createSession();
    void bindWhatIsWanted();
    void bind(const FunctionKeyBindings &bindings);
    void closeSession();
    // Forgets the session without asking the portal: nothing is bound on it, its Closed is not
    // listened to any more.
    void dropSession();
    void followSignals();
    bool isOurSession(const QDBusMessage &signal) const;
    void readTriggers(const QVariant &shortcuts);
    void refuse(HotKeyObstacle obstacle, const QString &reason);
    void work();
    void settle();
    void forgetPortal();

    QDBusConnection m_bus{QString()};
    // What belongs to the portal that runs now: the requests out to it and their replies go
    // with this object when that portal goes.
    QObject *m_askingPortal = nullptr;
    HotKeyObstacle m_obstacle = HotKeyObstacle::None;
    QString m_reason;
    bool m_settled = false;
    bool m_busy = false;        // a session or a binding is being asked for
    bool m_portalThere = false; // the portal offers GlobalShortcuts
    QString m_sessionPath;
    bool m_sessionHasBound = false; // a session takes one BindShortcuts
    bool m_bindingRefused = false;  // the last binding was refused: the next change asks again
    FunctionKeyBindings m_wanted;
    FunctionKeyBindings m_asked; // what the session was last asked to bind
    QMap<QString, QString> m_triggers;
};

} // namespace platform
