// SPDX-License-Identifier: GPL-3.0-or-later
// logind for the end-to-end tests, on the bus that DBUS_SYSTEM_BUS_ADDRESS names: the session
// "c7" of the user who runs it, active and not locked, which is also the user's display
// session, and "c8" of another user, not active. The test changes them with the methods logind
// has for it:
//
//   dbus-send --system --dest=org.freedesktop.login1 --print-reply
//       /org/freedesktop/login1/session/c7 org.freedesktop.login1.Session.SetLockedHint
//       boolean:true
//   dbus-send --system --dest=org.freedesktop.login1 --print-reply
//       /org/freedesktop/login1 org.freedesktop.login1.Manager.ActivateSession string:c8
//
// Says "serving" and runs until it is stopped; exits 1 when the bus or the name cannot be had.

#include "logindstandin.h"
#include "standinprogram.h"

#include <QCoreApplication>
#include <QDBusError>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "logind_standin: no bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    LogindStandIn logind(bus);
    logind.addSession({QStringLiteral("c7"), quint32(getuid()), {}, true, false});
    logind.addSession({QStringLiteral("c8"), quint32(getuid()) + 4242, {}, false, false});
    logind.setDisplaySession(quint32(getuid()), QStringLiteral("c7"));
    return serveUntilStopped(logind.serve(), QStringLiteral("org.freedesktop.login1"));
}
