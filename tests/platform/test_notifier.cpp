// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notification over D-Bus, against a notification-server stand-in on a private bus:
// the server gets the message, its body escaped when the server reads markup; without a server,
// or without a bus, the fallback gets it instead, once.

#include "fakenotifier.h"
#include "notifier.h"

#include "notificationsstandin.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace platform;

class TestNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void theServerShowsTheMessage();
    void aServerThatReadsMarkupGetsTheBodyEscaped();
    void withoutAServerTheFallbackShowsIt();
    void withoutABusTheFallbackShowsIt();

private:
    QDBusConnection connect(const QString &name);

    QTemporaryDir m_folder;
    QProcess m_bus;
    QString m_address;
};

void TestNotifier::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QVERIFY(m_folder.isValid());
    // No service folders in this configuration: nothing is started for a name nobody owns.
    m_bus.start(daemon, {QStringLiteral("--config-file=" TRUNDLE_PRIVATE_BUS_CONFIG),
                         QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                         QStringLiteral("--address=unix:path=%1/bus").arg(m_folder.path())});
    QVERIFY2(m_bus.waitForStarted(), qPrintable(m_bus.errorString()));
    while (!m_bus.canReadLine() && m_bus.state() == QProcess::Running)
        m_bus.waitForReadyRead(30000);
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), m_bus.readAllStandardError().constData());
}

void TestNotifier::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(30000);
}

QDBusConnection TestNotifier::connect(const QString &name)
{
    QDBusConnection connection = QDBusConnection::connectToBus(m_address, name);
    if (!connection.isConnected())
        qWarning("cannot connect to the test bus: %s",
                 qPrintable(connection.lastError().message()));
    return connection;
}

void TestNotifier::theServerShowsTheMessage()
{
    NotificationsStandIn server(connect(QStringLiteral("server")));
    QVERIFY(server.serve());
    auto fallback = std::make_unique<FakeNotifier>();
    FakeNotifier *fallbackRecord = fallback.get();
    const QDBusConnection client = connect(QStringLiteral("client-1"));
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
    NotificationsStandIn server(connect(QStringLiteral("markup-server")));
    server.setCapabilities({QStringLiteral("body"), QStringLiteral("body-markup")});
    QVERIFY(server.serve());
    DBusNotifier notifier(connect(QStringLiteral("client-3")), std::make_unique<FakeNotifier>());

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
    DBusNotifier notifier(connect(QStringLiteral("client-2")), std::move(fallback));

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
        QStringLiteral("unix:path=%1/no-bus-here").arg(m_folder.path()), QStringLiteral("gone"));
    QVERIFY(!gone.isConnected());
    DBusNotifier notifier(gone, std::move(fallback));

    notifier.notify(QStringLiteral("Title"), QStringLiteral("Body"));
    QCOMPARE(fallbackRecord->messages().size(), 1);
    QCOMPARE(fallbackRecord->messages().first().body, QStringLiteral("Body"));
}

QTEST_GUILESS_MAIN(TestNotifier)

#include "test_notifier.moc"
