// SPDX-License-Identifier: GPL-3.0-or-later
#include "logindsessionlock.h"

#include "log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <unistd.h>

namespace platform {

namespace {

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString userInterface = QStringLiteral("org.freedesktop.login1.User");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString lockedHintProperty = QStringLiteral("LockedHint");
const QString activeProperty = QStringLiteral("Active");

QDBusMessage managerCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(logindService, managerPath, managerInterface, method);
    message.setArguments(arguments);
    return message;
}

QString objectPathOf(const QDBusMessage &reply)
{
    if (reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusObjectPath>().path();
}

QString describe(std::optional<bool> value)
{
    if (!value)
        return QStringLiteral("unknown");
    return *value ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

LogindSessionLock::LogindSessionLock(QObject *parent) : SessionLock(parent)
{
    // Connecting to the bus waits for the bus's answer: not during start-up.
    QMetaObject::invokeMethod(
        this, [this] { attach(QDBusConnection::systemBus()); }, Qt::QueuedConnection);
}

LogindSessionLock::LogindSessionLock(const QDBusConnection &connection, QObject *parent)
    : SessionLock(parent)
{
    attach(connection);
}

LogindSessionLock::~LogindSessionLock() = default;

std::optional<QString> LogindSessionLock::reasonToWithholdHotKeys()
{
    if (m_locked.value_or(false))
        return QStringLiteral("the session is locked (logind's LockedHint)");
    if (!m_active.value_or(true))
        return QStringLiteral("the session is not the active one: another session is in front "
                              "(logind's Active is false)");
    return std::nullopt;
}

void LogindSessionLock::attach(const QDBusConnection &connection)
{
    m_bus = connection;
    m_sessionIdOfEnvironment = qEnvironmentVariable("XDG_SESSION_ID");
    if (!m_bus.isConnected()) {
        QZLog("No system bus (%@): whether the session is locked is unknown",
              m_bus.lastError().message());
        return;
    }
    m_watcher = new QDBusServiceWatcher(logindService, m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                QZLog("logind %@", newOwner.isEmpty() ? QStringLiteral("went away")
                                                      : QStringLiteral("is there (again)"));
                forget();
                if (!newOwner.isEmpty())
                    findSession();
            });
    findSession();
}

void LogindSessionLock::call(const QDBusMessage &message,
                             std::function<void(const QDBusMessage &)> onReply,
                             std::function<void()> onError)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, message, onReply = std::move(onReply),
             onError = std::move(onError)](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (generation != m_generation)
                    return;
                if (finished->isError()) {
                    QZLog("logind: %@ failed: %@", message.member(), finished->error().message());
                    onError();
                    return;
                }
                onReply(finished->reply());
            });
}

void LogindSessionLock::findSession()
{
    if (m_sessionIdOfEnvironment.isEmpty()) {
        findSessionOfThisProcess();
        return;
    }
    call(
        managerCall(QStringLiteral("GetSession"), {m_sessionIdOfEnvironment}),
        [this](const QDBusMessage &reply) { follow(objectPathOf(reply)); },
        [this] { findSessionOfThisProcess(); });
}

void LogindSessionLock::findSessionOfThisProcess()
{
    // Started by the desktop, Trundle is in the session; started as a user service, it is not.
    call(
        managerCall(QStringLiteral("GetSessionByPID"), {quint32(getpid())}),
        [this](const QDBusMessage &reply) { follow(objectPathOf(reply)); },
        [this] { findDisplaySessionOfThisUser(); });
}

void LogindSessionLock::findDisplaySessionOfThisUser()
{
    const auto giveUp = [] {
        QZLog("logind knows no session of ours: hot keys are not held back");
    };
    call(
        managerCall(QStringLiteral("GetUser"), {quint32(getuid())}),
        [this, giveUp](const QDBusMessage &reply) {
            QDBusMessage get = QDBusMessage::createMethodCall(
                logindService, objectPathOf(reply), propertiesInterface, QStringLiteral("Get"));
            get.setArguments({userInterface, QStringLiteral("Display")});
            call(
                get,
                [this, giveUp](const QDBusMessage &displayReply) {
                    // Display is (so): the session's ID and path; "/" when there is none.
                    QString id;
                    QDBusObjectPath path;
                    if (!displayReply.arguments().isEmpty()) {
                        const QDBusArgument structure = displayReply.arguments()
                                                            .constFirst()
                                                            .value<QDBusVariant>()
                                                            .variant()
                                                            .value<QDBusArgument>();
                        if (structure.currentType() == QDBusArgument::StructureType) {
                            structure.beginStructure();
                            structure >> id >> path;
                            structure.endStructure();
                        }
                    }
                    if (path.path().isEmpty() || path.path() == QLatin1String("/"))
                        giveUp();
                    else
                        follow(path.path());
                },
                giveUp);
        },
        giveUp);
}

void LogindSessionLock::follow(const QString &sessionPath)
{
    if (sessionPath.isEmpty())
        return;
    m_sessionPath = sessionPath;
    // Subscribed before the first read, so no change falls between the two.
    m_bus.connect(logindService, m_sessionPath, propertiesInterface,
                  QStringLiteral("PropertiesChanged"), this,
                  SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    readProperties();
}

void LogindSessionLock::readProperties()
{
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        logindService, m_sessionPath, propertiesInterface, QStringLiteral("GetAll"));
    getAll.setArguments({sessionInterface});
    call(
        getAll,
        [this](const QDBusMessage &reply) {
            if (reply.arguments().isEmpty())
                return;
            const auto properties =
                qdbus_cast<QVariantMap>(reply.arguments().constFirst().value<QDBusArgument>());
            m_sessionId = properties.value(QStringLiteral("Id")).toString();
            apply(properties);
        },
        [] {});
}

void LogindSessionLock::propertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                          const QStringList &invalidated)
{
    if (interfaceName != sessionInterface)
        return;
    apply(changed);
    if (invalidated.contains(lockedHintProperty) || invalidated.contains(activeProperty))
        readProperties();
}

void LogindSessionLock::apply(const QVariantMap &properties)
{
    const std::optional<bool> wasLocked = m_locked;
    const std::optional<bool> wasActive = m_active;
    if (const auto value = properties.constFind(lockedHintProperty); value != properties.cend())
        m_locked = value->toBool();
    if (const auto value = properties.constFind(activeProperty); value != properties.cend())
        m_active = value->toBool();
    if (m_locked == wasLocked && m_active == wasActive)
        return;
    QZLog("logind session %@: locked %@, active %@", m_sessionId, describe(m_locked),
          describe(m_active));
    emit stateChanged();
}

void LogindSessionLock::forget()
{
    ++m_generation;
    if (!m_sessionPath.isEmpty())
        m_bus.disconnect(logindService, m_sessionPath, propertiesInterface,
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    const bool wasKnown = !m_sessionPath.isEmpty() || m_locked || m_active;
    m_sessionPath.clear();
    m_sessionId.clear();
    m_locked.reset();
    m_active.reset();
    if (wasKnown)
        emit stateChanged();
}

} // namespace platform
