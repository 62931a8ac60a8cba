// SPDX-License-Identifier: GPL-3.0-or-later
// The notification-server stand-in as a program, for end-to-end runs: serves on the session
// bus (DBUS_SESSION_BUS_ADDRESS) and appends one line per Notify call to the file named by its
// argument: application name, summary and body, separated by tabs (a tab or line break inside
// them is written as \t or \n, so that each call stays one line).

#include "notificationsstandin.h"
#include "standinprogram.h"
#include "testsupport.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: notifications_standin RECORD-FILE\n", stderr);
        return 2;
    }
    const QString record = QString::fromLocal8Bit(argv[1]);
    NotificationsStandIn server(QDBusConnection::sessionBus());
    server.setObserver([record](const NotificationsStandIn::Notification &notification) {
        QStringList fields{notification.appName, notification.summary, notification.body};
        for (QString &field : fields)
            field.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n"));
        appendToJournal(record, fields.join(QLatin1Char('\t')));
    });
    return serveUntilStopped(server.serve(), QStringLiteral("org.freedesktop.Notifications"));
}
