// SPDX-License-Identifier: GPL-3.0-or-later
#include "backend.h"

#include "inputbackend.h"
#include "inputdevicebackend.h"
#include "logindsessionlock.h"
#include "nullworkspace.h"
#include "portalinputbackend.h"
#include "sessionlock.h"
#include "sessiontype.h"
#include "x11connection.h"
#if TRUNDLE_HAVE_X11
#include "x11grabprobe.h"
#include "x11inputbackend.h"
#include "x11workspace.h"
#endif

#include "log.h"

#include <QGuiApplication>
#include <QThread>

#include <memory>

namespace platform {

namespace {

struct BackendState
{
    bool tried = false;
#if TRUNDLE_HAVE_X11
    std::unique_ptr<X11Connection> connection;
#endif
    QString connectionRefusal;
    std::unique_ptr<InputBackend> input;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<SessionLock> sessionLock;
    bool releaseRegistered = false;
};

BackendState &state()
{
    static BackendState s;
    return s;
}

// Said once, whatever the debug switch says: the workspace has nothing to follow. Whether hot
// keys work is the input backend's to say.
void reportNoX11Connection(const QString &reason)
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    processLog("The active application is not followed (%@).", reason);
}

// The backends hold a socket notifier and an X connection: they go with the application object
// (workspace first, it uses the connection), not at static destruction after it.
void releaseBackends()
{
    BackendState &s = state();
    s.input.reset();
    s.sessionLock.reset();
    s.workspace.reset();
#if TRUNDLE_HAVE_X11
    s.connection.reset();
#endif
    s = BackendState();
}

void releaseBackendsWithTheApplication()
{
    BackendState &s = state();
    if (s.releaseRegistered)
        return;
    s.releaseRegistered = true;
    qAddPostRoutine(releaseBackends);
}

QString reasonAgainstX11()
{
#if !TRUNDLE_HAVE_X11
    return QStringLiteral("this build has no X11 support");
#else
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr)
        return QStringLiteral("there is no application object yet");
    if (app->thread() != QThread::currentThread())
        return QStringLiteral("the X connection must be opened on the main thread");
    // Our windows, focus and menus are Qt's: routing the releases to the global or the local
    // monitors only makes sense when Qt itself runs on the X server we listen to.
    if (qobject_cast<QGuiApplication *>(app) != nullptr) {
        const QString name = QGuiApplication::platformName();
        if (name != QLatin1String("xcb"))
            return QStringLiteral("Qt runs on the \"%1\" platform, not on X11").arg(name);
    }
    return {};
#endif
}

// Once the backend knows: the reason in the log when hot keys do not work, else the services
// that the dispatch of releases needs.
void reportInputBackend(InputBackend *input)
{
    if (!input->deliversReleases()) {
        processLog("Global hot keys are unavailable (%@). Everything else works.",
                   input->obstacleReason());
        return;
    }
    // The workspace follows the active window, which routes the releases; the session lock
    // asks logind now, so that the answer is there before the first hot key.
    sharedWorkspaceBackend();
    sharedSessionLockBackend();
}

} // namespace

X11Connection *sharedX11Connection()
{
    BackendState &s = state();
    if (!s.tried) {
        s.tried = true;
        QString why = reasonAgainstX11();
#if TRUNDLE_HAVE_X11
        if (why.isEmpty()) {
            s.connection = X11Connection::open(&why);
            if (s.connection)
                releaseBackendsWithTheApplication();
        }
#endif
        if (!why.isEmpty()) {
            s.connectionRefusal = why;
            reportNoX11Connection(why);
        }
    }
#if TRUNDLE_HAVE_X11
    if (s.connection && s.connection->isAlive())
        return s.connection.get();
#endif
    return nullptr;
}

InputBackend *sharedInputBackend()
{
    BackendState &s = state();
    if (s.input)
        return s.input.get();
    const InputBackendChoice choice = chooseInputBackend(SessionEnvironment::current());
#if TRUNDLE_HAVE_X11
    if (choice.kind == InputBackendKind::X11) {
        if (X11Connection *connection = sharedX11Connection())
            s.input = std::make_unique<X11InputBackend>(connection);
        else if (s.connectionRefusal.isEmpty())
            s.input = std::make_unique<NullInputBackend>(
                HotKeyObstacle::X11Unavailable, QStringLiteral("the X server has gone away"));
        else
            s.input = std::make_unique<NullInputBackend>(HotKeyObstacle::X11Unavailable,
                                                         s.connectionRefusal);
    }
#endif
    if (choice.kind == InputBackendKind::InputDevices) {
        auto devices = std::make_unique<InputDeviceBackend>();
        // A key held over a switch of sessions or the lock screen (pressed on a text console
        // to come back) must not run its script when it comes up here.
        if (QCoreApplication::instance() != nullptr) {
            InputDeviceBackend *reader = devices.get();
            QObject::connect(SessionLock::shared(), &SessionLock::stateChanged, reader,
                             [reader] { reader->forgetHeldKeys(); });
        }
        s.input = std::move(devices);
    }
    // The portal needs the event loop for its D-Bus calls.
    if (choice.kind == InputBackendKind::Portal && QCoreApplication::instance() != nullptr)
        s.input = std::make_unique<PortalInputBackend>();
    if (!s.input)
        s.input = std::make_unique<NullInputBackend>(
            choice.obstacle != HotKeyObstacle::None ? choice.obstacle
                                                    : HotKeyObstacle::WaylandSession,
            choice.reason.isEmpty() ? QStringLiteral("no event loop to ask the portal from")
                                    : choice.reason);
    if (QCoreApplication::instance() != nullptr)
        releaseBackendsWithTheApplication();
    if (s.input->settled()) {
        reportInputBackend(s.input.get());
        return s.input.get();
    }
    InputBackend *input = s.input.get();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(input, &InputBackend::statusChanged, input, [input, connection] {
        if (!input->settled())
            return;
        QObject::disconnect(*connection);
        reportInputBackend(input);
    });
    return input;
}

bool startInputBackend()
{
    return InputBackend::shared()->deliversReleases();
}

Workspace *sharedWorkspaceBackend()
{
    BackendState &s = state();
    if (!s.workspace) {
#if TRUNDLE_HAVE_X11
        if (X11Connection *connection = sharedX11Connection())
            s.workspace = std::make_unique<X11Workspace>(connection);
#endif
        if (!s.workspace) {
            sharedX11Connection(); // says once why there is no X11 backend
            s.workspace = std::make_unique<NullWorkspace>();
        }
    }
    return s.workspace.get();
}

SessionLock *sharedSessionLockBackend()
{
    BackendState &s = state();
    if (!s.sessionLock) {
        if (QCoreApplication::instance() == nullptr) {
            // D-Bus needs an event loop, and so does everything after start-up.
            s.sessionLock = std::make_unique<NullSessionLock>();
            return s.sessionLock.get();
        }
        // logind first: its answer is known without asking; the grab costs a round trip.
        std::vector<SessionLock *> sources{new LogindSessionLock};
#if TRUNDLE_HAVE_X11
        if (sharedX11Connection() != nullptr) {
            if (std::unique_ptr<X11GrabProbe> probe = X11GrabProbe::create())
                sources.push_back(probe.release());
        }
#endif
        s.sessionLock = std::make_unique<CombinedSessionLock>(sources);
        releaseBackendsWithTheApplication();
    }
    return s.sessionLock.get();
}

} // namespace platform
