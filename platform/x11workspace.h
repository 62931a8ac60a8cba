// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The workspace on an EWMH window manager: the active application is the owner of the window
// in the root window's _NET_ACTIVE_WINDOW, told apart by its process ID (_NET_WM_PID, else the
// X-Resource extension) and named by the class part of its WM_CLASS. Bringing an application
// to the front is a _NET_ACTIVE_WINDOW request for its most recently active window.

#include "workspace.h"

#include <QHash>
#include <QList>

namespace platform {

class X11Connection;

class X11Workspace : public Workspace
{
    Q_OBJECT
public:
    // connection must outlive this workspace.
    explicit X11Workspace(X11Connection *connection, QObject *parent = nullptr);

    std::optional<RunningApplication> activeApplication() const override;
    bool activateApplicationWithProcessIdentifier(qint64 pid) override;

private:
    void rootPropertyChanged(unsigned long atom);

    // The active window, 0 for none; nullopt when the window manager does not publish it.
    std::optional<quint64> readActiveWindow() const;
    RunningApplication describeWindow(quint64 window) const;
    qint64 readProcessIdentifier(quint64 window) const;
    QString readClassName(quint64 window) const;
    // The managed windows, bottom to top when the window manager tells the stacking order.
    QList<quint64> readClientList() const;
    void sendActivationRequest(quint64 window);
    void remember(const RunningApplication &app) const;
    void setCurrent(const std::optional<RunningApplication> &app, bool published);

    X11Connection *m_connection;
    unsigned long m_activeWindowAtom = 0;
    unsigned long m_pidAtom = 0;
    unsigned long m_clientListAtom = 0;
    unsigned long m_clientListStackingAtom = 0;
    bool m_hasResourceExtension = false;
    std::optional<RunningApplication> m_current;
    // The window of each process that was active last: the one to bring back.
    mutable QHash<qint64, quint64> m_lastWindowOfProcess;
};

} // namespace platform
