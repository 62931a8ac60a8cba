// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Trundle's own second connection to the X server, beside Qt's: it carries the XInput 2 raw
// key and button events of the whole desktop and the root window's property changes. A socket
// notifier on the main thread wakes it when the server sends something; there is no timer and
// no polling, so it costs nothing while the user does nothing.
//
// No X headers here (their Bool and Status macros break Qt's); the .cpp files that need the
// display include Xlib themselves.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct _XDisplay;

namespace platform {

class X11Connection : public QObject
{
    Q_OBJECT
public:
    // Opens the connection named by DISPLAY; null with the reason in whyNot when that fails.
    static std::unique_ptr<X11Connection> open(QString *whyNot);
    ~X11Connection() override;

    _XDisplay *display() const;
    unsigned long rootWindow() const;

    // Asks for the raw key and button events of all master devices (XInput 2.2). False, with
    // the reason in whyNot, when the server cannot deliver them.
    bool selectRawEvents(QString *whyNot);
    // Calls handler with the atom of every property change on the root window.
    void watchRootProperties(std::function<void(unsigned long atom)> handler);

    // After a request with a reply made outside the event handler: Xlib may have read events
    // from the socket while waiting for the reply, and those sit in its queue where the socket
    // notifier cannot see them. This handles them in a moment, from the event loop.
    void drainLater();

    // Whether the window manager's active window is one of ours, as the workspace follows it.
    // Known, it decides between the global and the local monitors: it changes in the same
    // stream as the raw events, so each release is judged by the window active at that moment.
    // Unknown (no EWMH window manager), Qt's focus window decides.
    void setOwnWindowActive(std::optional<bool> active);

    // False once the server has gone away; nothing is sent or read after that.
    bool isAlive() const;

private:
    struct Private;
    explicit X11Connection(std::unique_ptr<Private> d);
    void processPendingEvents();

    std::unique_ptr<Private> d;
};

} // namespace platform
