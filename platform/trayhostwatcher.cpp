// SPDX-License-Identifier: GPL-3.0-or-later
#include "trayhostwatcher.h"

#include "log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSocketNotifier>

#if TRUNDLE_HAVE_X11
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace platform {

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

struct TrayHostWatcher::X11
{
#if TRUNDLE_HAVE_X11
    xcb_connection_t *connection = nullptr;
    xcb_atom_t selection = XCB_ATOM_NONE;
    xcb_atom_t manager = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> notifier;

    ~X11()
    {
        notifier.reset();
        if (connection)
            xcb_disconnect(connection);
    }

    xcb_atom_t atom(const QByteArray &name) const
    {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData());
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): xcb allocates its replies
        return result;
    }
#endif
};

TrayHostWatcher::TrayHostWatcher(const QDBusConnection &bus, bool xembed, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    // The watcher's owner changes when a panel that hosts the watcher itself starts or restarts.
    auto *serviceWatcher = new QDBusServiceWatcher(watcherService, m_bus,
                                                   QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                watcherOwnerChanged(newOwner);
            });
    // Any sender: the watcher may not be there yet, and its next owner is a new name.
    m_bus.connect(QString(), watcherPath, watcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this,
                  SLOT(statusNotifierHostRegistered()));
    if (m_bus.isConnected()) {
        // Asked once and waited for: the first icon is made (or not) right after this.
        QDBusMessage get = QDBusMessage::createMethodCall(
            watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = m_bus.call(get, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            m_statusNotifierHost =
                qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
    }
    if (xembed)
        watchXEmbedTray();
    QZLog("Tray hosts: status notifier %@, XEmbed %@",
          m_statusNotifierHost ? QStringLiteral("yes") : QStringLiteral("no"),
          m_xembedTray ? QStringLiteral("yes") : QStringLiteral("no"));
}

TrayHostWatcher::~TrayHostWatcher() = default;

void TrayHostWatcher::watcherOwnerChanged(const QString &newOwner)
{
    if (newOwner.isEmpty()) {
        QZLog("The status-notifier watcher went away");
        m_statusNotifierHost = false;
        return;
    }
    // A new watcher knows no items; whether a host is registered with it is asked, since its
    // StatusNotifierHostRegistered may have gone out before the name was ours to follow.
    m_statusNotifierHost = false;
    askWatcher();
}

void TrayHostWatcher::askWatcher()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (!reply.isError() && reply.value().variant().toBool())
            setStatusNotifierHost(true);
    });
}

void TrayHostWatcher::statusNotifierHostRegistered()
{
    setStatusNotifierHost(true);
}

void TrayHostWatcher::setStatusNotifierHost(bool present)
{
    if (present == m_statusNotifierHost)
        return;
    m_statusNotifierHost = present;
    if (present) {
        QZLog("A status-notifier host is there");
        emit hostAppeared();
    }
}

void TrayHostWatcher::watchXEmbedTray()
{
#if TRUNDLE_HAVE_X11
    // A connection of its own: the tray's MANAGER announcement goes to the root window's
    // structure listeners, and nothing of Qt's connection needs to change for it.
    int screen = 0;
    auto x11 = std::make_unique<X11>();
    x11->connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(x11->connection)) {
        QZLog("No X connection to follow the XEmbed tray");
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x11->connection));
    for (int i = 0; i < screen && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return;
    const xcb_window_t root = screens.data->root;
    x11->selection = x11->atom("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    x11->manager = x11->atom("MANAGER");
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x11->connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        x11->connection, xcb_get_selection_owner(x11->connection, x11->selection), nullptr);
    m_xembedTray = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner); // NOLINT(cppcoreguidelines-no-malloc): xcb allocates its replies
    x11->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(x11->connection),
                                                      QSocketNotifier::Read);
    connect(x11->notifier.get(), &QSocketNotifier::activated, this, &TrayHostWatcher::readXEvents);
    m_x11 = std::move(x11);
    readXEvents();
#endif
}

void TrayHostWatcher::readXEvents()
{
#if TRUNDLE_HAVE_X11
    if (!m_x11)
        return;
    bool appeared = false;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_x11->connection)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
            if (message->type == m_x11->manager && message->format == 32 &&
                message->data.data32[1] == m_x11->selection)
                appeared = true;
        }
        std::free(event); // NOLINT(cppcoreguidelines-no-malloc): xcb allocates its events
    }
    if (xcb_connection_has_error(m_x11->connection)) {
        QZLog("The X connection that followed the XEmbed tray is gone");
        m_x11.reset();
        return;
    }
    if (appeared) {
        QZLog("An XEmbed tray is there");
        m_xembedTray = true;
        emit hostAppeared();
    }
#endif
}

} // namespace platform
