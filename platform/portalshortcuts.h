// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the hot keys need of the desktop portal (xdg-desktop-portal) on D-Bus: its service and
// object, the interfaces of its global shortcuts, registry, sessions and requests, and the
// structure of one shortcut as GlobalShortcuts' methods and signals carry it. The backend that
// asks the portal and the test stand-in that plays it share them.

#include <QDBusArgument>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace platform::portal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
inline const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
inline const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One element of the portal's a(sa{sv}): a shortcut id and its properties (description,
// preferred_trigger, trigger_description).
struct Shortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const Shortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, Shortcut &shortcut);

// Makes Shortcut and QList<Shortcut> known to Qt D-Bus; call before either crosses the bus.
void registerShortcutTypes();

} // namespace platform::portal

Q_DECLARE_METATYPE(platform::portal::Shortcut)
