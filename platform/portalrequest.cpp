// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalrequest.h"

#include "log.h"
#include "portalshortcuts.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace platform {

PortalRequest::PortalRequest(const QDBusConnection &bus, Answer answer, Failure failure,
                             QObject *context)
    // A child of context: a request whose asker has gone stops listening and goes too.
    : QObject(context), m_bus(bus), m_answer(std::move(answer)), m_failure(std::move(failure)),
      m_context(context)
{}

QString PortalRequest::newToken()
{
    return QStringLiteral("trundle_%1")
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QString PortalRequest::requestPath(const QDBusConnection &bus, const QString &token)
{
    // ":1.42" becomes "1_42".
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void PortalRequest::send(const QDBusConnection &bus, QDBusMessage call, Answer answer,
                         Failure failure, QObject *context)
{
    auto *request = new PortalRequest(bus, std::move(answer), std::move(failure), context);
    const QString token = newToken();
    QVariantList arguments = call.arguments();
    QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.last().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    if (arguments.isEmpty())
        arguments.append(options);
    else
        arguments.last() = options;
    call.setArguments(arguments);

    const QString predicted = requestPath(bus, token);
    if (!request->subscribe(predicted)) {
        const QString error =
            QStringLiteral("cannot listen to %1: %2").arg(predicted, bus.lastError().message());
        request->m_failure(error);
        delete request;
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    const QString method = call.member();
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
            [request, method](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    const QString error =
                        reply.error().name() + QStringLiteral(": ") + reply.error().message();
                    request->unsubscribe();
                    if (request->m_context)
                        request->m_failure(error);
                    request->deleteLater();
                    return;
                }
                const QString path = reply.value().path();
                // Answered already (before the reply), or listening at the right place.
                if (request->m_path.isEmpty() || path == request->m_path)
                    return;
                QZLog("%@: the portal chose the request path %@, not %@", method, path,
                      request->m_path);
                request->unsubscribe();
                request->subscribe(path);
            });
}

bool PortalRequest::subscribe(const QString &path)
{
    m_path = path;
    return m_bus.connect(portal::service, path, portal::requestInterface,
                         QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
}

void PortalRequest::unsubscribe()
{
    if (m_path.isEmpty())
        return;
    m_bus.disconnect(portal::service, m_path, portal::requestInterface, QStringLiteral("Response"),
                     this, SLOT(response(uint, QVariantMap)));
    m_path.clear();
}

void PortalRequest::response(uint code, const QVariantMap &results)
{
    unsubscribe();
    if (m_context)
        m_answer(code, results);
    // The method's reply may still be on its way: the watcher is this object's child.
    deleteLater();
}

} // namespace platform
