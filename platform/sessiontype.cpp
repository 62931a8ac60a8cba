// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessiontype.h"

#include <QGuiApplication>

namespace platform {

namespace {
bool g_readInputDevices = false;
}

void SessionEnvironment::setReadInputDevices(bool read)
{
    g_readInputDevices = read;
}

SessionEnvironment SessionEnvironment::current()
{
    SessionEnvironment environment;
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.xdgSessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    environment.display = qEnvironmentVariable("DISPLAY");
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr)
        environment.qtPlatform = QGuiApplication::platformName();
#if TRUNDLE_HAVE_X11
    environment.x11Built = true;
#endif
    environment.readInputDevices = g_readInputDevices;
    return environment;
}

SessionType sessionType(const SessionEnvironment &environment)
{
    if (!environment.waylandDisplay.isEmpty() ||
        environment.xdgSessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return SessionType::Wayland;
    if (!environment.display.isEmpty())
        return SessionType::X11;
    return SessionType::None;
}

InputBackendChoice chooseInputBackend(const SessionEnvironment &environment)
{
    const auto null = [](HotKeyObstacle obstacle, const QString &reason) {
        return InputBackendChoice{InputBackendKind::Null, obstacle, reason};
    };
    const SessionType session = sessionType(environment);
    if (environment.readInputDevices && session != SessionType::None)
        return {InputBackendKind::InputDevices, HotKeyObstacle::None, {}};
    switch (session) {
    case SessionType::Wayland:
        return {InputBackendKind::Portal, HotKeyObstacle::None, {}};
    case SessionType::None:
        // Qt may still run (offscreen, say); its platform is the more telling reason then.
        if (!environment.qtPlatform.isEmpty() && environment.qtPlatform != QLatin1String("xcb"))
            break;
        return null(HotKeyObstacle::NoDisplay,
                    QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set"));
    case SessionType::X11:
        break;
    }
    // Our windows, focus and menus are Qt's: routing the releases to the global or the local
    // monitors only makes sense when Qt itself runs on the X server we listen to.
    if (!environment.qtPlatform.isEmpty() && environment.qtPlatform != QLatin1String("xcb"))
        return null(HotKeyObstacle::QtNotOnX11,
                    QStringLiteral("Qt runs on the \"%1\" platform, not on X11")
                        .arg(environment.qtPlatform));
    if (!environment.x11Built)
        return null(HotKeyObstacle::NoX11Support, QStringLiteral("this build has no X11 support"));
    return {InputBackendKind::X11, HotKeyObstacle::None, {}};
}

} // namespace platform
