// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalstandin.h"

#include "portalshortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>

namespace {

using namespace platform::portal;

const QString controlInterface = QStringLiteral("org.trundle.test.PortalStandIn");

// ":1.42" -> "1_42", as the portal names request and session objects.
QString senderElement(const QDBusMessage &message)
{
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

QVariantMap optionsOf(const QVariant &argument)
{
    if (argument.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(argument.value<QDBusArgument>());
    return argument.toMap();
}

} // namespace

PortalStandIn::PortalStandIn(const QDBusConnection &connection, Options options, QObject *parent)
    : QDBusVirtualObject(parent), m_connection(connection), m_options(options)
{
    registerShortcutTypes();
}

PortalStandIn::~PortalStandIn()
{
    if (m_serving) {
        m_connection.unregisterService(service);
        m_connection.unregisterObject(objectPath);
    }
}

bool PortalStandIn::serve()
{
    if (!m_connection.registerVirtualObject(objectPath, this, QDBusConnection::SubPath))
        return false;
    m_serving = m_connection.registerService(service);
    if (!m_serving)
        m_connection.unregisterObject(objectPath);
    return m_serving;
}

QString PortalStandIn::introspect(const QString &requested) const
{
    if (requested != objectPath)
        return {};
    QString xml;
    if (m_options.version != 0)
        xml += QStringLiteral(
            "<interface name=\"org.freedesktop.portal.GlobalShortcuts\">"
            "<method name=\"CreateSession\"><arg type=\"a{sv}\" direction=\"in\"/>"
            "<arg type=\"o\" direction=\"out\"/></method>"
            "<method name=\"BindShortcuts\"><arg type=\"o\" direction=\"in\"/>"
            "<arg type=\"a(sa{sv})\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/></method>"
            "<property name=\"version\" type=\"u\" access=\"read\"/></interface>");
    if (m_options.registry)
        xml += QStringLiteral("<interface name=\"org.freedesktop.host.portal.Registry\">"
                              "<method name=\"Register\"><arg type=\"s\" direction=\"in\"/>"
                              "<arg type=\"a{sv}\" direction=\"in\"/></method></interface>");
    return xml;
}

void PortalStandIn::record(const QStringList &fields)
{
    const QString line = fields.join(QLatin1Char('\t'));
    m_calls.append(line);
    if (m_observer)
        m_observer(line);
}

void PortalStandIn::respond(const QDBusMessage &call, const QString &token, uint code,
                            const QVariantMap &results)
{
    const QString request =
        objectPath + QStringLiteral("/request/") + senderElement(call) + QLatin1Char('/') + token;
    // The answer first, then the reply that names the request.
    QDBusMessage response =
        QDBusMessage::createSignal(request, requestInterface, QStringLiteral("Response"));
    response << code << results;
    m_connection.send(response);
    m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
}

bool PortalStandIn::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString interface = message.interface();
    const QString member = message.member();
    if (message.path() != objectPath) {
        // A session object.
        if (interface == sessionInterface && member == QLatin1String("Close") &&
            m_sessions.remove(message.path())) {
            record({QStringLiteral("Close"), message.path()});
            m_connection.send(message.createReply());
            return true;
        }
        return false;
    }
    if (interface == QLatin1String("org.freedesktop.DBus.Properties"))
        return properties(message);
    if (interface == registryInterface && member == QLatin1String("Register") &&
        m_options.registry) {
        record({QStringLiteral("Register"), message.arguments().value(0).toString()});
        m_connection.send(message.createReply());
        return true;
    }
    if (interface == shortcutsInterface && m_options.version != 0) {
        if (member == QLatin1String("CreateSession"))
            return createSession(message);
        if (member == QLatin1String("BindShortcuts"))
            return bindShortcuts(message);
        if (member == QLatin1String("ListShortcuts"))
            return listShortcuts(message);
    }
    if (interface == controlInterface) {
        const QString id = message.arguments().value(0).toString();
        if (member == QLatin1String("Press"))
            press(id);
        else if (member == QLatin1String("Release"))
            release(id);
        else if (member == QLatin1String("ChangeTrigger"))
            changeTrigger(id, message.arguments().value(1).toString());
        else
            return false;
        m_connection.send(message.createReply());
        return true;
    }
    return false;
}

bool PortalStandIn::properties(const QDBusMessage &message)
{
    const QString interface = message.arguments().value(0).toString();
    const QString property = message.arguments().value(1).toString();
    if (message.member() == QLatin1String("Get") && property == QLatin1String("version") &&
        ((interface == shortcutsInterface && m_options.version != 0) ||
         (interface == registryInterface && m_options.registry))) {
        const uint version = interface == shortcutsInterface ? m_options.version : 1;
        m_connection.send(message.createReply(QVariant::fromValue(QDBusVariant(version))));
        return true;
    }
    m_connection.send(
        message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                 QStringLiteral("No such interface or property")));
    return true;
}

bool PortalStandIn::createSession(const QDBusMessage &message)
{
    const QVariantMap options = optionsOf(message.arguments().value(0));
    const QString token = options.value(QStringLiteral("handle_token")).toString();
    const QString sessionToken = options.value(QStringLiteral("session_handle_token")).toString();
    if (token.isEmpty() || sessionToken.isEmpty()) {
        m_connection.send(message.createErrorReply(
            QStringLiteral("org.freedesktop.portal.Error.InvalidArgument"),
            QStringLiteral("handle_token and session_handle_token are needed")));
        return true;
    }
    const QString session = objectPath + QStringLiteral("/session/") + senderElement(message) +
                            QLatin1Char('/') + sessionToken;
    record({QStringLiteral("CreateSession"), session});
    QVariantMap results;
    if (m_options.sessionResponse == 0) {
        m_sessions.insert(session);
        m_lastSession = session;
        m_triggers.clear();
        results.insert(QStringLiteral("session_handle"),
                       QVariant::fromValue(QDBusObjectPath(session)));
    }
    respond(message, token, m_options.sessionResponse, results);
    return true;
}

bool PortalStandIn::bindShortcuts(const QDBusMessage &message)
{
    const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
    const QVariant shortcutsArgument = message.arguments().value(1);
    const QList<Shortcut> shortcuts =
        qdbus_cast<QList<Shortcut>>(shortcutsArgument.value<QDBusArgument>());
    const QVariantMap options = optionsOf(message.arguments().value(3));
    QStringList fields{QStringLiteral("BindShortcuts"), session};
    for (const Shortcut &shortcut : shortcuts) {
        fields << shortcut.id
               << shortcut.properties.value(QStringLiteral("preferred_trigger")).toString()
               << shortcut.properties.value(QStringLiteral("description")).toString();
    }
    record(fields);
    if (!m_sessions.contains(session) || m_boundSessions.contains(session)) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                     QStringLiteral("This session cannot bind shortcuts (again)")));
        return true;
    }
    m_boundSessions.insert(session);
    QList<Shortcut> bound;
    if (m_options.bindResponse == 0) {
        for (const Shortcut &shortcut : shortcuts) {
            const QString trigger =
                shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
            m_triggers.insert(shortcut.id, trigger);
            bound.append({shortcut.id,
                          {{QStringLiteral("description"),
                            shortcut.properties.value(QStringLiteral("description"))},
                           {QStringLiteral("trigger_description"), trigger}}});
        }
    }
    QVariantMap results;
    if (m_options.bindResponse == 0)
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(bound));
    respond(message, options.value(QStringLiteral("handle_token")).toString(),
            m_options.bindResponse, results);
    return true;
}

bool PortalStandIn::listShortcuts(const QDBusMessage &message)
{
    const QVariantMap options = optionsOf(message.arguments().value(1));
    QList<Shortcut> list;
    for (auto it = m_triggers.cbegin(); it != m_triggers.cend(); ++it)
        list.append({it.key(), {{QStringLiteral("trigger_description"), it.value()}}});
    respond(message, options.value(QStringLiteral("handle_token")).toString(), 0,
            {{QStringLiteral("shortcuts"), QVariant::fromValue(list)}});
    return true;
}

void PortalStandIn::emitShortcutSignal(const QString &name, const QString &shortcutId)
{
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, shortcutsInterface, name);
    signal << QVariant::fromValue(QDBusObjectPath(m_lastSession)) << shortcutId
           << qulonglong(QDateTime::currentMSecsSinceEpoch()) * 1000 << QVariantMap();
    m_connection.send(signal);
}

void PortalStandIn::press(const QString &shortcutId)
{
    emitShortcutSignal(QStringLiteral("Activated"), shortcutId);
}

void PortalStandIn::release(const QString &shortcutId)
{
    emitShortcutSignal(QStringLiteral("Deactivated"), shortcutId);
}

void PortalStandIn::changeTrigger(const QString &shortcutId, const QString &trigger)
{
    m_triggers.insert(shortcutId, trigger);
    QList<Shortcut> list;
    for (auto it = m_triggers.cbegin(); it != m_triggers.cend(); ++it)
        list.append({it.key(), {{QStringLiteral("trigger_description"), it.value()}}});
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, shortcutsInterface,
                                                     QStringLiteral("ShortcutsChanged"));
    signal << QVariant::fromValue(QDBusObjectPath(m_lastSession)) << QVariant::fromValue(list);
    m_connection.send(signal);
}
