// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11connection.h"

#include "eventconversion.h"
#include "eventmonitor.h"
#include "eventrouting.h"

#include "log.h"

#include <QSocketNotifier>

// X11 last: its Bool, Status and None macros would break the Qt headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace platform {

namespace {

// Our connection's requests fail in ordinary ways (a window vanishes between reading
// _NET_ACTIVE_WINDOW and reading its properties); Xlib's default handler would end the process.
Display *g_ownDisplay = nullptr;
XErrorHandler g_previousErrorHandler = nullptr;
XIOErrorHandler g_previousIOErrorHandler = nullptr;

int ignoreOwnErrors(Display *display, XErrorEvent *error)
{
    if (display == g_ownDisplay) {
        QZLog("X error %d (request %d.%d) on resource 0x%lx ignored", int(error->error_code),
              int(error->request_code), int(error->minor_code), error->resourceid);
        return 0;
    }
    if (g_previousErrorHandler != nullptr)
        return g_previousErrorHandler(display, error);
    return 0;
}

// Xlib's default handler for a lost connection ends the process before the display's exit
// handler is asked. For our display, return to the exit handler installed in open(); other
// displays (Qt's) keep the behaviour they had.
int surviveOwnConnectionLoss(Display *display)
{
    if (display == g_ownDisplay)
        return 0;
    if (g_previousIOErrorHandler != nullptr)
        return g_previousIOErrorHandler(display);
    return 0;
}

} // namespace

struct X11Connection::Private
{
    Display *display = nullptr;
    Window root = 0;
    int xinputOpcode = -1;
    bool alive = true;
    bool handlingEvents = false;
    bool drainPosted = false;
    QSocketNotifier *notifier = nullptr;
    std::function<void(unsigned long)> rootPropertyHandler;
    ModifierTracker modifiers;
    PointerButtonMap buttonMap;
    std::optional<bool> ownWindowActive;

    void readPointerMapping();

    void handleEvent(XEvent &event);
    void handleRawEvent(int type, int detail, int flags);
    bool releaseGoesToOwnApplication() const;
};

std::unique_ptr<X11Connection> X11Connection::open(QString *whyNot)
{
    const QByteArray displayName = qgetenv("DISPLAY");
    if (displayName.isEmpty()) {
        *whyNot = QStringLiteral("DISPLAY is not set");
        return nullptr;
    }
    Display *display = XOpenDisplay(displayName.constData());
    if (display == nullptr) {
        *whyNot = QStringLiteral("cannot open the X display \"%1\"")
                      .arg(QString::fromLocal8Bit(displayName));
        return nullptr;
    }
    auto d = std::make_unique<Private>();
    d->display = display;
    d->root = XDefaultRootWindow(display);

    g_ownDisplay = display;
    XErrorHandler previous = XSetErrorHandler(ignoreOwnErrors);
    if (previous != ignoreOwnErrors)
        g_previousErrorHandler = previous;
    XIOErrorHandler previousIO = XSetIOErrorHandler(surviveOwnConnectionLoss);
    if (previousIO != surviveOwnConnectionLoss)
        g_previousIOErrorHandler = previousIO;
    // The server went away. Xlib would end the process; this connection only stops, and
    // whatever Qt does about its own connection decides the rest.
    XSetIOErrorExitHandler(
        display,
        [](Display *, void *userData) {
            auto *lost = static_cast<Private *>(userData);
            if (!lost->alive)
                return;
            lost->alive = false;
            if (lost->notifier != nullptr)
                lost->notifier->setEnabled(false);
            processLog("The connection to the X server was lost: global hot keys stop working.");
        },
        d.get());

    std::unique_ptr<X11Connection> connection(new X11Connection(std::move(d)));
    return connection;
}

X11Connection::X11Connection(std::unique_ptr<Private> dd) : d(std::move(dd))
{
    d->notifier = new QSocketNotifier(XConnectionNumber(d->display), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &X11Connection::processPendingEvents);
}

X11Connection::~X11Connection()
{
    delete d->notifier;
    d->notifier = nullptr;
    if (g_ownDisplay == d->display)
        g_ownDisplay = nullptr;
    // After a lost connection Xlib has already given up on the display; closing it would write.
    if (d->alive)
        XCloseDisplay(d->display);
}

_XDisplay *X11Connection::display() const
{
    return d->display;
}

unsigned long X11Connection::rootWindow() const
{
    return d->root;
}

bool X11Connection::isAlive() const
{
    return d->alive;
}

bool X11Connection::selectRawEvents(QString *whyNot)
{
    if (!d->alive) {
        *whyNot = QStringLiteral("the connection to the X server was lost");
        return false;
    }
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(d->display, "XInputExtension", &d->xinputOpcode, &firstEvent,
                         &firstError)) {
        *whyNot = QStringLiteral("the X server has no XInput extension");
        return false;
    }
    // 2.2, not 2.0: with 2.0 the server withholds raw events while any client holds a grab,
    // an open menu for instance.
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(d->display, &major, &minor) != Success || major < 2) {
        *whyNot = QStringLiteral("the X server has no XInput 2");
        return false;
    }
    if (major == 2 && minor < 2)
        processLog("The X server offers XInput %d.%d only: hot keys pressed while a menu is "
                   "open may be missed.",
                   major, minor);

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress); // modifier keys only, for the modifier flags
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask;
    // All master devices, not all devices: each event would otherwise come twice, once from
    // the physical device and once from the virtual core device it is attached to.
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(d->display, d->root, &mask, 1);
    // Raw events name physical buttons; the map says which of them the desktop treats as left.
    // Every client is sent MappingNotify when it changes, so it is read again only then.
    d->readPointerMapping();
    XSync(d->display, False);
    drainLater();
    return d->alive;
}

void X11Connection::watchRootProperties(std::function<void(unsigned long)> handler)
{
    d->rootPropertyHandler = std::move(handler);
    if (!d->alive)
        return;
    XWindowAttributes attributes;
    long mask = PropertyChangeMask;
    if (XGetWindowAttributes(d->display, d->root, &attributes))
        mask |= attributes.your_event_mask;
    XSelectInput(d->display, d->root, mask);
    XFlush(d->display);
    drainLater();
}

void X11Connection::setOwnWindowActive(std::optional<bool> active)
{
    d->ownWindowActive = active;
}

void X11Connection::drainLater()
{
    if (!d->alive || d->handlingEvents || d->drainPosted)
        return;
    if (XEventsQueued(d->display, QueuedAlready) == 0)
        return;
    d->drainPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            d->drainPosted = false;
            processPendingEvents();
        },
        Qt::QueuedConnection);
}

void X11Connection::processPendingEvents()
{
    if (!d->alive)
        return;
    if (d->handlingEvents) {
        // Called from a nested event loop inside one of our own handlers (a script run, a
        // dialog). Move what the server sent into Xlib's queue, so the notifier stops firing;
        // the loop below handles it, in order, once the handler returns.
        XEventsQueued(d->display, QueuedAfterReading);
        return;
    }
    d->handlingEvents = true;
    // XPending also counts what an earlier reply made Xlib read ahead, so one pass empties
    // both the socket and the queue.
    while (d->alive && XPending(d->display) > 0) {
        XEvent event;
        XNextEvent(d->display, &event);
        d->handleEvent(event);
    }
    d->handlingEvents = false;
}

void X11Connection::Private::handleEvent(XEvent &event)
{
    if (event.type == GenericEvent && event.xcookie.extension == xinputOpcode) {
        if (!XGetEventData(display, &event.xcookie))
            return;
        const auto *raw = static_cast<const XIRawEvent *>(event.xcookie.data);
        const int type = event.xcookie.evtype;
        const int detail = raw->detail;
        const int flags = raw->flags;
        // Freed before any handler runs, since a handler may start a nested event loop.
        XFreeEventData(display, &event.xcookie);
        handleRawEvent(type, detail, flags);
        return;
    }
    if (event.type == PropertyNotify && event.xproperty.window == root) {
        if (rootPropertyHandler)
            rootPropertyHandler(event.xproperty.atom);
        return;
    }
    if (event.type == MappingNotify) {
        if (event.xmapping.request == MappingPointer)
            readPointerMapping();
        else
            XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
}

void X11Connection::Private::readPointerMapping()
{
    unsigned char map[255] = {};
    const int count = XGetPointerMapping(display, map, int(sizeof(map)));
    buttonMap.setMapping(map, count);
    QZLog("Pointer button mapping: %d buttons, the physical left button is %d", count,
          buttonMap.logicalButton(1));
}

bool X11Connection::Private::releaseGoesToOwnApplication() const
{
    OwnApplicationState state = currentOwnApplicationState();
    if (ownWindowActive)
        state.active = *ownWindowActive;
    return isForOwnApplication(state);
}

void X11Connection::Private::handleRawEvent(int type, int detail, int flags)
{
    switch (type) {
    case XI_RawKeyPress: {
        if (flags & XIKeyRepeat)
            return;
        const auto keyCode = quint16(detail);
        modifiers.keyPressed(keyCode, quint32(XkbKeycodeToKeysym(display, KeyCode(keyCode), 0, 0)));
        return;
    }
    case XI_RawKeyRelease: {
        const auto keyCode = quint16(detail);
        // Group 0, level 0 names the key whatever the layout and the modifiers held: F5 is F5
        // in every layout, with or without Shift.
        const auto base = quint32(XkbKeycodeToKeysym(display, KeyCode(keyCode), 0, 0));
        const auto shifted = quint32(XkbKeycodeToKeysym(display, KeyCode(keyCode), 0, 1));
        const InputEvent event = keyReleaseEvent(keyCode, base, shifted, modifiers.flags());
        modifiers.keyReleased(keyCode);
        deliverInputEvent(event, releaseGoesToOwnApplication());
        return;
    }
    case XI_RawButtonRelease: {
        const std::optional<InputEvent> event =
            buttonReleaseEvent(buttonMap.logicalButton(detail), modifiers.flags());
        if (event)
            deliverInputEvent(*event, releaseGoesToOwnApplication());
        return;
    }
    default:
        return;
    }
}

} // namespace platform
