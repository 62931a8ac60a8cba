// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One call of an xdg-desktop-portal method that answers later, through the Response signal of
// a Request object (org.freedesktop.portal.Request). The portal names that object after the
// caller's unique bus name and the handle_token that the call carries, so the subscription is
// made before the call goes out: a portal that answers before its reply cannot be missed. When
// the reply names another path (portals before 0.9 chose their own), the subscription moves.
//
//   PortalRequest::send(bus, call, [](uint response, const QVariantMap &results) { ... },
//                       [](const QString &error) { ... }, context);

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace platform {

class PortalRequest : public QObject
{
    Q_OBJECT
public:
    using Answer = std::function<void(uint response, const QVariantMap &results)>;
    using Failure = std::function<void(const QString &error)>;

    // Sends call, whose last argument must be its options (a{sv}); handle_token is added to
    // them. Exactly one of answer and failure is called later, unless context has gone first.
    // Nothing waits: the reply and the response arrive through the event loop.
    static void send(const QDBusConnection &bus, QDBusMessage call, Answer answer, Failure failure,
                     QObject *context);

    // A token that is a valid object path element and unlikely to be guessed or reused.
    static QString newToken();
    // The path the portal gives the request of token from this connection.
    static QString requestPath(const QDBusConnection &bus, const QString &token);

private slots:
    void response(uint code, const QVariantMap &results);

private:
    PortalRequest(const QDBusConnection &bus, Answer answer, Failure failure, QObject *context);
    bool subscribe(const QString &path);
    void unsubscribe();

    QDBusConnection m_bus;
    Answer m_answer;
    Failure m_failure;
    QPointer<QObject> m_context;
    QString m_path; // the request object listened to; empty once answered
};

} // namespace platform
