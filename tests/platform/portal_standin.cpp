// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts-portal stand-in as a program, for end-to-end runs: serves on the session bus
// (DBUS_SESSION_BUS_ADDRESS) and appends each recorded call as a line to the file named by its
// last argument. Options: --desktop kde64|gnome48|hyprland (how it acts; kde64 unless
// told), --version N (0: no GlobalShortcuts), --no-registry, --app-id-required,
// --session-response N, --cancel-dialog, --refuse ID (the user leaves it out; repeatable).
// Shortcuts are pressed and released with
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
    const QCommandLineOption desktop(QStringLiteral("desktop"), QStringLiteral("how it acts"),
                                     QStringLiteral("NAME"), QStringLiteral("kde64"));
    const QCommandLineOption appIdRequired(QStringLiteral("app-id-required"),
                                           QStringLiteral("no session without an app id"));
    const QCommandLineOption cancelDialog(QStringLiteral("cancel-dialog"),
                                          QStringLiteral("the user cancels the dialog"));
    const QCommandLineOption refuse(QStringLiteral("refuse"),
                                    QStringLiteral("a shortcut the user leaves out"),
                                    QStringLiteral("ID"));
    parser.addOptions(
        {version, noRegistry, sessionResponse, desktop, appIdRequired, cancelDialog, refuse});
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
    options.appIdRequired = parser.isSet(appIdRequired);
    options.cancelDialog = parser.isSet(cancelDialog);
    options.refusedIds = parser.values(refuse);
    const QMap<QString, PortalStandIn::Desktop> desktops{
        {QStringLiteral("kde64"), PortalStandIn::Desktop::Kde64},
        {QStringLiteral("gnome48"), PortalStandIn::Desktop::Gnome48},
        {QStringLiteral("hyprland"), PortalStandIn::Desktop::Hyprland}};
    if (!desktops.contains(parser.value(desktop))) {
        std::fprintf(stderr, "portal_standin: no desktop called %s\n",
                     qPrintable(parser.value(desktop)));
        return 2;
    }
    options.desktop = desktops.value(parser.value(desktop));

    const QString record = parser.positionalArguments().constFirst();
    PortalStandIn portal(QDBusConnection::sessionBus(), options);
    portal.setObserver([record](const QString &line) { appendToJournal(record, line); });
    return serveUntilStopped(portal.serve(), QStringLiteral("org.freedesktop.portal.Desktop"));
}
