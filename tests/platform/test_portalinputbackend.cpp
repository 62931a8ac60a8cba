// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts-portal backend against the portal stand-in on a private bus, for what the
// end-to-end runs do not reach: changes that come while a request is out, keys that did not
// change, releases of other sessions and shortcuts, how each desktop answers (one row each),
// changes and restarts that must not ask the user again, the triggers the desktop reports, and
// a portal that stops and starts again.

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

Q_DECLARE_METATYPE(PortalStandIn::Options)

namespace {
constexpr int generous = 30000; // ms: a limit against hangs, not a measurement
const QString appId = QStringLiteral("org.example.trundle.Trundle");

using Desktop = PortalStandIn::Desktop;

PortalStandIn::Options desktop(Desktop which)
{
    PortalStandIn::Options options;
    options.desktop = which;
    return options;
}

// "F5" for an armed key with that trigger, else the reason it is not armed.
QString standing(const HotKeyStatuses &statuses, int number)
{
    const HotKeyStatus status = statuses.value(number);
    if (status.state == HotKeyStatus::State::Armed)
        return status.source == HotKeySource::Portal ? status.trigger : QStringLiteral("armed?");
    return status.state == HotKeyStatus::State::Asking ? QStringLiteral("asking") : status.reason;
}
} // namespace

class TestPortalInputBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void asksOnlyForChangedKeysAndTheLatestOfThem();
    void onlyReleasesOfItsOwnSessionAndKeysRun();
    void desktops_data();
    void desktops();
    void aRefusalLaterIsSaidAtOnce();
    void changesAndRestartsKeepOneSetOfKeys();
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
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), appId);
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
    // The portal learnt who asks before anything else.
    QCOMPARE(portal.calls().first(), QStringLiteral("Register\t") + appId);

    // No keys left: the session that had bound some goes, and the new one binds nothing (with
    // an empty option of the same type).
    backend.setFunctionKeyBindings({});
    QTRY_COMPARE_WITH_TIMEOUT(callsOf(portal, QStringLiteral("CreateSession")).size(), 3, generous);
    QTRY_COMPARE_WITH_TIMEOUT(backend.sessionPath(), portal.lastSession(), generous);
    QCOMPARE(callsOf(portal, QStringLiteral("CreateSession")).constLast(),
             QStringLiteral("a(sa{sv})"));
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), 2);
    QVERIFY(backend.keyStatuses().isEmpty());
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

    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), appId);
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

void TestPortalInputBackend::desktops_data()
{
    QTest::addColumn<PortalStandIn::Options>("options");
    QTest::addColumn<QString>("id"); // the application id Trundle has
    QTest::addColumn<int>("binds");  // BindShortcuts calls
    QTest::addColumn<QString>("f5"); // standing() of F5 and of F6
    QTest::addColumn<QString>("f6");
    QTest::addColumn<int>("obstacle");

    const int none = int(HotKeyObstacle::None);
    const int refused = int(HotKeyObstacle::PortalRefused);
    PortalStandIn::Options options = desktop(Desktop::Kde64);
    options.refusedIds = QStringList{QStringLiteral("hotkey-6")};
    QTest::newRow("KDE 6.4: a partial refusal answers 0 with fewer keys")
        << options << appId << 1 << "F5"
        << "the desktop did not bind it" << none;
    QTest::newRow("GNOME 48: string session handle, dialog accepted")
        << desktop(Desktop::Gnome48) << appId << 1 << "F5"
        << "F6" << none;
    options = desktop(Desktop::Gnome48);
    options.cancelDialog = true;
    QTest::newRow("GNOME 48: dialog cancelled answers 2")
        << options << appId << 1 << "the user declined"
        << "the user declined" << refused;
    options = desktop(Desktop::Gnome48);
    options.registry = false;
    QTest::newRow("GNOME 48: without an application id")
        << options << QString() << 1 << "(response 2); Trundle has no application id"
        << "(response 2); Trundle has no application id" << refused;
    // The keys may work from the compositor's configuration: no notice, each key's line says
    // what to add.
    QTest::newRow("Hyprland: every key answered without a trigger")
        << desktop(Desktop::Hyprland) << appId << 1
        << "add `bind = , F5, global, org.example.trundle.Trundle:hotkey-5`"
        << "add `bind = , F6, global, org.example.trundle.Trundle:hotkey-6`" << none;
    options = desktop(Desktop::Kde64);
    options.appIdRequired = true;
    options.registry = false;
    QTest::newRow("frontend 1.21: no session without an application id")
        << options << QString() << 0 << "NotAllowed: An app id is required"
        << "NotAllowed: An app id is required" << refused;
    options = desktop(Desktop::Gnome48);
    options.desktopFileInstalled = false;
    QTest::newRow("frontend 1.20: Register refused, so GNOME has no id")
        << options << appId << 1
        << "(response 2); the desktop did not take the application id "
           "org.example.trundle.Trundle (App info not found"
        << "(response 2); the desktop did not take" << refused;
    options = desktop(Desktop::Kde64);
    options.registry = false;
    QTest::newRow("frontend 1.16: no Registry, not in the way") << options << appId << 1 << "F5"
                                                                << "F6" << none;
    options = desktop(Desktop::Kde64);
    options.sessionResponse = 2;
    QTest::newRow("session refused") << options << appId << 0 << "refused a session"
                                     << "refused a session" << refused;
}

void TestPortalInputBackend::desktops()
{
    QFETCH(PortalStandIn::Options, options);
    QFETCH(QString, id);
    QFETCH(int, binds);
    QFETCH(QString, f5);
    QFETCH(QString, f6);
    QFETCH(int, obstacle);
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), options);
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), id);
    QSignalSpy changes(&backend, &InputBackend::statusChanged);
    backend.setFunctionKeyBindings(
        {{5, QStringLiteral("Run a.sh")}, {6, QStringLiteral("Run b.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.settled(), generous);
    QVERIFY(!changes.isEmpty());
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), binds);
    const HotKeyStatuses statuses = backend.keyStatuses();
    QCOMPARE(statuses.keys(), (QList<int>{5, 6}));
    QVERIFY2(standing(statuses, 5).contains(f5), qPrintable(standing(statuses, 5)));
    QVERIFY2(standing(statuses, 6).contains(f6), qPrintable(standing(statuses, 6)));
    QCOMPARE(int(backend.obstacle()), obstacle);
    QCOMPARE(backend.deliversReleases(), obstacle == int(HotKeyObstacle::None));
    // The reason of a key that does not work is the backend's when none does.
    if (obstacle != int(HotKeyObstacle::None))
        QVERIFY2(backend.obstacleReason().contains(f5), qPrintable(backend.obstacleReason()));
    // What goes wrong at start is start-up's to say (once, for every backend).
    QVERIFY(notifier.messages().isEmpty());
}

void TestPortalInputBackend::aRefusalLaterIsSaidAtOnce()
{
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);
    PortalStandIn::Options options;
    options.cancelDialog = true;
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), options);
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), appId);
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.settled(), generous);
    QVERIFY(!backend.deliversReleases());
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

// GNOME answers 2 to a second binding on one session: a change takes a new session. (The same
// on KDE is the portal end-to-end run's.)
void TestPortalInputBackend::changesAndRestartsKeepOneSetOfKeys()
{
    const QList<int> binds{1, 2, 2}; // BindShortcuts calls after start, change, restart
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), desktop(Desktop::Gnome48));
    QVERIFY(portal.serve());
    const auto armed = [](const PortalInputBackend &backend, int number) {
        return backend.settled() && !backend.keyStatuses().isEmpty() &&
               standing(backend.keyStatuses(), number) == QStringLiteral("F%1").arg(number);
    };
    {
        auto first =
            std::make_unique<PortalInputBackend>(m_bus.connect(QStringLiteral("trundle")), appId);
        first->setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
        QTRY_VERIFY_WITH_TIMEOUT(armed(*first, 5), generous);
        QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), binds.at(0));
        // F5 moves to F6 while running.
        first->setFunctionKeyBindings({{6, QStringLiteral("Run a.sh")}});
        QTRY_VERIFY_WITH_TIMEOUT(armed(*first, 6), generous);
        QCOMPARE(first->keyStatuses().keys(), QList<int>{6});
        QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), binds.at(1));
    }
    // Started again with the same binding, on a new connection: nothing new to ask the user.
    PortalInputBackend second(m_bus.connect(QStringLiteral("trundle")), appId);
    second.setFunctionKeyBindings({{6, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(armed(second, 6), generous);
    QCOMPARE(callsOf(portal, QStringLiteral("BindShortcuts")).size(), binds.at(2));
    // One set of keys for the application, whatever session asked.
    QCOMPARE(portal.kept().size(), 1);
}

void TestPortalInputBackend::followsTheTriggersTheDesktopReports()
{
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);
    PortalStandIn portal(m_bus.connect(QStringLiteral("portal")), {});
    QVERIFY(portal.serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), appId);
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QTRY_VERIFY_WITH_TIMEOUT(backend.deliversReleases(), generous);
    QCOMPARE(backend.triggers().value(QStringLiteral("hotkey-5")), QStringLiteral("F5"));
    QSignalSpy changes(&backend, &InputBackend::statusChanged);
    portal.changeTrigger(QStringLiteral("hotkey-5"), QStringLiteral("Ctrl+Alt+B"));
    QTRY_COMPARE_WITH_TIMEOUT(standing(backend.keyStatuses(), 5), QStringLiteral("Ctrl+Alt+B"),
                              generous);
    QVERIFY(changes.size() >= 1);
    // Taken away in the desktop's settings: the key does not work any more, and says so.
    portal.changeTrigger(QStringLiteral("hotkey-5"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(backend.keyStatuses().value(5).state == HotKeyStatus::State::NotArmed,
                             generous);
    QVERIFY2(standing(backend.keyStatuses(), 5).contains(QStringLiteral("names no key")),
             qPrintable(standing(backend.keyStatuses(), 5)));
}

void TestPortalInputBackend::asksAPortalThatStartsAnewForTheKeys()
{
    auto first = std::make_unique<PortalStandIn>(m_bus.connect(QStringLiteral("portal")),
                                                 PortalStandIn::Options{});
    QVERIFY(first->serve());
    PortalInputBackend backend(m_bus.connect(QStringLiteral("trundle")), appId);
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
