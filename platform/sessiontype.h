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
    Null
};

struct InputBackendChoice
{
    InputBackendKind kind = InputBackendKind::Null;
    HotKeyObstacle obstacle = HotKeyObstacle::None; // None exactly when kind is X11
    QString reason;                                 // why not X11, for the process log
};

// X11 in an X11 session when Qt runs on xcb there and the X11 backend is built; null, with
// the reason, everywhere else.
InputBackendChoice chooseInputBackend(const SessionEnvironment &environment);

} // namespace platform
