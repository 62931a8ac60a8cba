// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11workspace.h"

#include "x11connection.h"

#include "log.h"

#include <QGuiApplication>
#include <QWindow>

#include <unistd.h>

// X11 last: its Bool, Status and None macros would break the Qt headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace platform {

namespace {

// EWMH source indication of a _NET_ACTIVE_WINDOW request: a pager, which window managers obey
// at once instead of applying focus-stealing prevention.
constexpr long pagerSource = 2;

bool isOwn(const RunningApplication &app)
{
    return app.processIdentifier == qint64(getpid());
}

// One property of 32-bit items (which Xlib hands over as longs), empty when it is missing,
// of another type, or the window is gone.
QList<unsigned long> readLongProperty(Display *display, Window window, Atom property, Atom type,
                                      long maxItems)
{
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char *data = nullptr;
    QList<unsigned long> values;
    const int status = XGetWindowProperty(display, window, property, 0, maxItems, False, type,
                                          &actualType, &actualFormat, &count, &bytesAfter, &data);
    if (status == Success && data != nullptr && actualType == type && actualFormat == 32) {
        const auto *items = reinterpret_cast<const unsigned long *>(data);
        values.reserve(qsizetype(count));
        for (unsigned long i = 0; i < count; ++i)
            values.append(items[i]);
    }
    if (data != nullptr)
        XFree(data);
    return values;
}

} // namespace

X11Workspace::X11Workspace(X11Connection *connection, QObject *parent)
    : Workspace(parent), m_connection(connection)
{
    Display *display = m_connection->display();
    const char *names[] = {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_CLIENT_LIST",
                           "_NET_CLIENT_LIST_STACKING"};
    Atom atoms[4] = {};
    XInternAtoms(display, const_cast<char **>(names), 4, False, atoms);
    m_activeWindowAtom = atoms[0];
    m_pidAtom = atoms[1];
    m_clientListAtom = atoms[2];
    m_clientListStackingAtom = atoms[3];

    int eventBase = 0;
    int errorBase = 0;
    int major = 1;
    int minor = 2;
    m_hasResourceExtension = XResQueryExtension(display, &eventBase, &errorBase) &&
                             XResQueryVersion(display, &major, &minor) &&
                             (major > 1 || (major == 1 && minor >= 2));

    // What is active when we start is the starting point, not a change: no notification.
    const std::optional<quint64> window = readActiveWindow();
    if (window.value_or(0) != 0) {
        setCurrent(describeWindow(*window), true);
        remember(*m_current);
    } else {
        setCurrent(std::nullopt, window.has_value());
    }
    m_connection->watchRootProperties([this](unsigned long atom) { rootPropertyChanged(atom); });
}

std::optional<RunningApplication> X11Workspace::activeApplication() const
{
    if (!m_connection->isAlive())
        return std::nullopt;
    const quint64 window = readActiveWindow().value_or(0);
    std::optional<RunningApplication> app;
    if (window != 0) {
        app = describeWindow(window);
        remember(*app);
    }
    m_connection->drainLater();
    return app;
}

bool X11Workspace::activateApplicationWithProcessIdentifier(qint64 pid)
{
    if (pid < 0 || !m_connection->isAlive())
        return false;
    // The application the window manager last announced as active is in front already: a hot
    // key's run asks for exactly this one, since its progress panel never takes the focus. A
    // request would only make some window managers grab the keyboard for a moment, under the
    // user's typing.
    if (m_current && m_current->processIdentifier == pid && m_current->window != 0) {
        QZLog("Window 0x%llx of pid %lld is in front already", m_current->window, pid);
        return true;
    }
    const QList<quint64> clients = readClientList();
    quint64 target = m_lastWindowOfProcess.value(pid, 0);
    // The remembered window must still be managed (not closed or withdrawn) and still belong to
    // that process: process IDs are reused.
    if (target != 0 && (!clients.contains(target) || readProcessIdentifier(target) != pid))
        target = 0;
    // Else the topmost of its windows, which usually is the one it last had active.
    for (qsizetype i = clients.size() - 1; target == 0 && i >= 0; --i) {
        if (readProcessIdentifier(clients[i]) == pid)
            target = clients[i];
    }
    if (target == 0) {
        m_lastWindowOfProcess.remove(pid);
        QZLog("No window of pid %lld to bring to the front", pid);
        m_connection->drainLater();
        return false;
    }
    QZLog("Bringing window 0x%llx of pid %lld to the front", target, pid);
    sendActivationRequest(target);
    m_connection->drainLater();
    return true;
}

void X11Workspace::rootPropertyChanged(unsigned long atom)
{
    if (atom != m_activeWindowAtom)
        return;
    const std::optional<quint64> published = readActiveWindow();
    const quint64 window = published.value_or(0);
    if (m_current ? m_current->window == window : window == 0) {
        m_connection->setOwnWindowActive(
            published ? std::optional<bool>(m_current.has_value() && isOwn(*m_current))
                      : std::nullopt);
        return;
    }
    std::optional<RunningApplication> next;
    if (window != 0) {
        next = describeWindow(window);
        remember(*next);
    }
    const std::optional<RunningApplication> previous = m_current;
    setCurrent(next, published.has_value());
    // Another window of the same application (a dialog, a second document) is no change.
    if (previous && next && previous->isSameApplication(*next))
        return;
    if (previous)
        emit didDeactivateApplication(*previous);
    if (next)
        emit didActivateApplication(*next);
}

std::optional<quint64> X11Workspace::readActiveWindow() const
{
    const QList<unsigned long> values = readLongProperty(
        m_connection->display(), m_connection->rootWindow(), m_activeWindowAtom, XA_WINDOW, 1);
    if (values.isEmpty())
        return std::nullopt;
    return values.first();
}

RunningApplication X11Workspace::describeWindow(quint64 window) const
{
    RunningApplication app;
    app.window = window;
    app.processIdentifier = readProcessIdentifier(window);
    // Our own windows answer with the identifier the rest of the program compares against.
    if (isOwn(app))
        app.bundleIdentifier = ownBundleIdentifier();
    else
        app.bundleIdentifier = readClassName(window);
    return app;
}

qint64 X11Workspace::readProcessIdentifier(quint64 window) const
{
    Display *display = m_connection->display();
    const QList<unsigned long> values =
        readLongProperty(display, Window(window), m_pidAtom, XA_CARDINAL, 1);
    if (!values.isEmpty() && values.first() > 0)
        return qint64(values.first());
    // Programs that do not set _NET_WM_PID: ask the server which process owns the window.
    if (!m_hasResourceExtension)
        return -1;
    XResClientIdSpec spec;
    spec.client = Window(window);
    spec.mask = XRES_CLIENT_ID_PID_MASK;
    long count = 0;
    XResClientIdValue *ids = nullptr;
    qint64 pid = -1;
    if (XResQueryClientIds(display, 1, &spec, &count, &ids) == Success) {
        for (long i = 0; i < count && pid < 0; ++i) {
            const pid_t found = XResGetClientPid(&ids[i]);
            if (found > 0)
                pid = found;
        }
        XResClientIdsDestroy(count, ids);
    }
    return pid;
}

QString X11Workspace::readClassName(quint64 window) const
{
    XClassHint hint = {nullptr, nullptr};
    if (!XGetClassHint(m_connection->display(), Window(window), &hint))
        return {};
    QString className =
        hint.res_class != nullptr ? QString::fromLocal8Bit(hint.res_class) : QString();
    if (hint.res_name != nullptr)
        XFree(hint.res_name);
    if (hint.res_class != nullptr)
        XFree(hint.res_class);
    return className;
}

QList<quint64> X11Workspace::readClientList() const
{
    Display *display = m_connection->display();
    const Window root = m_connection->rootWindow();
    constexpr long maxWindows = 4096;
    QList<unsigned long> windows =
        readLongProperty(display, root, m_clientListStackingAtom, XA_WINDOW, maxWindows);
    if (windows.isEmpty())
        windows = readLongProperty(display, root, m_clientListAtom, XA_WINDOW, maxWindows);
    QList<quint64> result;
    result.reserve(windows.size());
    for (unsigned long window : windows)
        result.append(window);
    return result;
}

void X11Workspace::sendActivationRequest(quint64 window)
{
    Display *display = m_connection->display();
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = Window(window);
    event.xclient.message_type = m_activeWindowAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = pagerSource;
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = 0; // the requester has no active window of its own here
    XSendEvent(display, m_connection->rootWindow(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

void X11Workspace::setCurrent(const std::optional<RunningApplication> &app, bool published)
{
    m_current = app;
    m_connection->setOwnWindowActive(published ? std::optional<bool>(app && isOwn(*app))
                                               : std::nullopt);
}

void X11Workspace::remember(const RunningApplication &app) const
{
    if (app.processIdentifier >= 0 && app.window != 0)
        m_lastWindowOfProcess.insert(app.processIdentifier, app.window);
}

void keepOutOfTaskbarOnX11(QWindow *window)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    // Before the window is mapped the state is the client's to write; Qt adds its own states
    // to what it finds there when it maps the window.
    const auto id = Window(window->winId());
    const char *names[3] = {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                            "_NET_WM_STATE_SKIP_PAGER"};
    Atom atoms[3] = {};
    XInternAtoms(display, const_cast<char **>(names), 3, False, atoms);
    const QList<unsigned long> present = readLongProperty(display, id, atoms[0], XA_ATOM, 32);
    for (const Atom state : {atoms[1], atoms[2]}) {
        if (present.contains(state))
            continue;
        const auto item = long(state);
        XChangeProperty(display, id, atoms[0], XA_ATOM, 32, PropModeAppend,
                        reinterpret_cast<const unsigned char *>(&item), 1);
    }
    XFlush(display);
}

} // namespace platform
