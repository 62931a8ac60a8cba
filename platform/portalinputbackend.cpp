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
        return QStringLiteral("the user declined, or the desktop ended the request (response 2)");
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

// What a portal without org.freedesktop.host.portal.Registry answers to Register.
bool meansNoRegistry(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
    case QDBusError::ServiceUnknown:
        return true;
    default:
        return false;
    }
}

const QString connectionName = QStringLiteral("trundle-shortcuts-portal");

// One shortcut per key, preferably triggered by that key, described by its script.
QList<Shortcut> shortcutsFor(const FunctionKeyBindings &keys)
{
    QList<Shortcut> shortcuts;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        shortcuts.append(
            {PortalInputBackend::shortcutIdForFunctionKey(it.key()),
             {{QStringLiteral("description"), it.value()},
              {QStringLiteral("preferred_trigger"), QStringLiteral("F%1").arg(it.key())}}});
    }
    return shortcuts;
}

} // namespace

PortalInputBackend::PortalInputBackend() : m_appId(QGuiApplication::desktopFileName())
{
    // Connecting to the bus waits for the bus's answer: not during start-up. A connection of
    // its own, so that Register is the first thing the portal hears on it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            attach(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName));
        },
        Qt::QueuedConnection);
}

PortalInputBackend::PortalInputBackend(const QDBusConnection &connection, const QString &appId)
    : m_appId(appId)
{
    attach(connection);
}

PortalInputBackend::~PortalInputBackend()
{
    if (m_sessionPath.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::service, m_sessionPath, portal::sessionInterface, QStringLiteral("Close"));
    call.setAutoStartService(false);
    m_bus.call(call, QDBus::NoBlock);
}

bool PortalInputBackend::deliversReleases() const
{
    return m_settled && m_portalThere && m_obstacle == HotKeyObstacle::None;
}

QString PortalInputBackend::shortcutIdForFunctionKey(int number)
{
    return shortcutIdPrefix + QString::number(number);
}

QString PortalInputBackend::sessionToken()
{
    return QStringLiteral("trundle");
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
    InputBackend::setFunctionKeyBindings(keys);
    // After a refusal every change asks again, even for the same keys: picking a key anew is
    // how the user says to try once more.
    if (m_bindingRefused && !m_busy) {
        m_bindingRefused = false;
        m_asked.clear();
    }
    bindWhatIsWanted();
}

HotKeyStatuses PortalInputBackend::keyStatuses() const
{
    HotKeyStatuses statuses;
    for (auto it = m_wanted.cbegin(); it != m_wanted.cend(); ++it) {
        if (m_asked.contains(it.key()) && m_statuses.contains(it.key())) {
            statuses.insert(it.key(), m_statuses.value(it.key()));
        } else if (m_settled && !m_busy && !m_closing) {
            // Not being asked for: no portal, or it stopped or closed the session.
            statuses.insert(it.key(),
                            {HotKeyStatus::State::NotArmed, HotKeySource::None, {}, m_reason});
        } else {
            statuses.insert(it.key(), {HotKeyStatus::State::Asking, HotKeySource::Portal, {}, {}});
        }
    }
    return statuses;
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
    registerApplication();
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
    registerApplication();
}

void PortalInputBackend::forgetPortal()
{
    // Its requests will never be answered; their callbacks must not run for the next portal.
    delete m_askingPortal;
    m_askingPortal = new QObject(this);
    dropSession();
    m_busy = false;
    m_closing = false;
    m_portalThere = false;
    m_bindingRefused = false;
    m_asked.clear();
    m_statuses.clear();
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
                followSignals();
                bindWhatIsWanted();
            });
}

void PortalInputBackend::registerApplication()
{
    m_registryProblem.clear();
    if (m_appId.isEmpty()) {
        m_registryProblem = QStringLiteral("Trundle has no application id (desktop file name) to "
                                           "give the desktop");
        processLog("%@.", m_registryProblem);
        askForVersion();
        return;
    }
    // The first call on this connection: portals that have the Registry (1.19 on) fix the
    // application id of a connection at its first call. Older ones answer UnknownMethod and
    // find the id from the process themselves.
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(portalCall(portal::registryInterface, QStringLiteral("Register"),
                                   {m_appId, QVariantMap()})),
        m_askingPortal);
    connect(watcher, &QDBusPendingCallWatcher::finished, m_askingPortal,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusError error = finished->error();
                if (!finished->isError()) {
                    QZLog("Registered with the portal as %@", m_appId);
                } else if (meansNoRegistry(error)) {
                    QZLog("The portal has no application registry (%@); it finds the id itself",
                          error.message());
                } else {
                    m_registryProblem =
                        QStringLiteral("the desktop did not take the application id %1 (%2)")
                            .arg(m_appId, error.message());
                    processLog("%@.", m_registryProblem);
                }
                askForVersion();
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
    m_asked = m_wanted;
    m_statuses.clear();
    const QList<Shortcut> shortcuts = shortcutsFor(m_asked);
    // The keys go with the session too: some desktops register keys only from this option. As
    // a QList<Shortcut> it is marshalled as a(sa{sv}), even when empty.
    const QVariantMap options{{QStringLiteral("session_handle_token"), sessionToken()},
                              {QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts)}};
    QZLog("Asking the portal for a session with %d shortcuts", shortcuts.size());
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
                refuseEveryKey();
                return;
            }
            QZLog("Shortcuts session %@", session);
            m_sessionPath = session;
            m_bus.connect(portal::service, m_sessionPath, portal::sessionInterface,
                          QStringLiteral("Closed"), this, SLOT(sessionClosed(QDBusMessage)));
            m_triggers.clear();
            if (results.contains(QStringLiteral("shortcuts")))
                readTriggers(results.value(QStringLiteral("shortcuts")));
            if (m_wanted != m_asked) {
                bindWhatIsWanted();
                return;
            }
            listShortcuts();
        },
        [this](const QString &error) {
            m_busy = false;
            refuse(HotKeyObstacle::PortalRefused,
                   QStringLiteral("the desktop's shortcuts portal gave no session: %1").arg(error));
            refuseEveryKey();
        },
        m_askingPortal);
}

void PortalInputBackend::listShortcuts()
{
    m_busy = true;
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_sessionPath)),
                                 QVariantMap()};
    // Whatever the list says, a binding is what decides; a list that fails costs nothing.
    PortalRequest::send(
        m_bus, portalCall(portal::shortcutsInterface, QStringLiteral("ListShortcuts"), arguments),
        [this](uint code, const QVariantMap &results) {
            m_busy = false;
            if (code == 0 && results.contains(QStringLiteral("shortcuts")))
                readTriggers(results.value(QStringLiteral("shortcuts")));
            if (m_wanted != m_asked) {
                bindWhatIsWanted();
            } else if (holdsEveryKeyAsked()) {
                // Nothing new: no binding, so no dialog at every start.
                QZLog("The desktop holds every shortcut already");
                judgeKeys();
                settle();
            } else {
                bind();
            }
        },
        [this](const QString &error) {
            m_busy = false;
            QZLog("The portal did not list the shortcuts: %@", error);
            if (m_wanted != m_asked)
                bindWhatIsWanted();
            else
                bind();
        },
        m_askingPortal);
}

bool PortalInputBackend::holdsEveryKeyAsked() const
{
    for (auto it = m_asked.cbegin(); it != m_asked.cend(); ++it) {
        if (m_triggers.value(shortcutIdForFunctionKey(it.key())).isEmpty())
            return false;
    }
    return true;
}

void PortalInputBackend::bindWhatIsWanted()
{
    if (m_busy || m_closing || !m_portalThere)
        return;
    if (!m_sessionPath.isEmpty() && m_wanted == m_asked)
        return;
    if (!m_sessionPath.isEmpty()) {
        // A session is made with its keys; a changed table takes a new one. The old one is
        // closed first, and the new one asked for once the portal has taken that in, so that
        // the desktop drops the old keys before it registers the new ones under the same token.
        closeSession();
        return;
    }
    createSession();
}

void PortalInputBackend::bind()
{
    m_busy = true;
    const QList<Shortcut> shortcuts = shortcutsFor(m_asked);
    QZLog("Asking the portal to bind %d shortcuts", shortcuts.size());
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_sessionPath)),
                                 QVariant::fromValue(shortcuts), QString(), QVariantMap()};
    const auto goOn = [this] {
        m_busy = false;
        if (m_wanted != m_asked)
            bindWhatIsWanted();
    };
    PortalRequest::send(
        m_bus, portalCall(portal::shortcutsInterface, QStringLiteral("BindShortcuts"), arguments),
        [this, goOn](uint code, const QVariantMap &results) {
            if (code == 0) {
                if (results.contains(QStringLiteral("shortcuts")))
                    readTriggers(results.value(QStringLiteral("shortcuts")));
                judgeKeys();
            } else {
                // 1 and 2 alike: the user turned the dialog down, or the desktop the request.
                judgeKeys(describeResponse(code));
            }
            goOn();
        },
        [this, goOn](const QString &error) {
            judgeKeys(error);
            goOn();
        },
        m_askingPortal);
}

void PortalInputBackend::refuseEveryKey()
{
    m_statuses.clear();
    for (auto it = m_asked.cbegin(); it != m_asked.cend(); ++it)
        m_statuses.insert(
            it.key(),
            {HotKeyStatus::State::NotArmed, HotKeySource::None, {}, whyNotArmed(m_reason)});
    settle();
    emit statusChanged();
}

QString PortalInputBackend::whyNotArmed(const QString &why) const
{
    if (m_registryProblem.isEmpty())
        return why;
    return QStringLiteral("%1; %2").arg(why, m_registryProblem);
}

void PortalInputBackend::judgeKeys(const QString &declined)
{
    m_statuses.clear();
    QStringList reasons;
    int armed = 0;
    int withoutTrigger = 0;
    for (auto it = m_asked.cbegin(); it != m_asked.cend(); ++it) {
        const QString id = shortcutIdForFunctionKey(it.key());
        const QString trigger = m_triggers.value(id);
        HotKeyStatus status;
        if (!trigger.isEmpty()) {
            status = {HotKeyStatus::State::Armed, HotKeySource::Portal, trigger, {}};
            ++armed;
        } else if (!declined.isEmpty()) {
            status.reason = whyNotArmed(declined);
        } else if (m_triggers.contains(id)) {
            // Taken without a key: a desktop that binds keys only from its own configuration
            // (Hyprland). Whether the user wrote the line there, the portal never says.
            ++withoutTrigger;
            status.reason = whyNotArmed(
                m_appId.isEmpty()
                    ? QStringLiteral("the desktop names no key for it: pick one in its shortcut "
                                     "settings")
                    : QStringLiteral("the desktop names no key for it: pick one in its shortcut "
                                     "settings, or where keys come from the compositor's "
                                     "configuration (Hyprland) add `bind = , F%1, global, %2:%3`")
                          .arg(it.key())
                          .arg(m_appId, id));
        } else {
            status.reason = whyNotArmed(QStringLiteral("the desktop did not bind it"));
        }
        if (status.state != HotKeyStatus::State::Armed) {
            processLog("The desktop did not arm F%d (%@): %@.", it.key(), it.value(),
                       status.reason);
            if (!reasons.contains(status.reason))
                reasons.append(status.reason);
        }
        m_statuses.insert(it.key(), status);
    }
    // Keys the desktop took without a trigger may work all the same: no notice at every start
    // for them, their lines say what to do.
    m_bindingRefused = armed == 0 && withoutTrigger < m_asked.size();
    if (!m_bindingRefused) {
        work();
        settle();
        emit statusChanged();
        return;
    }
    const bool toldAtStart = !m_settled; // the start-up notice says it then
    refuse(HotKeyObstacle::PortalRefused,
           QStringLiteral("the desktop's shortcuts portal did not bind the hot keys: %1")
               .arg(reasons.join(QStringLiteral("; "))));
    settle();
    if (!toldAtStart)
        Notifier::shared()->notify(localizedString(QStringLiteral("HotKeysUnavailableTitle")),
                                   hotKeysUnavailableText(this));
}

void PortalInputBackend::closeSession()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::service, m_sessionPath, portal::sessionInterface, QStringLiteral("Close"));
    call.setAutoStartService(false);
    QZLog("Closing shortcuts session %@", m_sessionPath);
    dropSession();
    m_closing = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), m_askingPortal);
    connect(watcher, &QDBusPendingCallWatcher::finished, m_askingPortal,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                m_closing = false;
                bindWhatIsWanted();
            });
}

void PortalInputBackend::dropSession()
{
    if (!m_sessionPath.isEmpty())
        m_bus.disconnect(portal::service, m_sessionPath, portal::sessionInterface,
                         QStringLiteral("Closed"), this, SLOT(sessionClosed(QDBusMessage)));
    m_sessionPath.clear();
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
    // The user may have given a key to a shortcut in the desktop's settings, or taken it away.
    if (!m_busy && !m_asked.isEmpty())
        judgeKeys();
    else
        emit statusChanged();
}

void PortalInputBackend::sessionClosed(const QDBusMessage &signal)
{
    if (m_sessionPath.isEmpty() || signal.path() != m_sessionPath)
        return;
    dropSession();
    m_asked.clear();
    m_statuses.clear();
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
