#pragma once

// Telling the user something outside Trundle's windows: a desktop notification through the
// notification server of the session (org.freedesktop.Notifications on the session bus), or
// the tray icon's balloon where no server answers. Fire and forget: the call never blocks.
//
//   platform::Notifier::shared()->notify(title, body);

#include <QDBusConnection>
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
// owns the name, or the call fails, the same text goes to the fallback instead.
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
    QDBusConnection m_connection;
    std::unique_ptr<Notifier> m_fallback;
};

} // namespace platform
