// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts-portal stand-in as a program, for end-to-end runs: serves on the session bus
// (DBUS_SESSION_BUS_ADDRESS) and appends each recorded call as a line to the file named by its
// last argument. Options: --version N (0: no GlobalShortcuts), --no-registry,
// --session-response N, --bind-response N. Shortcuts are pressed and released with
//   dbus-send --session --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop
//       org.trundle.test.PortalStandIn.Release string:hotkey-5
// (Press for Activated; ChangeTrigger with a second text argument for ShortcutsChanged).

#include "portalstandin.h"
#include "standinprogram.h"
#include "testsupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("GlobalShortcuts version"), QStringLiteral("N"),
                                     QStringLiteral("1"));
    const QCommandLineOption noRegistry(QStringLiteral("no-registry"),
                                        QStringLiteral("offer no Registry interface"));
    const QCommandLineOption sessionResponse(QStringLiteral("session-response"),
                                             QStringLiteral("CreateSession's response code"),
                                             QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption bindResponse(QStringLiteral("bind-response"),
                                          QStringLiteral("BindShortcuts' response code"),
                                          QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({version, noRegistry, sessionResponse, bindResponse});
    parser.addPositionalArgument(QStringLiteral("record"), QStringLiteral("the file of calls"));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fputs("usage: portal_standin [options] RECORD-FILE\n", stderr);
        return 2;
    }
    PortalStandIn::Options options;
    options.version = parser.value(version).toUInt();
    options.registry = !parser.isSet(noRegistry);
    options.sessionResponse = parser.value(sessionResponse).toUInt();
    options.bindResponse = parser.value(bindResponse).toUInt();

    const QString record = parser.positionalArguments().constFirst();
    PortalStandIn portal(QDBusConnection::sessionBus(), options);
    portal.setObserver([record](const QString &line) { appendToJournal(record, line); });
    return serveUntilStopped(portal.serve(), QStringLiteral("org.freedesktop.portal.Desktop"));
}
