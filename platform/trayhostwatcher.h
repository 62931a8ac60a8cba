// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Follows whether the desktop has a tray that can show Trundle's icon: a status-notifier host
// (org.kde.StatusNotifierWatcher on the session bus with a host registered with it, as waybar and
// most panels have) or, on X11, an XEmbed tray (the owner of the selection _NET_SYSTEM_TRAY_S<n>).
//
// Qt asks once, when the first tray icon is made, whether a status-notifier host exists, and
// keeps that answer for the whole run; without one it docks into an XEmbed tray or nowhere. So
// the icon is made only once a tray is there, and made again whenever a tray appears anew: a panel
// started after Trundle, or restarted.

#include <QDBusConnection>
#include <QObject>

#include <memory>

namespace platform {

class TrayHostWatcher : public QObject
{
    Q_OBJECT
public:
    // xembed: also follow the X11 tray selection (only Qt's xcb platform docks there).
    TrayHostWatcher(const QDBusConnection &bus, bool xembed, QObject *parent = nullptr);
    ~TrayHostWatcher() override;

    bool statusNotifierHostPresent() const { return m_statusNotifierHost; }
    bool xembedTrayPresent() const { return m_xembedTray; }
    bool hostPresent() const { return m_statusNotifierHost || m_xembedTray; }

signals:
    // A tray appeared: a status-notifier host registered, or an XEmbed tray took the selection.
    void hostAppeared();

private slots:
    void statusNotifierHostRegistered();

private:
    void watcherOwnerChanged(const QString &newOwner);
    void askWatcher();
    void setStatusNotifierHost(bool present);
    void watchXEmbedTray();
    void readXEvents();

    QDBusConnection m_bus;
    bool m_statusNotifierHost = false;
    bool m_xembedTray = false;
    struct X11;
    std::unique_ptr<X11> m_x11;
};

} // namespace platform
