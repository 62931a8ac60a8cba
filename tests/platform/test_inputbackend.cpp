// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the input backend from the session, and what the user is told when no backend
// can deliver hot keys: the text, and the notification sent once.

#include "eventmonitor.h"
#include "fakeinput.h"
#include "fakenotifier.h"
#include "hotkeynotice.h"
#include "inputbackend.h"
#include "resources.h"
#include "sessiontype.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

using namespace platform;

Q_DECLARE_METATYPE(platform::SessionType)
Q_DECLARE_METATYPE(platform::InputBackendKind)
Q_DECLARE_METATYPE(platform::HotKeyObstacle)
Q_DECLARE_METATYPE(platform::HotKeySource)
Q_DECLARE_METATYPE(platform::HotKeyStatus)

class TestInputBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void choice_data();
    void choice();
    void choiceWhenReadingInputDevices_data();
    void choiceWhenReadingInputDevices();
    void fakeBackendDecidesWhetherHotKeysWork();
    void noticeIsSentOnceAndOnlyWhenHotKeysDoNotWork();
    void noticeNamesWhatIsMissing_data();
    void noticeNamesWhatIsMissing();
    void statusLineSaysThroughWhat_data();
    void statusLineSaysThroughWhat();
    void noticeWaitsUntilTheBackendKnows();
    void eachBoundKeySaysHowItStands_data();
    void eachBoundKeySaysHowItStands();
};

void TestInputBackend::initTestCase()
{
    installTextTable();
}

void TestInputBackend::cleanup()
{
    InputBackend::setSharedForTesting(nullptr);
    Notifier::setSharedForTesting(nullptr);
    resetHotKeyNoticeForTesting();
}

void TestInputBackend::choice_data()
{
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("xdgSessionType");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("qtPlatform");
    QTest::addColumn<bool>("x11Built");
    QTest::addColumn<SessionType>("session");
    QTest::addColumn<InputBackendKind>("kind");
    QTest::addColumn<HotKeyObstacle>("obstacle");

    const QString none;
    const QString xcb = QStringLiteral("xcb");
    const QString wayland0 = QStringLiteral("wayland-0");
    QTest::newRow("X11 session, Qt on xcb")
        << none << QStringLiteral("x11") << ":0" << xcb << true << SessionType::X11
        << InputBackendKind::X11 << HotKeyObstacle::None;
    QTest::newRow("DISPLAY only (startx, no session type)")
        << none << none << ":0" << xcb << true << SessionType::X11 << InputBackendKind::X11
        << HotKeyObstacle::None;
    QTest::newRow("tty session type with an X server of its own")
        << none << QStringLiteral("tty") << ":1" << xcb << true << SessionType::X11
        << InputBackendKind::X11 << HotKeyObstacle::None;
    QTest::newRow("no GUI application yet: the connection decides later")
        << none << none << ":0" << none << true << SessionType::X11 << InputBackendKind::X11
        << HotKeyObstacle::None;
    // XWayland sets DISPLAY and Qt runs on xcb: raw events would see X11 windows only. Whether
    // the portal is there is the portal backend's to find out.
    QTest::newRow("Wayland through XWayland")
        << wayland0 << QStringLiteral("wayland") << ":0" << xcb << true << SessionType::Wayland
        << InputBackendKind::Portal << HotKeyObstacle::None;
    QTest::newRow("WAYLAND_DISPLAY alone")
        << wayland0 << none << ":0" << xcb << true << SessionType::Wayland
        << InputBackendKind::Portal << HotKeyObstacle::None;
    QTest::newRow("XDG_SESSION_TYPE alone, any case")
        << none << QStringLiteral("Wayland") << ":0" << xcb << true << SessionType::Wayland
        << InputBackendKind::Portal << HotKeyObstacle::None;
    QTest::newRow("Wayland with Qt on wayland")
        << wayland0 << QStringLiteral("wayland") << none << QStringLiteral("wayland") << true
        << SessionType::Wayland << InputBackendKind::Portal << HotKeyObstacle::None;
    QTest::newRow("X11 session, Qt offscreen")
        << none << QStringLiteral("x11") << ":0" << QStringLiteral("offscreen") << true
        << SessionType::X11 << InputBackendKind::Null << HotKeyObstacle::QtNotOnX11;
    QTest::newRow("no display, Qt offscreen")
        << none << none << none << QStringLiteral("offscreen") << true << SessionType::None
        << InputBackendKind::Null << HotKeyObstacle::QtNotOnX11;
    QTest::newRow("no display at all") << none << none << none << none << true << SessionType::None
                                       << InputBackendKind::Null << HotKeyObstacle::NoDisplay;
    QTest::newRow("X11 session, built without X11")
        << none << QStringLiteral("x11") << ":0" << xcb << false << SessionType::X11
        << InputBackendKind::Null << HotKeyObstacle::NoX11Support;
}

void TestInputBackend::choice()
{
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, xdgSessionType);
    QFETCH(QString, display);
    QFETCH(QString, qtPlatform);
    QFETCH(bool, x11Built);
    QFETCH(SessionType, session);
    QFETCH(InputBackendKind, kind);
    QFETCH(HotKeyObstacle, obstacle);

    const SessionEnvironment environment{waylandDisplay, xdgSessionType, display, qtPlatform,
                                         x11Built};
    QCOMPARE(sessionType(environment), session);
    const InputBackendChoice choice = chooseInputBackend(environment);
    QCOMPARE(choice.kind, kind);
    QCOMPARE(choice.obstacle, obstacle);
    // A null backend always says why; the others have nothing to explain.
    QCOMPARE(choice.reason.isEmpty(), kind != InputBackendKind::Null);
    if (obstacle == HotKeyObstacle::QtNotOnX11)
        QVERIFY2(choice.reason.contains(qtPlatform), qPrintable(choice.reason));
}

void TestInputBackend::choiceWhenReadingInputDevices_data()
{
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("xdgSessionType");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("qtPlatform");
    QTest::addColumn<bool>("x11Built");
    QTest::addColumn<InputBackendKind>("kind");
    QTest::addColumn<HotKeyObstacle>("obstacle");

    const QString none;
    const QString xcb = QStringLiteral("xcb");
    const QString wayland0 = QStringLiteral("wayland-0");
    QTest::newRow("X11 session: devices instead of XInput")
        << none << QStringLiteral("x11") << ":0" << xcb << true << InputBackendKind::InputDevices
        << HotKeyObstacle::None;
    QTest::newRow("X11 session, built without X11")
        << none << QStringLiteral("x11") << ":0" << xcb << false << InputBackendKind::InputDevices
        << HotKeyObstacle::None;
    QTest::newRow("Wayland through XWayland")
        << wayland0 << QStringLiteral("wayland") << ":0" << xcb << true
        << InputBackendKind::InputDevices << HotKeyObstacle::None;
    QTest::newRow("Wayland with Qt on wayland")
        << wayland0 << QStringLiteral("wayland") << none << QStringLiteral("wayland") << true
        << InputBackendKind::InputDevices << HotKeyObstacle::None;
    QTest::newRow("XDG_SESSION_TYPE alone")
        << none << QStringLiteral("wayland") << none << none << true
        << InputBackendKind::InputDevices << HotKeyObstacle::None;
    QTest::newRow("no display at all: nothing to send releases to")
        << none << none << none << none << true << InputBackendKind::Null
        << HotKeyObstacle::NoDisplay;
}

void TestInputBackend::choiceWhenReadingInputDevices()
{
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, xdgSessionType);
    QFETCH(QString, display);
    QFETCH(QString, qtPlatform);
    QFETCH(bool, x11Built);
    QFETCH(InputBackendKind, kind);
    QFETCH(HotKeyObstacle, obstacle);

    const SessionEnvironment environment{waylandDisplay, xdgSessionType, display,
                                         qtPlatform,     x11Built,       true};
    const InputBackendChoice choice = chooseInputBackend(environment);
    QCOMPARE(choice.kind, kind);
    QCOMPARE(choice.obstacle, obstacle);
    QCOMPARE(choice.reason.isEmpty(), kind != InputBackendKind::Null);
    QVERIFY2(!choice.reason.contains(QStringLiteral("reader is off")), qPrintable(choice.reason));

    // The preference reaches the choice through the process's environment.
    SessionEnvironment::setReadInputDevices(true);
    QVERIFY(SessionEnvironment::current().readInputDevices);
    SessionEnvironment::setReadInputDevices(false);
    QVERIFY(!SessionEnvironment::current().readInputDevices);
}

void TestInputBackend::fakeBackendDecidesWhetherHotKeysWork()
{
    FakeInputBackend working;
    InputBackend::setSharedForTesting(&working);
    QCOMPARE(InputBackend::shared(), &working);
    QVERIFY(hotKeysAvailable());
    QVERIFY(hotKeysUnavailableText().isEmpty());
    {
        FakeInputBackend wayland(HotKeyObstacle::WaylandSession, QStringLiteral("no portal"));
        InputBackend::setSharedForTesting(&wayland);
        QVERIFY(!hotKeysAvailable());
    }
    // Gone, it no longer stands in: the real backend (offscreen here: null) answers again.
    QVERIFY(InputBackend::shared() != nullptr);
    QCOMPARE(InputBackend::shared()->name(), QStringLiteral("null"));
    QCOMPARE(InputBackend::shared()->obstacle(), HotKeyObstacle::QtNotOnX11);
}

void TestInputBackend::noticeIsSentOnceAndOnlyWhenHotKeysDoNotWork()
{
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);

    FakeInputBackend working;
    InputBackend::setSharedForTesting(&working);
    QVERIFY(!announceHotKeysUnavailableOnce());
    QVERIFY(notifier.messages().isEmpty());

    FakeInputBackend wayland(HotKeyObstacle::WaylandSession, QStringLiteral("no portal"));
    InputBackend::setSharedForTesting(&wayland);
    QVERIFY(announceHotKeysUnavailableOnce());
    QVERIFY(!announceHotKeysUnavailableOnce());
    QVERIFY(!announceHotKeysUnavailableOnce());
    QCOMPARE(notifier.messages().size(), 1);
    QCOMPARE(notifier.messages().first().title,
             localizedString(QStringLiteral("HotKeysUnavailableTitle")));
    QCOMPARE(notifier.messages().first().body, hotKeysUnavailableText());
    QVERIFY(notifier.messages().first().title != QStringLiteral("HotKeysUnavailableTitle"));
}

void TestInputBackend::noticeNamesWhatIsMissing_data()
{
    QTest::addColumn<HotKeyObstacle>("obstacle");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("Wayland") << HotKeyObstacle::WaylandSession << QStringLiteral("whatever")
                             << QStringList{QStringLiteral("Wayland session"),
                                            QStringLiteral("no global-shortcuts portal"),
                                            QStringLiteral("reading keyboards and mice directly "
                                                           "is off")};
    QTest::newRow("X server refuses raw events")
        << HotKeyObstacle::X11Unavailable << QStringLiteral("the X server has no XInput 2.2")
        << QStringList{QStringLiteral("Hot keys do not work"),
                       QStringLiteral("(the X server has no XInput 2.2)")};
    QTest::newRow("Qt elsewhere") << HotKeyObstacle::QtNotOnX11
                                  << QStringLiteral("Qt runs on the \"eglfs\" platform")
                                  << QStringList{QStringLiteral("\"eglfs\"")};
}

void TestInputBackend::noticeNamesWhatIsMissing()
{
    QFETCH(HotKeyObstacle, obstacle);
    QFETCH(QString, reason);
    QFETCH(QStringList, mentions);
    FakeInputBackend backend(obstacle, reason);
    InputBackend::setSharedForTesting(&backend);
    const QString text = hotKeysUnavailableText();
    for (const QString &mention : mentions)
        QVERIFY2(text.contains(mention), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("%1")), qPrintable(text));
}

void TestInputBackend::statusLineSaysThroughWhat_data()
{
    QTest::addColumn<HotKeySource>("source");
    QTest::addColumn<bool>("settled");
    QTest::addColumn<HotKeyObstacle>("obstacle");
    QTest::addColumn<QString>("textKey");
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("X11") << HotKeySource::X11 << true << HotKeyObstacle::None
                         << QStringLiteral("HotKeysThroughX11") << QStringList{"X server"};
    QTest::newRow("portal: mouse buttons need the reader")
        << HotKeySource::Portal << true << HotKeyObstacle::None
        << QStringLiteral("HotKeysThroughPortal")
        << QStringList{"shortcuts portal", "Mouse buttons", "Read keyboards and mice directly"};
    QTest::newRow("input devices")
        << HotKeySource::InputDevices << true << HotKeyObstacle::None
        << QStringLiteral("HotKeysThroughInputDevices") << QStringList{"/dev/input"};
    QTest::newRow("portal not answered yet")
        << HotKeySource::Portal << false << HotKeyObstacle::None
        << QStringLiteral("HotKeysPortalStarting") << QStringList{"Asking"};
    QTest::newRow("portal refused, with its reason")
        << HotKeySource::Portal << true << HotKeyObstacle::PortalRefused
        << QStringLiteral("HotKeysPortalRefused") << QStringList{"the reason"};
    QTest::newRow("no portal in a Wayland session")
        << HotKeySource::Portal << true << HotKeyObstacle::WaylandSession
        << QStringLiteral("HotKeysUnavailableWayland") << QStringList{"no global-shortcuts portal"};
}

void TestInputBackend::statusLineSaysThroughWhat()
{
    QFETCH(HotKeySource, source);
    QFETCH(bool, settled);
    QFETCH(HotKeyObstacle, obstacle);
    QFETCH(QString, textKey);
    QFETCH(QStringList, mentions);
    FakeInputBackend backend(obstacle, QStringLiteral("the reason"));
    backend.setSource(source);
    backend.setSettled(settled);
    InputBackend::setSharedForTesting(&backend);
    const QString text = hotKeyStatusText();
    QCOMPARE(text,
             localizedString(textKey).replace(QStringLiteral("%1"), QStringLiteral("the reason")));
    QVERIFY2(text != textKey, qPrintable(text)); // the text table has it
    for (const QString &mention : mentions)
        QVERIFY2(text.contains(mention), qPrintable(text));
    // The notice is only for hot keys that do not work, and not before the backend knows.
    QCOMPARE(hotKeysUnavailableText().isEmpty(), !settled || obstacle == HotKeyObstacle::None);
}

void TestInputBackend::eachBoundKeySaysHowItStands_data()
{
    QTest::addColumn<HotKeySource>("source");
    QTest::addColumn<bool>("settled");
    QTest::addColumn<HotKeyObstacle>("obstacle");
    QTest::addColumn<QList<HotKeyStatus>>("reported"); // what the backend says of F5, if it does
    QTest::addColumn<QString>("line");
    using State = HotKeyStatus::State;
    QTest::newRow("X11: as the backend stands")
        << HotKeySource::X11 << true << HotKeyObstacle::None << QList<HotKeyStatus>{}
        << QStringLiteral("F5 works: Trundle reads it from the X server.");
    QTest::newRow("input devices: as the backend stands")
        << HotKeySource::InputDevices << true << HotKeyObstacle::None << QList<HotKeyStatus>{}
        << QStringLiteral("F5 works: Trundle reads it from the keyboards in /dev/input.");
    QTest::newRow("no X server: the backend's reason")
        << HotKeySource::X11 << true << HotKeyObstacle::X11Unavailable << QList<HotKeyStatus>{}
        << QStringLiteral("F5 does not work: the reason.");
    QTest::newRow("backend still asking")
        << HotKeySource::Portal << false << HotKeyObstacle::None << QList<HotKeyStatus>{}
        << QStringLiteral("F5: asking the desktop…");
    QTest::newRow("portal: with the desktop's trigger")
        << HotKeySource::Portal << true << HotKeyObstacle::None
        << QList<HotKeyStatus>{{State::Armed, HotKeySource::Portal, "Ctrl+Alt+B", {}}}
        << QStringLiteral("F5 works through the desktop's shortcuts portal, which triggers it "
                          "with Ctrl+Alt+B.");
    QTest::newRow("portal: one key refused while others work")
        << HotKeySource::Portal << true << HotKeyObstacle::None
        << QList<HotKeyStatus>{{State::NotArmed,
                                HotKeySource::None,
                                {},
                                "the desktop did not bind it"}}
        << QStringLiteral("F5 does not work: the desktop did not bind it.");
}

void TestInputBackend::eachBoundKeySaysHowItStands()
{
    QFETCH(HotKeySource, source);
    QFETCH(bool, settled);
    QFETCH(HotKeyObstacle, obstacle);
    QFETCH(QList<HotKeyStatus>, reported);
    QFETCH(QString, line);
    FakeInputBackend backend(obstacle, QStringLiteral("the reason"));
    backend.setSource(source);
    backend.setSettled(settled);
    // A change of the keys is a change of their statuses; the same keys again are none.
    QSignalSpy changes(&backend, &InputBackend::statusChanged);
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    backend.setFunctionKeyBindings({{5, QStringLiteral("Run a.sh")}});
    QCOMPARE(changes.size(), 1);
    if (!reported.isEmpty())
        backend.setKeyStatuses({{5, reported.first()}});
    InputBackend::setSharedForTesting(&backend);
    QCOMPARE(keyStatusText(5), line);
    QVERIFY(keyStatusText(6).isEmpty()); // not bound
    // The status line tells the backend's standing, then each key's.
    const QStringList lines = hotKeyStatusText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.last(), line);
}

void TestInputBackend::noticeWaitsUntilTheBackendKnows()
{
    FakeNotifier notifier;
    Notifier::setSharedForTesting(&notifier);
    {
        FakeInputBackend portal;
        portal.setSettled(false);
        InputBackend::setSharedForTesting(&portal);
        announceHotKeysUnavailableWhenKnown();
        QVERIFY(notifier.messages().isEmpty());
        // Still finding out: a change that settles nothing says nothing either.
        portal.setObstacle(HotKeyObstacle::PortalRefused, QStringLiteral("no session"));
        QVERIFY(notifier.messages().isEmpty());
        portal.setSettled(true);
        QCOMPARE(notifier.messages().size(), 1);
        QVERIFY2(notifier.messages().first().body.contains(QStringLiteral("no session")),
                 qPrintable(notifier.messages().first().body));
        // Said once, however the status changes afterwards.
        portal.setObstacle(HotKeyObstacle::WaylandSession, QStringLiteral("gone"));
        QCOMPARE(notifier.messages().size(), 1);
    }
    resetHotKeyNoticeForTesting();
    FakeInputBackend working;
    working.setSettled(false);
    InputBackend::setSharedForTesting(&working);
    announceHotKeysUnavailableWhenKnown();
    working.setSettled(true);
    QVERIFY(notifier.messages().size() == 1); // only the earlier one
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestInputBackend test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_inputbackend.moc"
