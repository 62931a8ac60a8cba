// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which kind of desktop session Trundle runs in, and the input backend that fits it. Pure
// functions of the environment, so the choice is tested without a display.

#include "inputbackend.h"

#include <QString>

namespace platform {

struct SessionEnvironment
{
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString xdgSessionType; // XDG_SESSION_TYPE
    QString display;        // DISPLAY
    QString qtPlatform;     // QGuiApplication::platformName(); empty without a GUI application
    bool x11Built = false;  // whether this build has the X11 backend
    bool readInputDevices = false; // the user's preference: read /dev/input directly

    // The preference as read at start, for current(); set before the first event monitor.
    static void setReadInputDevices(bool read);

    // This process's environment.
    static SessionEnvironment current();
};

enum class SessionType
{
    X11,
    Wayland,
    None
};

// Wayland when WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says "wayland", whatever platform Qt
// runs on (XWayland sets DISPLAY as well); else X11 when DISPLAY is set; else none.
SessionType sessionType(const SessionEnvironment &environment);

enum class InputBackendKind
{
    X11,
    Portal,
    InputDevices,
    Null
};

struct InputBackendChoice
{
    InputBackendKind kind = InputBackendKind::Null;
    HotKeyObstacle obstacle = HotKeyObstacle::None; // None exactly when kind is not Null
    QString reason;                                 // why null, for the process log
};

// The input devices in an X11 or Wayland session when the user turned reading them on; else
// the desktop's shortcuts portal in a Wayland session (whether it is there is for the portal
// backend to find out: it asks over D-Bus); X11 in an X11 session when Qt runs on xcb there and
// the X11 backend is built; null, with the reason, everywhere else.
InputBackendChoice chooseInputBackend(const SessionEnvironment &environment);

} // namespace platform
