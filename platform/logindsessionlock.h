// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's session as logind (org.freedesktop.login1 on the system bus) sees it: locked
// (LockedHint) or not in front (Active false: another user's session is on the screen). The
// session is found at start with asynchronous calls, from XDG_SESSION_ID, else from this
// process (GetSessionByPID), else as the user's display session; its two properties are then
// followed through PropertiesChanged, so a question costs nothing and sends nothing. Without a
// system bus, without logind, or until logind has answered, both are unknown, which withholds
// nothing. When logind goes away or comes (back), the session is looked up anew.

#include "sessionlock.h"

#include <QDBusConnection>
#include <QVariantMap>

#include <functional>

class QDBusMessage;
class QDBusServiceWatcher;

namespace platform {

class LogindSessionLock : public SessionLock
{
    Q_OBJECT
public:
    // On the system bus, connected once the event loop runs: start-up never waits for it.
    explicit LogindSessionLock(QObject *parent = nullptr);
    // On connection, starting now (a private bus in the tests).
    explicit LogindSessionLock(const QDBusConnection &connection, QObject *parent = nullptr);
    ~LogindSessionLock() override;

    std::optional<QString> reasonToWithholdHotKeys() override;

    // What logind said last; nullopt while unknown.
    std::optional<bool> locked() const { return m_locked; }
    std::optional<bool> active() const { return m_active; }
    // The session followed, empty while none is.
    QString sessionPath() const { return m_sessionPath; }

    // stateChanged() is sent when a session is found or lost, or its LockedHint or Active
    // changes.

private slots:
    void propertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                           const QStringList &invalidated);

private:
    void attach(const QDBusConnection &connection);
    void findSession();
    void findSessionOfThisProcess();
    void findDisplaySessionOfThisUser();
    void follow(const QString &sessionPath);
    void readProperties();
    void apply(const QVariantMap &properties);
    void forget();
    void call(const QDBusMessage &message, std::function<void(const QDBusMessage &)> onReply,
              std::function<void()> onError);

    QDBusConnection m_bus{QString()};
    QDBusServiceWatcher *m_watcher = nullptr;
    QString m_sessionIdOfEnvironment; // XDG_SESSION_ID as it was at start
    quint64 m_generation = 0;         // replies to calls of an earlier look-up are dropped
    QString m_sessionPath;
    QString m_sessionId;
    std::optional<bool> m_locked;
    std::optional<bool> m_active;
};

} // namespace platform
