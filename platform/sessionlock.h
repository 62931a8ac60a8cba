// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether hot keys may run scripts now. While the screen is locked or the user's session is not
// the one in front, a release belongs to the lock screen or to someone else: it must not run
// the owner's scripts. Two sources know about it, each a backend of this interface:
//
//   - the X server: another client holds the keyboard grab, as every screen locker does and
//     password prompts that ask for secure input (X11GrabProbe);
//   - logind: the session's LockedHint, or Active false while another session is in front
//     (LogindSessionLock).
//
// The hot-key dispatch asks only once a release has turned out to be bound, so unbound
// releases cost nothing here.

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

class SessionLock : public QObject
{
    Q_OBJECT
public:
    ~SessionLock() override;

    // Created on first use: every source this machine has, combined.
    static SessionLock *shared();
    // Makes shared() return fake (not owned) until called again; null goes back to the real one.
    static void setSharedForTesting(SessionLock *fake);
    // Whether lock is the one set for testing (asks without making the real one).
    static bool isSharedForTesting(const SessionLock *lock);

    // Why a bound hot key must not run its script now ("the session is locked ..."), or
    // nullopt when it may. A backend may make one round trip to the X server here, nothing
    // slower; what it does not know (no logind, no X server) does not withhold anything.
    virtual std::optional<QString> reasonToWithholdHotKeys() = 0;

signals:
    // What the source follows changed: a session found or lost, locked or unlocked, put in
    // front or behind another. Sources that are asked each time (the X grab) never send it.
    void stateChanged();

protected:
    explicit SessionLock(QObject *parent = nullptr);
};

// Nothing to ask (no application object to run the other backends on): never withholds.
class NullSessionLock : public SessionLock
{
    Q_OBJECT
public:
    using SessionLock::SessionLock;
    std::optional<QString> reasonToWithholdHotKeys() override;
};

// Asks its sources in order and answers with the first reason; the cheap ones go first, so a
// locked session known from logind needs no round trip to the X server. Takes ownership, and
// passes on the stateChanged() of each source.
class CombinedSessionLock : public SessionLock
{
    Q_OBJECT
public:
    explicit CombinedSessionLock(const std::vector<SessionLock *> &sources,
                                 QObject *parent = nullptr);
    std::optional<QString> reasonToWithholdHotKeys() override;

private:
    std::vector<SessionLock *> m_sources;
};

} // namespace platform
