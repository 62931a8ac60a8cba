// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace without an X server, the shared instance for tests, and the fake that the rest
// of the program's tests use.

#include "eventmonitor.h"
#include "fakeworkspace.h"
#include "testsupport.h"
#include "workspace.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace platform;

namespace {

RunningApplication app(qint64 pid, const QString &identifier, quint64 window)
{
    RunningApplication a;
    a.processIdentifier = pid;
    a.bundleIdentifier = identifier;
    a.window = window;
    return a;
}

} // namespace

class TestWorkspace : public QObject
{
    Q_OBJECT

private slots:
    void withoutXEverythingIsQuietAndSaidOnce();
    void sharedCanBeReplacedForTesting();
    void sameApplication_data();
    void sameApplication();
    void fakeActivationSequence();
    void fakeRecordsActivationRequests();
};

// Must run first: the backend is chosen once per application object.
void TestWorkspace::withoutXEverythingIsQuietAndSaidOnce()
{
    StandardErrorCapture capture;
    std::unique_ptr<EventMonitor> global(addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask, [](const InputEvent &) {}, nullptr));
    std::unique_ptr<EventMonitor> local(addLocalMonitorForEventsMatchingMask(
        hotKeyEventMask, [](const InputEvent &e) { return &e; }, nullptr));
    Workspace *workspace = Workspace::shared();
    QVERIFY(workspace != nullptr);
    QCOMPARE(Workspace::shared(), workspace);
    QVERIFY(!hotKeysAvailable());
    QVERIFY(!workspace->activeApplication().has_value());
    QVERIFY(!workspace->activateApplicationWithProcessIdentifier(getpid()));
    QVERIFY(!workspace->activateApplicationWithProcessIdentifier(-1));

    const QString log = capture.text();
    QCOMPARE(log.count(QStringLiteral("Global hot keys are unavailable")), 1);
    QVERIFY2(log.contains(QStringLiteral("\"offscreen\"")), qPrintable(log));
}

void TestWorkspace::sharedCanBeReplacedForTesting()
{
    Workspace *real = Workspace::shared();
    {
        FakeWorkspace fake;
        Workspace::setSharedForTesting(&fake);
        QCOMPARE(Workspace::shared(), &fake);
        Workspace::setSharedForTesting(nullptr);
        QCOMPARE(Workspace::shared(), real);
        Workspace::setSharedForTesting(&fake);
    }
    // A fake that goes away stops being the shared workspace.
    QCOMPARE(Workspace::shared(), real);
}

void TestWorkspace::sameApplication_data()
{
    QTest::addColumn<RunningApplication>("a");
    QTest::addColumn<RunningApplication>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("same pid, other window")
        << app(10, "XTerm", 0x100) << app(10, "XTerm", 0x200) << true;
    QTest::newRow("same pid, other class") << app(10, "A", 0x100) << app(10, "B", 0x200) << true;
    QTest::newRow("other pid, same class")
        << app(10, "XTerm", 0x100) << app(11, "XTerm", 0x200) << false;
    QTest::newRow("unknown pids, same window") << app(-1, "", 0x100) << app(-1, "", 0x100) << true;
    QTest::newRow("unknown pids, other windows")
        << app(-1, "X", 0x100) << app(-1, "X", 0x200) << false;
    QTest::newRow("one pid unknown") << app(-1, "X", 0x100) << app(10, "X", 0x100) << false;
}

void TestWorkspace::sameApplication()
{
    QFETCH(RunningApplication, a);
    QFETCH(RunningApplication, b);
    QFETCH(bool, same);
    QCOMPARE(a.isSameApplication(b), same);
    QCOMPARE(b.isSameApplication(a), same);
}

void TestWorkspace::fakeActivationSequence()
{
    FakeWorkspace fake;
    QSignalSpy activated(&fake, &Workspace::didActivateApplication);
    QSignalSpy deactivated(&fake, &Workspace::didDeactivateApplication);
    QSignalSpy resigned(&fake, &Workspace::sessionDidResignActive);

    fake.simulateActivation(app(10, "XTerm", 0x100));
    QCOMPARE(activated.size(), 1);
    QCOMPARE(deactivated.size(), 0);
    QCOMPARE(activated.last().first().value<RunningApplication>().processIdentifier, 10);

    // Another window of the same application is no change.
    fake.simulateActivation(app(10, "XTerm", 0x200));
    QCOMPARE(activated.size(), 1);
    QCOMPARE(fake.activeApplication()->window, quint64(0x200));

    fake.simulateActivation(app(20, "Firefox", 0x300));
    QCOMPARE(activated.size(), 2);
    QCOMPARE(deactivated.size(), 1);
    QCOMPARE(deactivated.last().first().value<RunningApplication>().processIdentifier, 10);
    QCOMPARE(activated.last().first().value<RunningApplication>().bundleIdentifier, "Firefox");
    QCOMPARE(fake.activeApplication()->processIdentifier, 20);

    fake.simulateSessionResignActive();
    QCOMPARE(resigned.size(), 1);
}

void TestWorkspace::fakeRecordsActivationRequests()
{
    FakeWorkspace fake;
    QSignalSpy activated(&fake, &Workspace::didActivateApplication);
    fake.addRunningApplication(app(10, "XTerm", 0x100));
    QVERIFY(fake.activateApplicationWithProcessIdentifier(10));
    QVERIFY(!fake.activateApplicationWithProcessIdentifier(99));
    QCOMPARE(fake.activationRequests(), (QList<qint64>{10, 99}));
    QCOMPARE(activated.size(), 0);
    fake.clearActivationRequests();
    QVERIFY(fake.activationRequests().isEmpty());
}

QTEST_MAIN(TestWorkspace)
#include "test_workspace.moc"
