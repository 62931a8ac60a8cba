// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the releases behind hot keys come from. One input backend is chosen when the first
// event monitor is installed and stays for the whole run; it is the only source of releases,
// so nothing reaches the monitors twice. Each backend hands its releases to
// deliverInputEvent() (eventmonitor.h).
//
//   X11    XInput 2.2 raw events on Trundle's own X connection (x11connection.h)
//   portal the desktop's global-shortcuts portal, on Wayland (portalinputbackend.h)
//   input devices  the keyboards and mice in /dev/input, when the user turned that on
//   null   nothing: no source can deliver releases in this session, and the backend says why
//   fake   releases injected by tests (fake/fakeinput.h)
//
// On Wayland the X11 backend is never chosen, even when Qt runs through XWayland: XWayland
// reports raw events only for input that goes to X11 windows, so hot keys would stop whenever
// a native Wayland window is in front, without a word.

#include <QMap>
#include <QObject>
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
    PortalRefused,          // the shortcuts portal is there but refused the session or the keys
};

// Where releases come from when a backend delivers them, for the line that tells the user.
enum class HotKeySource
{
    None,
    X11,
    Portal,
    InputDevices,
};

// The function keys bound to scripts: number (1 to 12) -> the text a desktop shows the user
// for it ("Run backup.sh"). Backends that must ask the desktop for keys ask for these; every
// backend says how each of them stands (keyStatuses()).
using FunctionKeyBindings = QMap<int, QString>;

// How one bound function key stands: armed (its release runs the script) and through what, or
// why not.
struct HotKeyStatus
{
    enum class State
    {
        Armed,
        Asking, // the desktop has not answered yet
        NotArmed,
    };
    State state = State::NotArmed;
    HotKeySource source = HotKeySource::None; // through what it is armed
    QString trigger; // the key the desktop says triggers it, where the desktop picks ("F5")
    QString reason;  // why it is not armed, in English
    bool operator==(const HotKeyStatus &) const = default;
};
// By function-key number, for each key in the bindings.
using HotKeyStatuses = QMap<int, HotKeyStatus>;

class InputBackend : public QObject
{
    Q_OBJECT
public:
    ~InputBackend() override;

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
    virtual HotKeySource source() const = 0;
    // Whether the three answers above are final for now: a backend that asks the desktop over
    // D-Bus knows only once it has answered, and says statusChanged() then.
    virtual bool settled() const { return true; }

    // The keys the user bound, at start and after every change of the table. Overrides call
    // this first: it keeps them for functionKeyBindings().
    virtual void setFunctionKeyBindings(const FunctionKeyBindings &bindings);
    FunctionKeyBindings functionKeyBindings() const { return m_bindings; }
    // Each bound key's standing. By default every key stands as the backend does: armed through
    // source() when it delivers releases, else not, for obstacleReason(). statusChanged() says
    // when it may have changed.
    virtual HotKeyStatuses keyStatuses() const;

signals:
    // settled(), deliversReleases(), obstacle(), source() or keyStatuses() may have changed.
    void statusChanged();

protected:
    InputBackend() = default;

private:
    FunctionKeyBindings m_bindings;
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
    HotKeySource source() const override { return HotKeySource::None; }

private:
    HotKeyObstacle m_obstacle;
    QString m_reason;
};

} // namespace platform
