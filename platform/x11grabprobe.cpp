// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11grabprobe.h"

#include "log.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

struct X11GrabProbe::Private
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    xcb_window_t window = 0; // made on the first question; goes with the connection
};

std::unique_ptr<X11GrabProbe> X11GrabProbe::create()
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (application == nullptr)
        return nullptr;
    auto *x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return nullptr;
    auto d = std::make_unique<Private>();
    d->connection = x11->connection();
    // Any root will do for a window that is never shown.
    d->root = xcb_setup_roots_iterator(xcb_get_setup(d->connection)).data->root;
    return std::unique_ptr<X11GrabProbe>(new X11GrabProbe(std::move(d)));
}

X11GrabProbe::X11GrabProbe(std::unique_ptr<Private> dd) : d(std::move(dd)) {}

// The window is not destroyed here: this goes after Qt's connection at exit, and the server
// frees a client's windows when its connection closes.
X11GrabProbe::~X11GrabProbe() = default;

std::optional<QString> X11GrabProbe::reasonToWithholdHotKeys()
{
    if (xcb_connection_has_error(d->connection) != 0)
        return std::nullopt;
    if (d->window == 0) {
        d->window = xcb_generate_id(d->connection);
        xcb_create_window(d->connection, 0, d->window, d->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    const xcb_grab_keyboard_cookie_t cookie = xcb_grab_keyboard(
        d->connection, 0, d->window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t *error = nullptr;
    xcb_grab_keyboard_reply_t *reply = xcb_grab_keyboard_reply(d->connection, cookie, &error);
    if (reply == nullptr) {
        QZLog("The keyboard-grab question failed (X error %d): taken as no grab",
              error != nullptr ? int(error->error_code) : -1);
        std::free(error);
        return std::nullopt;
    }
    const quint8 status = reply->status;
    std::free(reply);
    if (status == XCB_GRAB_STATUS_SUCCESS) {
        // Only if the server ever judged an unmapped window viewable: give it back at once.
        xcb_ungrab_keyboard(d->connection, XCB_CURRENT_TIME);
        xcb_flush(d->connection);
        QZLog("The keyboard-grab question grabbed the keyboard; released it");
        return std::nullopt;
    }
    if (status == XCB_GRAB_STATUS_ALREADY_GRABBED)
        return QStringLiteral("another program holds the keyboard (a screen locker or a "
                              "password prompt)");
    return std::nullopt;
}

} // namespace platform
