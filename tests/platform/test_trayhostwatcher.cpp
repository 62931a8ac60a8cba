// SPDX-License-Identifier: GPL-3.0-or-later
// Following the status-notifier tray on a bus of the test's own: a panel's watcher there at
// start, one that comes later (its host registered before or after it takes the name), one
// without a host, and a panel that restarts.

#include "privatebus.h"
#include "trayhostwatcher.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

// The part of org.kde.StatusNotifierWatcher that tells whether a host is there.
class WatcherStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

public:
    bool host = false;
    bool isHostRegistered() const { return host; }

signals:
    void StatusNotifierHostRegistered();
};

class TestTrayHostWatcher : public QObject
{
    Q_OBJECT

    PrivateBus m_bus;
    const QString m_name = QStringLiteral("org.kde.StatusNotifierWatcher");

    // A panel on a connection of its own: the watcher object, and its name when taken. When it
    // goes its connection is closed, as when the panel's process ends. The watcher answers from
    // a thread of its own, as another process would: Trundle asks it once and waits.
    struct Panel
    {
        explicit Panel(const QDBusConnection &bus, bool host) : connection(bus)
        {
            watcher.host = host;
            // Registered first: that gives the watcher a child, which moves along with it.
            connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                      QDBusConnection::ExportAllProperties |
                                          QDBusConnection::ExportAllSignals);
            watcher.moveToThread(&thread);
            thread.start();
        }
        ~Panel()
        {
            QDBusConnection::disconnectFromBus(connection.name());
            QThread *main = QThread::currentThread();
            QMetaObject::invokeMethod(
                &watcher, [this, main] { watcher.moveToThread(main); },
                Qt::BlockingQueuedConnection);
            thread.quit();
            thread.wait();
        }
        // Registers the host, from the watcher's thread.
        void registerHost()
        {
            QMetaObject::invokeMethod(
                &watcher,
                [this] {
                    watcher.host = true;
                    emit watcher.StatusNotifierHostRegistered();
                },
                Qt::QueuedConnection);
        }
        Panel(const Panel &) = delete;
        Panel &operator=(const Panel &) = delete;

        QDBusConnection connection;
        QThread thread;
        WatcherStandIn watcher;
    };
    std::unique_ptr<Panel> newPanel(bool host)
    {
        return std::make_unique<Panel>(m_bus.connect(QStringLiteral("panel")), host);
    }
    bool take(Panel &panel) { return panel.connection.registerService(m_name); }
    bool release(Panel &panel) { return panel.connection.unregisterService(m_name); }

private slots:
    void initTestCase() { TRUNDLE_START_PRIVATE_BUS(m_bus); }

    void aTrayThereAtStartIsKnownAtOnce_data()
    {
        QTest::addColumn<bool>("host");
        QTest::newRow("watcher with a host") << true;
        QTest::newRow("watcher without a host") << false;
    }
    void aTrayThereAtStartIsKnownAtOnce()
    {
        QFETCH(bool, host);
        const auto panel = newPanel(host);
        QVERIFY(take(*panel));
        const platform::TrayHostWatcher watcher(m_bus.connect(QStringLiteral("trundle")), false);
        QCOMPARE(watcher.statusNotifierHostPresent(), host);
        QCOMPARE(watcher.hostPresent(), host);
        QVERIFY(release(*panel));
    }

    void aPanelStartedLaterIsSeen_data()
    {
        QTest::addColumn<bool>("hostBeforeName");
        QTest::newRow("host registered, then the name taken") << true;
        QTest::newRow("name taken, then the host registered") << false;
    }
    void aPanelStartedLaterIsSeen()
    {
        QFETCH(bool, hostBeforeName);
        platform::TrayHostWatcher watcher(m_bus.connect(QStringLiteral("trundle")), false);
        QVERIFY(!watcher.hostPresent());
        QSignalSpy appeared(&watcher, &platform::TrayHostWatcher::hostAppeared);
        const auto panel = newPanel(hostBeforeName);
        QVERIFY(take(*panel));
        if (!hostBeforeName)
            panel->registerHost();
        QVERIFY(appeared.wait(20000));
        QVERIFY(watcher.statusNotifierHostPresent());
        QVERIFY(release(*panel));
    }

    void aRestartedPanelIsSeenAgain()
    {
        auto panel = newPanel(true);
        QVERIFY(take(*panel));
        platform::TrayHostWatcher watcher(m_bus.connect(QStringLiteral("trundle")), false);
        QVERIFY(watcher.hostPresent());
        QSignalSpy appeared(&watcher, &platform::TrayHostWatcher::hostAppeared);

        // The panel ends: its connection goes, and with it the name.
        panel.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.hostPresent(), 20000);
        QCOMPARE(appeared.size(), 0);
        panel = newPanel(true);
        QVERIFY(take(*panel));
        QVERIFY(appeared.wait(20000));
        QVERIFY(watcher.hostPresent());
        QVERIFY(release(*panel));
    }
};

QTEST_GUILESS_MAIN(TestTrayHostWatcher)
#include "test_trayhostwatcher.moc"
