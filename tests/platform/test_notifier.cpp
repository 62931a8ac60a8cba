// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notification over D-Bus, against a notification-server stand-in on a private bus:
// the server gets the message, its body escaped when the server reads markup; without a server,
// or without a bus, the fallback gets it instead, once.

#include "fakenotifier.h"
#include "notifier.h"

#include "notificationsstandin.h"
#include "privatebus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QTest>

#include <memory>

using namespace platform;

class TestNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void theServerShowsTheMessage();
    void aServerThatReadsMarkupGetsTheBodyEscaped();
    void withoutAServerTheFallbackShowsIt();
    void withoutABusTheFallbackShowsIt();

private:
    PrivateBus m_bus;
};

void TestNotifier::initTestCase()
{
    // No service folders in this configuration: nothing is started for a name nobody owns.
    TRUNDLE_START_PRIVATE_BUS(m_bus);
}

void TestNotifier::theServerShowsTheMessage()
{
    NotificationsStandIn server(m_bus.connect(QStringLiteral("server")));
    QVERIFY(server.serve());
    auto fallback = std::make_unique<FakeNotifier>();
    FakeNotifier *fallbackRecord = fallback.get();
    const QDBusConnection client = m_bus.connect(QStringLiteral("client-1"));
    DBusNotifier notifier(client, std::move(fallback));

    notifier.notify(QStringLiteral("Title"), QStringLiteral("Body with 100% & <b>text</b>"));
    QTRY_COMPARE_WITH_TIMEOUT(server.notifications().size(), 1, 30000);
    const NotificationsStandIn::Notification shown = server.notifications().first();
    QCOMPARE(shown.appName, QCoreApplication::applicationName());
    QCOMPARE(shown.summary, QStringLiteral("Title"));
    QCOMPARE(shown.body, QStringLiteral("Body with 100% & <b>text</b>"));
    // Replies come back in the order of the calls: once a later call on the same connection
    // is answered, the notification's answer has been handled, and it sent nothing elsewhere.
    QDBusPendingCall later = client.asyncCall(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetCapabilities")));
    QTRY_VERIFY_WITH_TIMEOUT(later.isFinished(), 30000);
    QCoreApplication::processEvents();
    QVERIFY(!later.isError());
    QVERIFY(fallbackRecord->messages().isEmpty());
}

void TestNotifier::aServerThatReadsMarkupGetsTheBodyEscaped()
{
    NotificationsStandIn server(m_bus.connect(QStringLiteral("markup-server")));
    server.setCapabilities({QStringLiteral("body"), QStringLiteral("body-markup")});
    QVERIFY(server.serve());
    DBusNotifier notifier(m_bus.connect(QStringLiteral("client-3")),
                          std::make_unique<FakeNotifier>());

    // Two at once, before the capabilities are known: both wait for them, in order.
    notifier.notify(QStringLiteral("Tom & Jerry"),
                    QStringLiteral("Tom & Jerry <draft>.sh\nfailed"));
    notifier.notify(QStringLiteral("Second"), QStringLiteral("a<b"));
    QTRY_COMPARE_WITH_TIMEOUT(server.notifications().size(), 2, 30000);
    QCOMPARE(server.notifications().at(0).summary, QStringLiteral("Tom & Jerry"));
    QCOMPARE(server.notifications().at(0).body,
             QStringLiteral("Tom &amp; Jerry &lt;draft&gt;.sh\nfailed"));
    QCOMPARE(server.notifications().at(1).body, QStringLiteral("a&lt;b"));
    notifier.notify(QStringLiteral("Third"), QStringLiteral("x&y"));
    QTRY_COMPARE_WITH_TIMEOUT(server.notifications().size(), 3, 30000);
    QCOMPARE(server.notifications().at(2).body, QStringLiteral("x&amp;y"));
}

void TestNotifier::withoutAServerTheFallbackShowsIt()
{
    auto fallback = std::make_unique<FakeNotifier>();
    FakeNotifier *fallbackRecord = fallback.get();
    DBusNotifier notifier(m_bus.connect(QStringLiteral("client-2")), std::move(fallback));

    notifier.notify(QStringLiteral("Title"), QStringLiteral("Body"));
    QTRY_COMPARE_WITH_TIMEOUT(fallbackRecord->messages().size(), 1, 30000);
    QCOMPARE(fallbackRecord->messages().first().title, QStringLiteral("Title"));
    QCOMPARE(fallbackRecord->messages().first().body, QStringLiteral("Body"));
}

void TestNotifier::withoutABusTheFallbackShowsIt()
{
    auto fallback = std::make_unique<FakeNotifier>();
    FakeNotifier *fallbackRecord = fallback.get();
    const QDBusConnection gone = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=%1/no-bus-here").arg(m_bus.folder()), QStringLiteral("gone"));
    QVERIFY(!gone.isConnected());
    DBusNotifier notifier(gone, std::move(fallback));

    notifier.notify(QStringLiteral("Title"), QStringLiteral("Body"));
    QCOMPARE(fallbackRecord->messages().size(), 1);
    QCOMPARE(fallbackRecord->messages().first().body, QStringLiteral("Body"));
}

QTEST_GUILESS_MAIN(TestNotifier)

#include "test_notifier.moc"
