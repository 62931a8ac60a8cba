// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts-portal backend against the portal stand-in on a private bus, for what the
// end-to-end runs do not reach: changes that come while a request is out, keys that did not
// change, releases of other sessions and shortcuts, each way the portal can refuse, and the
// triggers the desktop reports, and a portal that stops and starts again.

#include "eventmonitor.h"
#include "fakeinput.h"
#include "fakenotifier.h"
#include "portalinputbackend.h"
#include "resources.h"

#include "portalstandin.h"
#include "privatebus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace platform;

namespace {
constexpr int generous = 30000; // ms: a limit against hangs, not a measurement
}

class TestPortalInputBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void asksOnlyForChangedKeysAndTheLatestOfThem();
    void onlyReleasesOfItsOwnSessionAndKeysRun();
    void refusals_data();
    void refusals();
    void followsTheTriggersTheDesktopReports();
    void asksAPortalThatStartsAnewForTheKeys();

private:
    QStringList callsOf(const PortalStandIn &portal, const QString &method) const;

    PrivateBus m_bus;
};

void TestPortalInputBackend::initTestCase()
{
    installTextTable();
    TRUNDLE_START_PRIVATE_BUS(m_bus);
}

void TestPortalInputBackend::cleanup()
{
    InputBackend::setSharedForTesting(nullptr);
    Notifier::setSharedForTesting(nullptr);
}

QStringList TestPortalInputBackend::callsOf(const PortalStandIn &portal,
                                            const QString &method) const
{
    QStringList calls;
    for (const QString &call : portal.calls()) {
        if (call.startsWith(method + QLatin1Char('\t')))
            calls.append(call.section(QLatin1Char('\t'), 2)); // without the session
    }
    return calls;
}

void TestPortalInputBackend::asksOnlyForChangedKeysAndTheLatestOfThem()
{
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), {});
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")));
    // Mouse buttons (13 and up) and ID 0 cannot be asked for.
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")},
                                    {13, QStringLiteral("Run left.sh")},
                                    {0, QStringLiteral("Run none.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.settled(), generous);
    QVERIFY(backend.deliversReleases());
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")),
             QStringList{QStringLiteral("hotkey-5\tF5\tRun a.sh")});

    // The same keys again (a mouse button was bound, say): nothing to ask for. Then two
    // changes in a row: the second comes while the new session is being made, and only it is
    // bound, once, on that session.
    backend.setFunctionKeyBindings(
        {{5, QStringLiteral("Run a.sh")}, {14, QStringLiteral("Run right.sh")}});
    backend.setFunctionKeyBindings(
        {{5, QStringLiteral("Run a.sh")}, {7, QStringLiteral("Run b.sh")}});
    backend.setFunctionKeyBindings(
        {{5, QStringLiteral("Run a.sh")}, {9, QStringLiteral("Run c.sh")}});
    QTRY_COMPARE_WITH_TIMEOUT(callsOf(portal, QStringLiteral("BindShortcuts")).size(), 2, generous);
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).last(),
             QStringLiteral("hotkey-5\tF5\tRun a.sh\thotkey-9\tF9\tRun c.sh"));
    QCOMPARE(callsOf(portal, QStringLiteral("CreateSession")).size(), 2);
    QCOMPARE(portal.calls().filter(QStringLiteral("Close\t")).size(), 1);
    QCOMPARE(backend.sessionPath(), portal.lastSession());
    QVERIFY(backend.deliversReleases());
    // The portal learnt who asks before the first session.
    QCOMPARE(portal.calls().first(), QStringLiteral("Register\ttrundle"));

    // No keys left: the session that had bound some goes, and the new one binds nothing.
    backend.setFunctionKeyBindings({});
    QTRY_COMPARE_WITH_TIMEOUT(callsOf(portal, QStringLiteral("CreateSession")).size(), 3, generous);
    QTRY_COMPARE_WITH_TIMEOUT(backend.sessionPath(), portal.lastSession(), generous);
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), 2);
}

void TestPortalInputBackend::onlyReleasesOfItsOwnSessionAndKeysRun()
{
    QDBusConnection portalBus = m_bus.connect(QStringLiteral("portal"));
    PortalStandIn portal(portalBus, {});
    QVERIFY(portal.serve());
    FakeInputBackend shared; // the monitors start nothing real
    InputBackend::setSharedForTesting(&shared);
    QList<InputEvent> released;
    EventMonitor *monitor = addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask, [&released](const InputEvent &event) { released.append(event); }, nullptr);

    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")));
    backend.setFunctionKeyBindings(
        {{5, QStringLiteral("Run a.sh")}, {12, QStringLiteral("Run b.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.deliversReleases(), generous);

    // A press, a shortcut nobody asked for, and a release on a session of someone else's,
    // then the releases that count; signals from one sender arrive in order.
    portal.press(QStringLiteral("hotkey-5"));
    portal.release(QStringLiteral("hotkey-13"));
    portal.release(QStringLiteral("screenshot"));
    QDBusMessage foreign = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Deactivated"));
    foreign << QVariant::fromValue(QDBusObjectPath(
                   QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other")))
            << QStringLiteral("hotkey-5") << qulonglong(0) << QVariantMap();
    QVERIFY(portalBus.send(foreign));
    portal.release(QStringLiteral("hotkey-5"));
    portal.release(QStringLiteral("hotkey-12"));
    QTRY_COMPARE_WITH_TIMEOUT(released.size(), 2, generous);
    // The same release as the X server gives for F5 and F12.
    QCOMPARE(released.at(0).type, keyUpType);
    QCOMPARE(released.at(0).charactersIgnoringModifiers,
             functionKeyReleaseForTesting(5).charactersIgnoringModifiers);
    QCOMPARE(released.at(0).keyCode, functionKeyReleaseForTesting(5).keyCode);
    QCOMPARE(released.at(1).charactersIgnoringModifiers,
             QString(QChar(char16_t(firstFunctionKeyCharacter + 11))));
    delete monitor;
}

void TestPortalInputBackend::refusals_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<bool>("registry");
    QTest::addColumn<uint>("sessionResponse");
    QTest::addColumn<uint>("bindResponse");
    QTest::addColumn<int>("obstacle");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no GlobalShortcuts")
        << 0u << true << 0u << 0u << int(HotKeyObstacle::WaylandSession)
        << QStringLiteral("no global-shortcuts portal");
    QTest::newRow("no session") << 1u << true << 2u << 0u << int(HotKeyObstacle::PortalRefused)
                                << QStringLiteral("refused a session: the request was ended "
                                                  "some other way (response 2)");
    QTest::newRow("binding cancelled")
        << 1u << true << 0u << 1u << int(HotKeyObstacle::PortalRefused)
        << QStringLiteral("did not bind the hot keys: the user "
                          "cancelled (response 1)");
    QTest::newRow("no Registry: not in the way")
        << 1u << false << 0u << 0u << int(HotKeyObstacle::None) << QString();
}

void TestPortalInputBackend::refusals()
{
    QFETCH(uint, version);
    QFETCH(bool, registry);
    QFETCH(uint, sessionResponse);
    QFETCH(uint, bindResponse);
    QFETCH(int, obstacle);
    QFETCH(QString, reason);
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")),
                         {version, registry, sessionResponse, bindResponse});
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")));
    QSignalSpy changes(&backend, &InputBackend::statusChanged);
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.settled(), generous);
    QVERIFY(changes.size() >= 1);
    QCOMPARE(int(backend.obstacle()), obstacle);
    QCOMPARE(backend.deliversReleases(), obstacle == int(HotKeyObstacle::None));
    QVERIFY2(backend.obstacleReason().contains(reason), qPrintable(backend.obstacleReason()));
    // What goes wrong at start is start-up's to say (once, for every backend).
    QVERIFY(notifier.messages().isEmpty());
    if (bindResponse == 0)
        return;
    // A binding refused later is said at once: the user may just have cancelled the dialog.
    backend.setFunctionKeyBindings({{6, QStringLiteral("Run b.sh")}});
    QTRY_COMPARE_WITH_TIMEOUT(notifier.messages().size(), 1, generous);
    QVERIFY2(notifier.messages().first().body.contains(QStringLiteral("(response 1)")),
             qPrintable(notifier.messages().first().body));
    // Not asked again by itself; picking the same key again asks again, on a new session.
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), 2);
    backend.setFunctionKeyBindings({{6, QStringLiteral("Run b.sh")}});
    QTRY_COMPARE_WITH_TIMEOUT(callsOf(portal, QStringLiteral("BindShortcuts")).size(), 3, generous);
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).last(),
             QStringLiteral("hotkey-6\tF6\tRun b.sh"));
    QTRY_COMPARE_WITH_TIMEOUT(notifier.messages().size(), 2, generous);
}

void TestPortalInputBackend::followsTheTriggersTheDesktopReports()
{
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), {});
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")));
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.deliversReleases(), generous);
    QCOMPARE(backend.triggers().value(QStringLiteral("hotkey-5")), QStringLiteral("F5"));
    QSignalSpy changes(&backend, &InputBackend::statusChanged);
    portal.changeTrigger(QStringLiteral("hotkey-5"), QStringLiteral("Ctrl+Alt+B"));
    QTRY_COMPARE_WITH_TIMEOUT(backend.triggers().value(QStringLiteral("hotkey-5")),
                              QStringLiteral("Ctrl+Alt+B"), generous);
    QVERIFY(changes.size() >= 1);
}

void TestPortalInputBackend::asksAPortalThatStartsAnewForTheKeys()
{
    auto first = std::make_unique<PortalStandIn>(m_bus.connect(QStringLiteral("portal")),
                                                 PortalStandIn::Options{});
    QVERIFY(first->serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")));
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.deliversReleases(), generous);

    // The portal crashes: its session is gone with it, and the status line says so.
    QSignalSpy status(&backend, &InputBackend::statusChanged);
    first.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!backend.deliversReleases(), generous);
    QCOMPARE(backend.obstacle(), HotKeyObstacle::PortalRefused);
    QVERIFY2(backend.obstacleReason().contains(QStringLiteral("stopped")),
             qPrintable(backend.obstacleReason()));
    QVERIFY(backend.sessionPath().isEmpty());
    QVERIFY(!status.isEmpty());

    // The desktop starts it again: the keys wanted are bound on a new session, without the
    // user touching a binding.
    PortalStandIn second(m_bus.connect(QStringLiteral("portal")), {});
    QVERIFY(second.serve());
    QTRY_VERIFY_WITH_TIMEOUT(backend.deliversReleases(), generous);
    QCOMPARE(callsOf(second, QStringLiteral("BindShortcuts")),
             QStringList{QStringLiteral("hotkey-5\tF5\tRun a.sh")});
    QCOMPARE(backend.sessionPath(), second.lastSession());
    QCOMPARE(backend.obstacle(), HotKeyObstacle::None);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestPortalInputBackend test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_portalinputbackend.moc"
