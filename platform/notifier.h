// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Telling the user something outside Trundle's windows: a desktop notification through the
// notification server of the session (org.freedesktop.Notifications on the session bus), or
// the tray icon's balloon where no server answers. Fire and forget: the call never blocks.
//
//   platform::Notifier::shared()->notify(title, body);

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QSystemTrayIcon;

namespace platform {

class Notifier : public QObject
{
    Q_OBJECT
public:
    ~Notifier() override;

    // Created on first use: D-Bus on the session bus, falling back to the tray icon set with
    // setTrayIcon().
    static Notifier *shared();
    // Makes shared() return fake (not owned) until called again with null.
    static void setSharedForTesting(Notifier *fake);
    static bool isSharedForTesting(const Notifier *notifier);
    // The tray icon the shared notifier falls back on (none until the tray menu exists).
    static void setTrayIcon(QSystemTrayIcon *icon);

    virtual void notify(const QString &title, const QString &body) = 0;

protected:
    explicit Notifier(QObject *parent = nullptr);
};

// The tray icon's own message, when the icon is shown in a tray that can show messages; else
// only a debug line.
class TrayNotifier : public Notifier
{
    Q_OBJECT
public:
    explicit TrayNotifier(QObject *parent = nullptr);
    void setTrayIcon(QSystemTrayIcon *icon);
    void notify(const QString &title, const QString &body) override;

private:
    QPointer<QSystemTrayIcon> m_icon;
};

// org.freedesktop.Notifications.Notify on the given bus. When the bus is not there, no server
// owns the name, or the call fails, the same text goes to the fallback instead. Bodies are plain
// text: for a server that reads markup in them ("body-markup" among its capabilities, asked
// once before the first notification), <, > and & are escaped, so a script named
// "Tom & Jerry <draft>.sh" is shown as it is named.
class DBusNotifier : public Notifier
{
    Q_OBJECT
public:
    DBusNotifier(const QDBusConnection &connection, std::unique_ptr<Notifier> fallback,
                 QObject *parent = nullptr);
    ~DBusNotifier() override;

    void notify(const QString &title, const QString &body) override;
    Notifier *fallback() const { return m_fallback.get(); }

private:
    enum class Markup
    {
        Unknown,
        Asking,
        Plain,
        Read
    };
    struct Message
    {
        QString title;
        QString body;
    };

    void askForCapabilities();
    void send(const Message &message);

    QDBusConnection m_connection;
    std::unique_ptr<Notifier> m_fallback;
    Markup m_markup = Markup::Unknown;
    // Notifications that wait for the server's capabilities.
    QList<Message> m_waiting;
};

} // namespace platform
