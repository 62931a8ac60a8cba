// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalinputbackend.h"

#include "eventconversion.h"
#include "eventmonitor.h"
#include "eventrouting.h"
#include "hotkeynotice.h"
#include "log.h"
#include "notifier.h"
#include "portalrequest.h"
#include "portalshortcuts.h"
#include "resources.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

namespace platform {

namespace {

using portal::Shortcut;

const QString shortcutIdPrefix = QStringLiteral("hotkey-");

QDBusMessage portalCall(const QString &interface, const QString &method,
                        const QVariantList &arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portal::service, portal::objectPath, interface, method);
    call.setArguments(arguments);
    return call;
}

QString describeResponse(uint code)
{
    switch (code) {
    case 1:
        return QStringLiteral("the user cancelled (response 1)");
    case 2:
        return QStringLiteral("the request was ended some other way (response 2)");
    default:
        return QStringLiteral("response %1").arg(code);
    }
}

// The session handle is an object path; some portals put it in the results as a text.
QString pathOfVariant(const QVariant &value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

QString applicationId()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr &&
        !QGuiApplication::desktopFileName().isEmpty())
        return QGuiApplication::desktopFileName();
    return QStringLiteral("trundle");
}

} // namespace

PortalInputBackend::PortalInputBackend()
{
    // Connecting to the bus waits for the bus's answer: not during start-up.
    QMetaObject::invokeMethod(
        this, [this] { attach(QDBusConnection::sessionBus()); }, Qt::QueuedConnection);
}

PortalInputBackend::PortalInputBackend(const QDBusConnection &connection)
{
    attach(connection);
}

PortalInputBackend::~PortalInputBackend()
{
    if (!m_sessionPath.isEmpty())
        closeSession();
}

bool PortalInputBackend::deliversReleases() const
{
    return m_settled && m_portalThere && m_obstacle == HotKeyObstacle::None;
}

QString PortalInputBackend::shortcutIdForFunctionKey(int number)
{
    return shortcutIdPrefix + QString::number(number);
}

int PortalInputBackend::functionKeyForShortcutId(const QString &id)
{
    if (!id.startsWith(shortcutIdPrefix))
        return 0;
    bool ok = false;
    const int number = id.mid(shortcutIdPrefix.size()).toInt(&ok);
    return ok && number >= 1 && number <= 12 && id == shortcutIdForFunctionKey(number) ? number : 0;
}

void PortalInputBackend::setFunctionKeyBindings(const FunctionKeyBindings &bindings)
{
    FunctionKeyBindings keys;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        if (it.key() >= 1 && it.key() <= 12)
            keys.insert(it.key(), it.value());
    }
    m_wanted = keys;
    // After a refusal every change asks again, even for the same keys: picking a key anew is
    // how the user says to try once more.
    if (m_bindingRefused && !m_busy) {
        m_bindingRefused = false;
        if (!m_sessionPath.isEmpty())
            closeSession();
    }
    bindWhatIsWanted();
}

void PortalInputBackend::attach(const QDBusConnection &connection)
{
    portal::registerShortcutTypes();
    m_bus = connection;
    m_askingPortal = new QObject(this);
    if (!m_bus.isConnected()) {
        refuse(HotKeyObstacle::WaylandSession,
               QStringLiteral("Wayland session: no global-shortcuts portal and the input-device "
                              "reader is off (no session bus: %1)")
                   .arg(m_bus.lastError().message()));
        settle();
        return;
    }
    auto *portalWatcher = new QDBusServiceWatcher(portal::service, m_bus,
                                                  QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(portalWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &PortalInputBackend::portalOwnerChanged);
    askForVersion();
}

void PortalInputBackend::portalOwnerChanged(const QString &, const QString &oldOwner,
                                            const QString &newOwner)
{
    const bool hadShortcuts = m_portalThere;
    // Whatever was asked of the portal before is void, and so is its session.
    forgetPortal();
    if (newOwner.isEmpty()) {
        if (hadShortcuts) {
            refuse(HotKeyObstacle::PortalRefused,
                   QStringLiteral("the desktop's shortcuts portal stopped; the keys are asked "
                                  "for again when it starts"));
        } else if (!m_settled) {
            refuse(HotKeyObstacle::WaylandSession,
                   QStringLiteral("Wayland session: no global-shortcuts portal and the "
                                  "input-device reader is off (the portal stopped before it "
                                  "answered)"));
            settle();
        }
        return;
    }
    QZLog("The desktop's portal %@: asking it for the keys",
          oldOwner.isEmpty() ? QStringLiteral("started") : QStringLiteral("started anew"));
    askForVersion();
}

void PortalInputBackend::forgetPortal()
{
    // Its requests will never be answered; their callbacks must not run for the next portal.
    delete m_askingPortal;
    m_askingPortal = new QObject(this);
    dropSession();
    m_busy = false;
    m_portalThere = false;
    m_bindingRefused = false;
    m_asked.clear();
}

void PortalInputBackend::askForVersion()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(portal::service, portal::objectPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
        << portal::shortcutsInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), m_askingPortal);
    connect(watcher, &QDBusPendingCallWatcher::finished, m_askingPortal,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                const uint version = reply.isError() ? 0 : reply.value().variant().toUInt();
                if (version == 0) {
                    const QString why =
                        reply.isError() ? reply.error().message() : QStringLiteral("version 0");
                    refuse(HotKeyObstacle::WaylandSession,
                           QStringLiteral("Wayland session: no global-shortcuts portal and the "
                                          "input-device reader is off (%1)")
                               .arg(why));
                    settle();
                    return;
                }
                QZLog("The desktop's portal offers GlobalShortcuts version %d", version);
                m_portalThere = true;
                registerApplication();
            });
}

void PortalInputBackend::registerApplication()
{
    // Portals from 1.19 on learn a host application's id this way, before its first request;
    // older ones answer UnknownInterface and find the id from the process themselves.
    const QString id = applicationId();
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(
            portalCall(portal::registryInterface, QStringLiteral("Register"), {id, QVariantMap()})),
        m_askingPortal);
    connect(watcher, &QDBusPendingCallWatcher::finished, m_askingPortal,
            [this, id](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (finished->isError())
                    QZLog("The portal did not register the application id %@: %@", id,
                          finished->error().message());
                else
                    QZLog("Registered with the portal as %@", id);
                followSignals();
                createSession();
            });
}

void PortalInputBackend::followSignals()
{
    m_bus.connect(portal::service, portal::objectPath, portal::shortcutsInterface,
                  QStringLiteral("Activated"), this, SLOT(activated(QDBusMessage)));
    m_bus.connect(portal::service, portal::objectPath, portal::shortcutsInterface,
                  QStringLiteral("Deactivated"), this, SLOT(deactivated(QDBusMessage)));
    m_bus.connect(portal::service, portal::objectPath, portal::shortcutsInterface,
                  QStringLiteral("ShortcutsChanged"), this, SLOT(shortcutsChanged(QDBusMessage)));
}

void PortalInputBackend::createSession()
{
    m_busy = true;
    const QVariantMap options{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    PortalRequest::send(
        m_bus, portalCall(portal::shortcutsInterface, QStringLiteral("CreateSession"), {options}),
        [this](uint code, const QVariantMap &results) {
            m_busy = false;
            const QString session = pathOfVariant(results.value(QStringLiteral("session_handle")));
            if (code != 0 || session.isEmpty()) {
                refuse(HotKeyObstacle::PortalRefused,
                       QStringLiteral("the desktop's shortcuts portal refused a session: %1")
                           .arg(code != 0 ? describeResponse(code)
                                          : QStringLiteral("it named no session")));
                settle();
                return;
            }
            QZLog("Shortcuts session %@", session);
            m_sessionPath = session;
            m_sessionHasBound = false;
            m_bus.connect(portal::service, m_sessionPath, portal::sessionInterface,
                          QStringLiteral("Closed"), this, SLOT(sessionClosed(QDBusMessage)));
            bindWhatIsWanted();
        },
        [this](const QString &error) {
            m_busy = false;
            refuse(HotKeyObstacle::PortalRefused,
                   QStringLiteral("the desktop's shortcuts portal gave no session: %1").arg(error));
            settle();
        },
        m_askingPortal);
}

void PortalInputBackend::bindWhatIsWanted()
{
    if (m_busy || !m_portalThere)
        return;
    if (m_sessionPath.isEmpty()) {
        createSession();
        return;
    }
    if (!m_sessionHasBound && m_wanted.isEmpty()) {
        // Nothing to ask for yet; the first key bound is bound on this session.
        work();
        settle();
        return;
    }
    if (m_sessionHasBound && m_wanted == m_asked)
        return;
    if (m_sessionHasBound) {
        closeSession();
        createSession();
        return;
    }
    bind(m_wanted);
}

void PortalInputBackend::bind(const FunctionKeyBindings &bindings)
{
    m_busy = true;
    m_sessionHasBound = true;
    m_asked = bindings;
    QList<Shortcut> shortcuts;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        shortcuts.append(
            {shortcutIdForFunctionKey(it.key()),
             {{QStringLiteral("description"), it.value()},
              {QStringLiteral("preferred_trigger"), QStringLiteral("F%1").arg(it.key())}}});
    }
    QZLog("Asking the portal for %d shortcuts", shortcuts.size());
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_sessionPath)),
                                 QVariant::fromValue(shortcuts), QString(), QVariantMap()};
    const auto settleAndGoOn = [this] {
        m_busy = false;
        settle();
        if (m_wanted != m_asked)
            bindWhatIsWanted();
    };
    // Not asked again by itself (the user may have cancelled the dialog on purpose), unless
    // the keys changed while the request was out.
    const auto refuseBinding = [this](const QString &why) {
        const bool toldAtStart = !m_settled; // the start-up notice says it then
        refuse(HotKeyObstacle::PortalRefused,
               QStringLiteral("the desktop's shortcuts portal did not bind the hot keys: %1")
                   .arg(why));
        if (!toldAtStart)
            Notifier::shared()->notify(localizedString(QStringLiteral("HotKeysUnavailableTitle")),
                                       hotKeysUnavailableText(this));
        m_bindingRefused = m_wanted == m_asked;
    };
    PortalRequest::send(
        m_bus, portalCall(portal::shortcutsInterface, QStringLiteral("BindShortcuts"), arguments),
        [this, settleAndGoOn, refuseBinding](uint code, const QVariantMap &results) {
            if (code != 0) {
                refuseBinding(describeResponse(code));
            } else {
                readTriggers(results.value(QStringLiteral("shortcuts")));
                for (auto it = m_asked.cbegin(); it != m_asked.cend(); ++it) {
                    if (!m_triggers.contains(shortcutIdForFunctionKey(it.key())))
                        processLog("The desktop did not bind F%d (%@).", it.key(), it.value());
                }
                work();
            }
            settleAndGoOn();
        },
        [settleAndGoOn, refuseBinding](const QString &error) {
            refuseBinding(error);
            settleAndGoOn();
        },
        m_askingPortal);
}

void PortalInputBackend::closeSession()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::service, m_sessionPath, portal::sessionInterface, QStringLiteral("Close"));
    call.setAutoStartService(false);
    m_bus.call(call, QDBus::NoBlock);
    QZLog("Closed shortcuts session %@", m_sessionPath);
    dropSession();
}

void PortalInputBackend::dropSession()
{
    if (!m_sessionPath.isEmpty())
        m_bus.disconnect(portal::service, m_sessionPath, portal::sessionInterface,
                         QStringLiteral("Closed"), this, SLOT(sessionClosed(QDBusMessage)));
    m_sessionPath.clear();
    m_sessionHasBound = false;
    m_triggers.clear();
}

bool PortalInputBackend::isOurSession(const QDBusMessage &signal) const
{
    if (m_sessionPath.isEmpty() || signal.arguments().isEmpty())
        return false;
    return pathOfVariant(signal.arguments().constFirst()) == m_sessionPath;
}

void PortalInputBackend::activated(const QDBusMessage &signal)
{
    // Pressed: nothing runs until the release, as with every other source.
    if (isOurSession(signal))
        QZLog("Shortcut %@ pressed", signal.arguments().value(1).toString());
}

void PortalInputBackend::deactivated(const QDBusMessage &signal)
{
    if (!isOurSession(signal)) {
        QZLog("A shortcut of another session was released: ignored");
        return;
    }
    const QString id = signal.arguments().value(1).toString();
    const int number = functionKeyForShortcutId(id);
    if (number == 0) {
        QZLog("The portal released a shortcut Trundle never asked for: %@", id);
        return;
    }
    deliverInputEvent(functionKeyReleaseEvent(number, 0),
                      isForOwnApplication(currentOwnApplicationState()));
}

void PortalInputBackend::shortcutsChanged(const QDBusMessage &signal)
{
    if (!isOurSession(signal))
        return;
    readTriggers(signal.arguments().value(1));
    emit statusChanged();
}

void PortalInputBackend::sessionClosed(const QDBusMessage &signal)
{
    if (m_sessionPath.isEmpty() || signal.path() != m_sessionPath)
        return;
    dropSession();
    m_asked.clear();
    refuse(HotKeyObstacle::PortalRefused,
           QStringLiteral("the desktop closed Trundle's shortcuts session; the keys are asked "
                          "for again at the next change of a binding"));
}

void PortalInputBackend::readTriggers(const QVariant &shortcuts)
{
    QList<Shortcut> list;
    if (shortcuts.canConvert<QDBusArgument>())
        list = qdbus_cast<QList<Shortcut>>(shortcuts.value<QDBusArgument>());
    else
        list = shortcuts.value<QList<Shortcut>>();
    m_triggers.clear();
    for (const Shortcut &shortcut : list) {
        const QString trigger =
            shortcut.properties.value(QStringLiteral("trigger_description")).toString();
        m_triggers.insert(shortcut.id, trigger);
        QZLog("The desktop triggers %@ with %@", shortcut.id, trigger);
    }
}

void PortalInputBackend::refuse(HotKeyObstacle obstacle, const QString &reason)
{
    m_obstacle = obstacle;
    m_reason = reason;
    // The first word on it is the start-up's (backend.cpp); later ones are said here.
    if (m_settled) {
        processLog("Global hot keys are unavailable (%@).", reason);
        emit statusChanged();
    }
}

void PortalInputBackend::work()
{
    if (m_obstacle == HotKeyObstacle::None)
        return;
    m_obstacle = HotKeyObstacle::None;
    m_reason.clear();
    processLog("Global hot keys work again through the desktop's shortcuts portal.");
    emit statusChanged();
}

void PortalInputBackend::settle()
{
    if (m_settled)
        return;
    m_settled = true;
    emit statusChanged();
}

} // namespace platform
