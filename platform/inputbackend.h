#pragma once

// Where the releases behind hot keys come from. One input backend is chosen when the first
// event monitor is installed and stays for the whole run; it is the only source of releases,
// so nothing reaches the monitors twice. Each backend hands its releases to
// deliverInputEvent() (eventmonitor.h).
//
//   X11    XInput 2.2 raw events on Trundle's own X connection (x11connection.h)
//   input devices  the keyboards and mice in /dev/input, when the user turned that on
//   null   nothing: no source can deliver releases in this session, and the backend says why
//   fake   releases injected by tests (fake/fakeinput.h)
//
// On Wayland the X11 backend is never chosen, even when Qt runs through XWayland: XWayland
// reports raw events only for input that goes to X11 windows, so hot keys would stop whenever
// a native Wayland window is in front, without a word.

#include <QString>

namespace platform {

// What keeps hot keys from working; None when a backend delivers releases.
enum class HotKeyObstacle
{
    None,
    WaylandSession,         // no global-shortcuts portal, and reading input devices is off
    QtNotOnX11,             // Qt runs on another platform than the X server we could listen to
    NoDisplay,              // neither DISPLAY nor WAYLAND_DISPLAY
    NoX11Support,           // this build has no X11 backend
    X11Unavailable,         // no X connection, or the server cannot deliver XInput 2.2 raw events
    InputDevicesUnreadable, // reading input devices is on, but none may be read
};

class InputBackend
{
public:
    virtual ~InputBackend();

    // The backend in use: chosen and started on first use (by the first event monitor, or by
    // hotKeysAvailable()).
    static InputBackend *shared();
    // Makes shared() return fake (not owned) until called again with null.
    static void setSharedForTesting(InputBackend *fake);
    static bool isSharedForTesting(const InputBackend *backend);

    // "X11", "null", "fake": for the debug log.
    virtual QString name() const = 0;
    // Whether releases arrive through this backend.
    virtual bool deliversReleases() const = 0;
    // Why they do not (None when they do), and the reason in English for the process log.
    virtual HotKeyObstacle obstacle() const = 0;
    virtual QString obstacleReason() const = 0;

protected:
    InputBackend() = default;
};

// A backend that delivers nothing, for the reason it was given.
class NullInputBackend : public InputBackend
{
public:
    NullInputBackend(HotKeyObstacle obstacle, QString reason);

    QString name() const override { return QStringLiteral("null"); }
    bool deliversReleases() const override { return false; }
    HotKeyObstacle obstacle() const override { return m_obstacle; }
    QString obstacleReason() const override { return m_reason; }

private:
    HotKeyObstacle m_obstacle;
    QString m_reason;
};

} // namespace platform
