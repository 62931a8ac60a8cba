// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 backend against a real X server: synthetic key and button releases through XTEST
// (xdotool) and window switches through the window manager. Needs DISPLAY with an EWMH window
// manager (the e2e harness runs Xvfb and icewm); skipped without a display.

#include "eventmonitor.h"
#include "workspace.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <unistd.h>

// X11 last: its macros would break the Qt headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace platform;

namespace {

struct Seen
{
    bool local;
    InputEvent event;
};

const QChar f12Character(0xF70F);

bool displayReachable()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XCloseDisplay(display);
    return true;
}

// The class part of a window's WM_CLASS, read on a connection of the test's own.
QString windowClass(unsigned long window)
{
    Display *display = XOpenDisplay(nullptr);
    XClassHint hint = {nullptr, nullptr};
    QString result;
    if (XGetClassHint(display, window, &hint)) {
        result = QString::fromLocal8Bit(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    XCloseDisplay(display);
    return result;
}

void xdotool(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

} // namespace

class TestX11EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void functionKeyGivesOneKeyUp();
    void modifiersAreFlagsOnly();
    void buttons_data();
    void buttons();
    void ownActiveWindowGoesToLocalMonitor();
    void releasesWhileMenuIsOpenGoToLocalMonitor();
    void switchingBetweenXterms();
    void ownWindowReportsOwnIdentifier();
    void activatingUnknownOrGoneProcess();
    void releasesDuringAHandlerWaitTheirTurn();

private:
    // Runs xdotool with arguments, then releases F12 as a marker and waits for it; returns
    // what the monitors saw before the marker, so "exactly one" needs no waiting for silence.
    QList<Seen> releasesOf(const QStringList &arguments);
    QProcess *startXterm();
    void activateOtherWindow();

    QList<Seen> m_seen;
    std::unique_ptr<EventMonitor> m_global;
    std::unique_ptr<EventMonitor> m_local;
    QList<QProcess *> m_xterms;
};

void TestX11EndToEnd::initTestCase()
{
    if (!displayReachable())
        QSKIP("no X display: run under the e2e harness (Xvfb and a window manager)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xterm")).isEmpty())
        QSKIP("xdotool or xterm is not installed");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));

    m_global.reset(addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [this](const InputEvent &event) {
            m_seen.append({false, event});
        },
        nullptr));
    m_local.reset(addLocalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [this](const InputEvent &event) {
            m_seen.append({true, event});
            return &event;
        },
        nullptr));
    QVERIFY(hotKeysAvailable());
    // Warm-up: the first marker also proves that raw events arrive at all.
    releasesOf({});
}

void TestX11EndToEnd::cleanupTestCase()
{
    for (QProcess *xterm : std::as_const(m_xterms)) {
        xterm->kill();
        xterm->waitForFinished();
        delete xterm;
    }
}

QList<Seen> TestX11EndToEnd::releasesOf(const QStringList &arguments)
{
    m_seen.clear();
    if (!arguments.isEmpty())
        xdotool(arguments);
    xdotool({"key", "F12"});
    auto markerSeen = [this] {
        return !m_seen.isEmpty() && m_seen.last().event.charactersIgnoringModifiers == f12Character;
    };
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(markerSeen(), 10000);
    }();
    if (!markerSeen())
        return {};
    QList<Seen> before = m_seen;
    before.removeLast();
    return before;
}

void TestX11EndToEnd::functionKeyGivesOneKeyUp()
{
    const QList<Seen> seen = releasesOf({"key", "F5"});
    QCOMPARE(seen.size(), 1);
    const InputEvent &event = seen.first().event;
    QCOMPARE(event.type, 11);
    QCOMPARE(event.charactersIgnoringModifiers, QString(QChar(0xF708)));
    QCOMPARE(event.characters, QString(QChar(0xF708)));
    QVERIFY(event.keyCode != 0);
    QCOMPARE(event.modifierFlags, quint64(0));
    QCOMPARE(seen.first().local, false);
}

void TestX11EndToEnd::modifiersAreFlagsOnly()
{
    const QList<Seen> seen = releasesOf(
        {"keydown", "shift", "keydown", "ctrl", "key", "F5", "keyup", "ctrl", "keyup", "shift"});
    // F5 comes up first, with both flags; then the modifiers, which type nothing (xdotool may
    // release a modifier on more than one key code).
    QVERIFY(seen.size() >= 3);
    QCOMPARE(seen.first().event.charactersIgnoringModifiers, QString(QChar(0xF708)));
    QCOMPARE(seen.first().event.modifierFlags, shiftModifierFlag | controlModifierFlag);
    for (qsizetype i = 1; i < seen.size(); ++i)
        QVERIFY(seen.at(i).event.charactersIgnoringModifiers.isEmpty());

    // Released modifiers are no longer reported.
    const QList<Seen> after = releasesOf({"key", "F6"});
    QCOMPARE(after.size(), 1);
    QCOMPARE(after.first().event.modifierFlags, quint64(0));
}

void TestX11EndToEnd::buttons_data()
{
    QTest::addColumn<QString>("xButton");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("buttonNumber");

    QTest::newRow("left") << "1" << 1 << 2 << qint64(0);
    QTest::newRow("right") << "3" << 1 << 4 << qint64(1);
    QTest::newRow("middle") << "2" << 1 << 26 << qint64(2);
    QTest::newRow("wheel up") << "4" << 0 << 0 << qint64(0);
    QTest::newRow("wheel down") << "5" << 0 << 0 << qint64(0);
    QTest::newRow("wheel left") << "6" << 0 << 0 << qint64(0);
    QTest::newRow("wheel right") << "7" << 0 << 0 << qint64(0);
    QTest::newRow("back") << "8" << 1 << 26 << qint64(3);
    QTest::newRow("forward") << "9" << 1 << 26 << qint64(4);
}

void TestX11EndToEnd::buttons()
{
    QFETCH(QString, xButton);
    QFETCH(int, count);
    QFETCH(int, type);
    QFETCH(qint64, buttonNumber);

    // Over the root window, far from any window that a click would activate.
    xdotool({"mousemove", "1200", "900"});
    const QList<Seen> seen = releasesOf({"click", xButton});
    QCOMPARE(seen.size(), count);
    if (count == 0)
        return;
    QCOMPARE(seen.first().event.type, type);
    QCOMPARE(seen.first().event.buttonNumber, buttonNumber);
    QVERIFY(seen.first().event.charactersIgnoringModifiers.isEmpty());
}

void TestX11EndToEnd::ownActiveWindowGoesToLocalMonitor()
{
    QWidget window;
    window.setWindowTitle("Trundle e2e");
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    xdotool({"windowactivate", "--sync", QString::number(window.winId())});
    QTRY_VERIFY(QGuiApplication::focusWindow() != nullptr);

    const QList<Seen> seen = releasesOf({"key", "F7"});
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().local, true);
    QCOMPARE(seen.first().event.charactersIgnoringModifiers, QString(QChar(0xF70A)));

    window.hide();
    activateOtherWindow();
}

void TestX11EndToEnd::releasesWhileMenuIsOpenGoToLocalMonitor()
{
    activateOtherWindow();
    QTRY_VERIFY(QGuiApplication::focusWindow() == nullptr);
    QMenu menu;
    menu.addAction("Run");
    menu.popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    // The menu holds the keyboard and pointer grab; XInput 2.2 raw events still come.
    const QList<Seen> seen = releasesOf({"key", "F8"});
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().local, true);
    QCOMPARE(seen.first().event.charactersIgnoringModifiers, QString(QChar(0xF70B)));
    menu.close();
    QTRY_VERIFY(!menu.isVisible());
}

QProcess *TestX11EndToEnd::startXterm()
{
    auto *xterm = new QProcess;
    xterm->start(QStringLiteral("xterm"), {"-geometry", "40x10", "-e", "sleep", "300"});
    m_xterms.append(xterm);
    if (!xterm->waitForStarted())
        return nullptr;
    return xterm;
}

// Activates an xterm (started on first use), so that Trundle is not active.
void TestX11EndToEnd::activateOtherWindow()
{
    if (m_xterms.isEmpty())
        startXterm();
    const qint64 pid = m_xterms.first()->processId();
    QTRY_VERIFY(Workspace::shared()->activateApplicationWithProcessIdentifier(pid));
    QTRY_COMPARE(
        Workspace::shared()->activeApplication().value_or(RunningApplication()).processIdentifier,
        pid);
}

void TestX11EndToEnd::switchingBetweenXterms()
{
    Workspace *workspace = Workspace::shared();
    QSignalSpy activated(workspace, &Workspace::didActivateApplication);
    QSignalSpy deactivated(workspace, &Workspace::didDeactivateApplication);
    auto lastActivatedPid = [&] {
        return activated.isEmpty()
                   ? qint64(-1)
                   : activated.last().first().value<RunningApplication>().processIdentifier;
    };
    while (m_xterms.size() < 2)
        QVERIFY(startXterm() != nullptr);
    const qint64 first = m_xterms.at(0)->processId();
    const qint64 second = m_xterms.at(1)->processId();

    // Through our own request; true once the window manager manages the window.
    QTRY_VERIFY(workspace->activateApplicationWithProcessIdentifier(second));
    QTRY_COMPARE(lastActivatedPid(), second);
    const auto secondApp = activated.last().first().value<RunningApplication>();
    QCOMPARE(secondApp.bundleIdentifier, QStringLiteral("XTerm"));
    QVERIFY(secondApp.window != 0);
    QTRY_VERIFY(workspace->activateApplicationWithProcessIdentifier(first));
    QTRY_COMPARE(lastActivatedPid(), first);
    QCOMPARE(deactivated.last().first().value<RunningApplication>().processIdentifier, second);

    // Switched by someone else, as a user would.
    activated.clear();
    deactivated.clear();
    xdotool({"windowactivate", "--sync", QString::number(secondApp.window)});
    QTRY_COMPARE(activated.size(), 1);
    const auto app = activated.first().first().value<RunningApplication>();
    QCOMPARE(app.processIdentifier, second);
    QCOMPARE(app.bundleIdentifier, QStringLiteral("XTerm"));
    QCOMPARE(app.window, secondApp.window);
    QCOMPARE(deactivated.size(), 1);
    QCOMPARE(deactivated.first().first().value<RunningApplication>().processIdentifier, first);
    QCOMPARE(workspace->activeApplication()->processIdentifier, second);
}

void TestX11EndToEnd::ownWindowReportsOwnIdentifier()
{
    Workspace *workspace = Workspace::shared();
    activateOtherWindow();
    QSignalSpy activated(workspace, &Workspace::didActivateApplication);
    QWidget window;
    window.setWindowTitle("Trundle e2e");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(workspace->activateApplicationWithProcessIdentifier(getpid()));
    QTRY_VERIFY(!activated.isEmpty());
    const auto app = activated.last().first().value<RunningApplication>();
    QCOMPARE(app.processIdentifier, qint64(getpid()));
    QCOMPARE(app.bundleIdentifier, Workspace::ownBundleIdentifier());
    // What Qt itself writes into our windows' WM_CLASS is the same identifier.
    QCOMPARE(windowClass(window.winId()), Workspace::ownBundleIdentifier());
    window.hide();
}

void TestX11EndToEnd::activatingUnknownOrGoneProcess()
{
    Workspace *workspace = Workspace::shared();
    QVERIFY(!workspace->activateApplicationWithProcessIdentifier(-1));
    QVERIFY(!workspace->activateApplicationWithProcessIdentifier(0x7ffffff0));

    QProcess *xterm = startXterm();
    QVERIFY(xterm != nullptr);
    const qint64 pid = xterm->processId();
    QTRY_VERIFY(workspace->activateApplicationWithProcessIdentifier(pid));
    QTRY_COMPARE(workspace->activeApplication().value_or(RunningApplication()).processIdentifier,
                 pid);
    // Its window vanishes while it is the active one and the one remembered for its pid.
    xterm->kill();
    xterm->waitForFinished();
    QTRY_VERIFY(!workspace->activateApplicationWithProcessIdentifier(pid));
    // Still alive and still delivering.
    QCOMPARE(releasesOf({"key", "F3"}).size(), 1);
}

// A handler that runs a nested event loop (a script run with a progress window, a dialog) gets
// the releases that came meanwhile after it returns, in order, not inside itself.
void TestX11EndToEnd::releasesDuringAHandlerWaitTheirTurn()
{
    QStringList order;
    bool inHandler = false;
    std::unique_ptr<EventMonitor> monitor(addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [&](const InputEvent &event) {
            const QChar key = event.charactersIgnoringModifiers.isEmpty()
                                  ? QChar()
                                  : event.charactersIgnoringModifiers.at(0);
            if (key != QChar(0xF70C) && key != QChar(0xF70D))
                return;
            order.append(inHandler ? "nested" : QString(key == QChar(0xF70C) ? "F9" : "F10"));
            if (key != QChar(0xF70C))
                return;
            inHandler = true;
            xdotool({"key", "F10"});
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
            order.append("F9 done");
            inHandler = false;
        },
        nullptr));
    activateOtherWindow();
    xdotool({"key", "F9"});
    QTRY_COMPARE(order.size(), 3);
    QCOMPARE(order, (QStringList{"F9", "F9 done", "F10"}));
}

int main(int argc, char **argv)
{
    // Without a display the test skips; Qt must still be able to start.
    if (!displayReachable())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: our windows' WM_CLASS class part is the application name.
    QCoreApplication::setApplicationName(QStringLiteral("Trundle"));
    TestX11EndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_x11_e2e.moc"
