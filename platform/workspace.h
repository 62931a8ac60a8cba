// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The workspace: which application is in front, notifications when that changes, and bringing
// an application back to the front. An X11 backend follows the window manager's
// _NET_ACTIVE_WINDOW; without an X server a null backend reports nothing and activates nothing.

#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

class QWindow;

namespace platform {

struct RunningApplication
{
    qint64 processIdentifier = -1; // from _NET_WM_PID, else the X-Resource extension; -1 unknown
    QString bundleIdentifier;      // class part of WM_CLASS; Trundle's own windows report
                                   // Workspace::ownBundleIdentifier()
    quint64 window = 0;            // the X window that was activated

    // "<bundle identifier> (pid <n>, window 0x<w>)", for the debug log.
    QString description() const;
    // Same process, or for windows of unknown process the same window.
    bool isSameApplication(const RunningApplication &other) const;
};

class Workspace : public QObject
{
    Q_OBJECT
public:
    ~Workspace() override;

    // Created on first use: the X11 backend, or the null backend without an X server.
    static Workspace *shared();
    // Makes shared() return fake (not owned) until called again; null goes back to the real one.
    static void setSharedForTesting(Workspace *fake);
    // Trundle's own identifier: what the class part of its windows' WM_CLASS says, which is
    // the application name (QCoreApplication::applicationName()).
    static QString ownBundleIdentifier();

    // The application in front now, read afresh; nullopt when nothing is active or unknown.
    virtual std::optional<RunningApplication> activeApplication() const = 0;
    // Brings the application with that process ID to the front: its most recently active
    // window, asked of the window manager as a pager would ("ignoring other apps"). False when
    // no window of that process is known or it no longer exists.
    virtual bool activateApplicationWithProcessIdentifier(qint64 pid) = 0;

signals:
    void didActivateApplication(const platform::RunningApplication &app);
    void didDeactivateApplication(const platform::RunningApplication &app);
    void sessionDidResignActive();

protected:
    explicit Workspace(QObject *parent = nullptr);
};

// Asks the window manager to leave window out of the taskbar and the pager: for a window that
// shows what Trundle is doing and is never one to switch to. On X11 (Qt's xcb platform) before
// each show, since the window manager may drop the state when the window is hidden; nothing
// elsewhere.
void keepOutOfTaskbar(QWindow *window);

} // namespace platform

Q_DECLARE_METATYPE(platform::RunningApplication)
