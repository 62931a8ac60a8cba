// SPDX-License-Identifier: GPL-3.0-or-later
#include "logindstandin.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");
const QString rootPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString userInterface = QStringLiteral("org.freedesktop.login1.User");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A user's Display property: the session's ID and object path, "(so)".
struct SessionReference
{
    QString id;
    QDBusObjectPath path;
};

QDBusArgument &operator<<(QDBusArgument &argument, const SessionReference &reference)
{
    argument.beginStructure();
    argument << reference.id << reference.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SessionReference &reference)
{
    argument.beginStructure();
    argument >> reference.id >> reference.path;
    argument.endStructure();
    return argument;
}

QString userPath(quint32 uid)
{
    return rootPath + QStringLiteral("/user/_%1").arg(uid);
}

// Get and GetAll of org.freedesktop.DBus.Properties over one object's properties.
QDBusMessage propertiesReply(const QDBusMessage &message, const QString &interfaceName,
                             const QVariantMap &properties)
{
    const QVariantList arguments = message.arguments();
    if (arguments.value(0).toString() != interfaceName)
        return message.createErrorReply(QDBusError::UnknownInterface, interfaceName);
    if (message.member() == QLatin1String("GetAll"))
        return message.createReply(QVariant::fromValue(properties));
    if (message.member() == QLatin1String("Get")) {
        const QString name = arguments.value(1).toString();
        if (!properties.contains(name))
            return message.createErrorReply(QDBusError::UnknownProperty, name);
        return message.createReply(QVariant::fromValue(QDBusVariant(properties.value(name))));
    }
    return message.createErrorReply(QDBusError::UnknownMethod, message.member());
}

} // namespace

Q_DECLARE_METATYPE(SessionReference)

LogindStandIn::LogindStandIn(const QDBusConnection &connection, QObject *parent)
    : QDBusVirtualObject(parent), m_connection(connection)
{
    qDBusRegisterMetaType<SessionReference>();
}

LogindStandIn::~LogindStandIn()
{
    stopServing();
}

void LogindStandIn::addSession(const Session &session)
{
    m_sessions.insert(session.id, session);
}

void LogindStandIn::setDisplaySession(quint32 uid, const QString &sessionId)
{
    m_displaySessions.insert(uid, sessionId);
}

bool LogindStandIn::serve()
{
    if (!m_connection.registerVirtualObject(rootPath, this, QDBusConnection::SubPath))
        return false;
    m_serving = m_connection.registerService(service);
    if (!m_serving)
        m_connection.unregisterObject(rootPath);
    return m_serving;
}

void LogindStandIn::stopServing()
{
    if (!m_serving)
        return;
    m_serving = false;
    m_connection.unregisterService(service);
    m_connection.unregisterObject(rootPath, QDBusConnection::UnregisterTree);
}

QString LogindStandIn::sessionPath(const QString &sessionId)
{
    return rootPath + QStringLiteral("/session/") + sessionId;
}

void LogindStandIn::setLockedHint(const QString &sessionId, bool locked)
{
    auto session = m_sessions.find(sessionId);
    if (session == m_sessions.end() || session->locked == locked)
        return;
    session->locked = locked;
    announce(sessionId, {{QStringLiteral("LockedHint"), locked}});
}

void LogindStandIn::activate(const QString &sessionId)
{
    for (Session &session : m_sessions) {
        const bool active = session.id == sessionId;
        if (session.active == active)
            continue;
        session.active = active;
        announce(session.id, {{QStringLiteral("Active"), active}});
    }
}

void LogindStandIn::announce(const QString &id, const QVariantMap &changed)
{
    if (!m_serving)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(sessionPath(id), propertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal.setArguments({sessionInterface, changed, QStringList()});
    m_connection.send(signal);
}

QString LogindStandIn::introspect(const QString &) const
{
    return {}; // clients of logind call it by name; nothing here is found by introspection
}

bool LogindStandIn::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    m_calls.append(message.interface().section(u'.', -1) + u'.' + message.member());
    const QString path = message.path();
    const QString sessionPrefix = rootPath + QStringLiteral("/session/");
    const QString userPrefix = rootPath + QStringLiteral("/user/_");
    QDBusMessage reply;
    if (path == rootPath && message.interface() == managerInterface)
        reply = managerReply(message);
    else if (path.startsWith(sessionPrefix) && m_sessions.contains(path.mid(sessionPrefix.size())))
        reply = sessionReply(path.mid(sessionPrefix.size()), message);
    else if (path.startsWith(userPrefix))
        reply = userReply(path.mid(userPrefix.size()).toUInt(), message);
    else
        reply = message.createErrorReply(QDBusError::UnknownObject, path);
    connection.send(reply);
    return true;
}

QDBusMessage LogindStandIn::managerReply(const QDBusMessage &message)
{
    const QString method = message.member();
    const QVariant argument = message.arguments().value(0);
    if (method == QLatin1String("GetSession")) {
        if (!m_sessions.contains(argument.toString()))
            return message.createErrorReply(
                QStringLiteral("org.freedesktop.login1.NoSuchSession"),
                QStringLiteral("No session '%1' known").arg(argument.toString()));
        return message.createReply(
            QVariant::fromValue(QDBusObjectPath(sessionPath(argument.toString()))));
    }
    if (method == QLatin1String("GetSessionByPID")) {
        for (const Session &session : std::as_const(m_sessions)) {
            if (session.pids.contains(argument.toUInt()))
                return message.createReply(
                    QVariant::fromValue(QDBusObjectPath(sessionPath(session.id))));
        }
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.login1.NoSessionForPID"),
            QStringLiteral("PID %1 does not belong to any known session").arg(argument.toUInt()));
    }
    if (method == QLatin1String("GetUser")) {
        for (const Session &session : std::as_const(m_sessions)) {
            if (session.uid == argument.toUInt())
                return message.createReply(
                    QVariant::fromValue(QDBusObjectPath(userPath(session.uid))));
        }
        return message.createErrorReply(
            QStringLiteral("org.freedesktop.login1.NoSuchUser"),
            QStringLiteral("User ID %1 is not logged in").arg(argument.toUInt()));
    }
    if (method == QLatin1String("ActivateSession")) {
        if (!m_sessions.contains(argument.toString()))
            return message.createErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"),
                                            argument.toString());
        activate(argument.toString());
        return message.createReply();
    }
    return message.createErrorReply(QDBusError::UnknownMethod, method);
}

QDBusMessage LogindStandIn::sessionReply(const QString &id, const QDBusMessage &message)
{
    const Session &session = m_sessions[id];
    if (message.interface() == propertiesInterface)
        return propertiesReply(message, sessionInterface,
                               {{QStringLiteral("Id"), session.id},
                                {QStringLiteral("User"), session.uid},
                                {QStringLiteral("Active"), session.active},
                                {QStringLiteral("LockedHint"), session.locked}});
    if (message.interface() == sessionInterface &&
        message.member() == QLatin1String("SetLockedHint")) {
        setLockedHint(id, message.arguments().value(0).toBool());
        return message.createReply();
    }
    if (message.interface() == sessionInterface && message.member() == QLatin1String("Activate")) {
        activate(id);
        return message.createReply();
    }
    return message.createErrorReply(QDBusError::UnknownMethod, message.member());
}

QDBusMessage LogindStandIn::userReply(quint32 uid, const QDBusMessage &message)
{
    if (message.interface() != propertiesInterface)
        return message.createErrorReply(QDBusError::UnknownMethod, message.member());
    SessionReference display{QString(), QDBusObjectPath(QStringLiteral("/"))};
    if (const QString id = m_displaySessions.value(uid); !id.isEmpty())
        display = {id, QDBusObjectPath(sessionPath(id))};
    return propertiesReply(
        message, userInterface,
        {{QStringLiteral("UID"), uid}, {QStringLiteral("Display"), QVariant::fromValue(display)}});
}
