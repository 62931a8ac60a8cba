// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalstandin.h"

#include "portalshortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>

#include <utility>

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
    : QDBusVirtualObject(parent), m_connection(connection), m_options(std::move(options))
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
            "<method name=\"ListShortcuts\"><arg type=\"o\" direction=\"in\"/>"
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
    // The reply that names the request, then the answer, as the frontend sends them.
    m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QDBusMessage response =
        QDBusMessage::createSignal(request, requestInterface, QStringLiteral("Response"));
    response << code << results;
    m_connection.send(response);
}

bool PortalStandIn::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString interface = message.interface();
    const QString member = message.member();
    if (message.path() != objectPath) {
        // A session object.
        if (interface == sessionInterface && member == QLatin1String("Close") &&
            m_sessions.remove(message.path()) > 0) {
            record({QStringLiteral("Close"), message.path()});
            m_connection.send(message.createReply());
            return true;
        }
        return false;
    }
    // Register must be a connection's first call: the frontend fixes the id then.
    const bool firstCall = !m_callers.contains(message.service());
    m_callers.insert(message.service());
    if (interface == QLatin1String("org.freedesktop.DBus.Properties"))
        return properties(message);
    if (interface == registryInterface && member == QLatin1String("Register") && m_options.registry)
        return registerApplication(message, firstCall);
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

bool PortalStandIn::registerApplication(const QDBusMessage &message, bool firstCall)
{
    const QString id = message.arguments().value(0).toString();
    record({QStringLiteral("Register"), id});
    if (!firstCall) {
        m_connection.send(message.createErrorReply(
            QStringLiteral("org.freedesktop.portal.Error.Failed"),
            QStringLiteral("Connection already associated with an application ID")));
        return true;
    }
    if (!m_options.desktopFileInstalled) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                     QStringLiteral("App info not found for '%1'").arg(id)));
        return true;
    }
    if (id.isEmpty()) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.InvalidArgument"),
                                     QStringLiteral("Invalid application ID")));
        return true;
    }
    m_appIds.insert(message.service(), id);
    m_connection.send(message.createReply());
    return true;
}

bool PortalStandIn::properties(const QDBusMessage &message)
{
    const QString interface = message.arguments().value(0).toString();
    const QString property = message.arguments().value(1).toString();
    if (message.member() == QLatin1String("Get") && property == QLatin1String("version") &&
        interface == shortcutsInterface && m_options.version != 0) {
        m_connection.send(
            message.createReply(QVariant::fromValue(QDBusVariant(m_options.version))));
        return true;
    }
    m_connection.send(
        message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                 QStringLiteral("No such interface or property")));
    return true;
}

QVariant PortalStandIn::describe(const QStringList &ids, const QString &component) const
{
    QList<Shortcut> list;
    for (const QString &id : ids) {
        list.append(
            {id,
             {{QStringLiteral("trigger_description"), m_options.desktop == Desktop::Hyprland
                                                          ? QString()
                                                          : m_kept.value(component).value(id)}}});
    }
    return QVariant::fromValue(list);
}

bool PortalStandIn::createSession(const QDBusMessage &message)
{
    const QVariantMap options = optionsOf(message.arguments().value(0));
    const QString token = options.value(QStringLiteral("handle_token")).toString();
    const QString sessionToken = options.value(QStringLiteral("session_handle_token")).toString();
    const QString appId = m_appIds.value(message.service());
    if (token.isEmpty() || sessionToken.isEmpty()) {
        m_connection.send(message.createErrorReply(
            QStringLiteral("org.freedesktop.portal.Error.InvalidArgument"),
            QStringLiteral("handle_token and session_handle_token are needed")));
        return true;
    }
    const QString session = objectPath + QStringLiteral("/session/") + senderElement(message) +
                            QLatin1Char('/') + sessionToken;
    // The shortcuts option as it came: its D-Bus type, and the shortcuts when it is the right one.
    const QVariant shortcutsOption = options.value(QStringLiteral("shortcuts"));
    QString signature = QStringLiteral("-");
    QList<Shortcut> offered;
    if (shortcutsOption.canConvert<QDBusArgument>()) {
        const auto argument = shortcutsOption.value<QDBusArgument>();
        signature = argument.currentSignature();
        if (signature == QLatin1String("a(sa{sv})"))
            offered = qdbus_cast<QList<Shortcut>>(argument);
    } else if (shortcutsOption.isValid()) {
        signature = QString::fromLatin1(shortcutsOption.typeName());
    }
    QStringList fields{QStringLiteral("CreateSession"), session, signature};
    for (const Shortcut &shortcut : offered)
        fields << shortcut.id;
    record(fields);
    if (m_options.appIdRequired && appId.isEmpty()) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"),
                                     QStringLiteral("An app id is required")));
        return true;
    }
    if (m_sessions.contains(session)) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                     QStringLiteral("Session already exists")));
        return true;
    }
    if (m_options.sessionResponse != 0) {
        respond(message, token, m_options.sessionResponse, {});
        return true;
    }
    Session state;
    state.appId = appId;
    // KDE names a session without an application id after its token.
    state.component = appId.isEmpty() && m_options.desktop == Desktop::Kde64
                          ? QStringLiteral("token_") + sessionToken
                          : appId;
    QVariantMap results;
    if (m_options.desktop == Desktop::Kde64 ||
        (m_options.desktop == Desktop::Gnome48 && !appId.isEmpty())) {
        // The keys the desktop keeps for the application come with every session.
        state.ids = m_kept.value(state.component).keys();
    }
    if (m_options.desktop == Desktop::Gnome48)
        results.insert(QStringLiteral("session_handle"), session);
    else
        results.insert(QStringLiteral("session_handle"),
                       QVariant::fromValue(QDBusObjectPath(session)));
    m_sessions.insert(session, state);
    m_lastSession = session;
    respond(message, token, 0, results);
    return true;
}

bool PortalStandIn::bindShortcuts(const QDBusMessage &message)
{
    const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
    const QList<Shortcut> shortcuts =
        qdbus_cast<QList<Shortcut>>(message.arguments().value(1).value<QDBusArgument>());
    const QString token =
        optionsOf(message.arguments().value(3)).value(QStringLiteral("handle_token")).toString();
    QStringList fields{QStringLiteral("BindShortcuts"), session};
    for (const Shortcut &shortcut : shortcuts) {
        fields << shortcut.id
               << shortcut.properties.value(QStringLiteral("preferred_trigger")).toString()
               << shortcut.properties.value(QStringLiteral("description")).toString();
    }
    record(fields);
    if (!m_sessions.contains(session)) {
        respond(message, token, 2, {});
        return true;
    }
    Session &state = m_sessions[session];
    ++state.binds;
    QMap<QString, QString> &kept = m_kept[state.component];
    QStringList asked;
    QStringList fresh; // not kept yet: the dialog asks the user for these
    for (const Shortcut &shortcut : shortcuts) {
        asked.append(shortcut.id);
        if (!kept.contains(shortcut.id))
            fresh.append(shortcut.id);
    }
    const auto keep = [&] {
        for (const Shortcut &shortcut : shortcuts) {
            if (fresh.contains(shortcut.id) && !m_options.refusedIds.contains(shortcut.id))
                kept.insert(
                    shortcut.id,
                    shortcut.properties.value(QStringLiteral("preferred_trigger")).toString());
        }
    };
    QStringList answered;
    switch (m_options.desktop) {
    case Desktop::Kde64: {
        // A cancelled dialog keeps nothing new: the answer holds the keys kept before, if any.
        const bool cancelled = !fresh.isEmpty() && m_options.cancelDialog;
        if (!cancelled)
            keep();
        for (const QString &id : asked) {
            if (kept.contains(id))
                answered.append(id);
        }
        if (cancelled && answered.isEmpty()) {
            respond(message, token, 1, {});
            return true;
        }
        break;
    }
    case Desktop::Gnome48:
        if (state.appId.isEmpty() || state.binds > 1 ||
            (!fresh.isEmpty() && m_options.cancelDialog)) {
            respond(message, token, 2, {});
            return true;
        }
        keep();
        answered = asked;
        break;
    case Desktop::Hyprland:
        answered = asked;
        break;
    }
    state.ids = answered;
    respond(message, token, 0,
            {{QStringLiteral("shortcuts"), describe(answered, state.component)}});
    return true;
}

bool PortalStandIn::listShortcuts(const QDBusMessage &message)
{
    const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
    const QString token =
        optionsOf(message.arguments().value(1)).value(QStringLiteral("handle_token")).toString();
    record({QStringLiteral("ListShortcuts"), session});
    if (!m_sessions.contains(session)) {
        respond(message, token, 2, {});
        return true;
    }
    const Session &state = m_sessions[session];
    respond(message, token, 0,
            {{QStringLiteral("shortcuts"), describe(state.ids, state.component)}});
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
    const Session state = m_sessions.value(m_lastSession);
    m_kept[state.component].insert(shortcutId, trigger);
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, shortcutsInterface,
                                                     QStringLiteral("ShortcutsChanged"));
    signal << QVariant::fromValue(QDBusObjectPath(m_lastSession))
           << describe(state.ids, state.component);
    m_connection.send(signal);
}
