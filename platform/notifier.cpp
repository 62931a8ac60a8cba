// SPDX-License-Identifier: GPL-3.0-or-later
#include "notifier.h"

#include "log.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include <utility>

namespace platform {

namespace {

Notifier *g_notifierForTesting = nullptr;

struct SharedNotifier
{
    std::unique_ptr<DBusNotifier> notifier;
    TrayNotifier *tray = nullptr; // the notifier's fallback
    QPointer<QSystemTrayIcon> icon;
};

SharedNotifier &sharedNotifier()
{
    static SharedNotifier s;
    return s;
}

void releaseSharedNotifier()
{
    SharedNotifier &s = sharedNotifier();
    s.tray = nullptr;
    s.notifier.reset();
}

const QString notificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

Notifier::Notifier(QObject *parent) : QObject(parent) {}

Notifier::~Notifier() = default;

Notifier *Notifier::shared()
{
    if (g_notifierForTesting != nullptr)
        return g_notifierForTesting;
    SharedNotifier &s = sharedNotifier();
    if (!s.notifier) {
        auto tray = std::make_unique<TrayNotifier>();
        tray->setTrayIcon(s.icon);
        s.tray = tray.get();
        s.notifier = std::make_unique<DBusNotifier>(QDBusConnection::sessionBus(), std::move(tray));
        // The bus connection and the icon go with the application object.
        qAddPostRoutine(releaseSharedNotifier);
    }
    return s.notifier.get();
}

void Notifier::setSharedForTesting(Notifier *fake)
{
    g_notifierForTesting = fake;
}

bool Notifier::isSharedForTesting(const Notifier *notifier)
{
    return notifier != nullptr && g_notifierForTesting == notifier;
}

void Notifier::setTrayIcon(QSystemTrayIcon *icon)
{
    SharedNotifier &s = sharedNotifier();
    s.icon = icon;
    if (s.tray != nullptr)
        s.tray->setTrayIcon(icon);
}

TrayNotifier::TrayNotifier(QObject *parent) : Notifier(parent) {}

void TrayNotifier::setTrayIcon(QSystemTrayIcon *icon)
{
    m_icon = icon;
}

void TrayNotifier::notify(const QString &title, const QString &body)
{
    // Without a tray that shows messages Qt would draw a balloon of its own at the screen's
    // corner, or nothing at all.
    if (m_icon.isNull() || !m_icon->isVisible() || !QSystemTrayIcon::supportsMessages()) {
        QZLog("No tray icon to show the message on: %@", body);
        return;
    }
    m_icon->showMessage(title, body, QSystemTrayIcon::Warning);
}

DBusNotifier::DBusNotifier(const QDBusConnection &connection, std::unique_ptr<Notifier> fallback,
                           QObject *parent)
    : Notifier(parent), m_connection(connection), m_fallback(std::move(fallback))
{}

DBusNotifier::~DBusNotifier() = default;

void DBusNotifier::notify(const QString &title, const QString &body)
{
    if (!m_connection.isConnected()) {
        QZLog("No session bus (%@): the message goes to the tray",
              m_connection.lastError().message());
        if (m_fallback)
            m_fallback->notify(title, body);
        return;
    }
    if (m_markup == Markup::Plain || m_markup == Markup::Read) {
        send({title, body});
        return;
    }
    m_waiting.append({title, body});
    askForCapabilities();
}

void DBusNotifier::askForCapabilities()
{
    if (m_markup == Markup::Asking)
        return;
    m_markup = Markup::Asking;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(notificationsService, notificationsPath,
                                       notificationsService, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QStringList> reply = *finished;
                // Without an answer the next notification asks again; these go as they are
                // (and to the fallback when no server takes them).
                m_markup = reply.isError()                                         ? Markup::Unknown
                           : reply.value().contains(QStringLiteral("body-markup")) ? Markup::Read
                                                                                   : Markup::Plain;
                for (const Message &message : std::exchange(m_waiting, {}))
                    send(message);
            });
}

void DBusNotifier::send(const Message &message)
{
    const QString &title = message.title;
    const QString body = m_markup == Markup::Read ? message.body.toHtmlEscaped() : message.body;
    QDBusMessage call = QDBusMessage::createMethodCall(
        notificationsService, notificationsPath, notificationsService, QStringLiteral("Notify"));
    const QString appName = QCoreApplication::instance() != nullptr
                                ? QCoreApplication::applicationName()
                                : QStringLiteral("Trundle");
    call << appName << quint32(0) << QStringLiteral("trundle") << title << body << QStringList()
         << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(quint8(1))}} << qint32(-1);
    // Asynchronous: a server that is slow to start must not hold up the program. The bus
    // answers at once with ServiceUnknown when nobody owns the name and nothing can start it.
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    QPointer<Notifier> fallback = m_fallback.get();
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [title, body = message.body, fallback](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<quint32> reply = *finished;
                if (!reply.isError()) {
                    QZLog("Notification %d shown: %@", reply.value(), title);
                    return;
                }
                QZLog("No notification server answered (%@): the message goes to the tray",
                      reply.error().message());
                if (fallback)
                    fallback->notify(title, body);
            });
}

} // namespace platform
