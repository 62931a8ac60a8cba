// SPDX-License-Identifier: GPL-3.0-or-later
// Delivery of releases to the installed monitors, and the decision between global and local.

#include "eventmonitor.h"
#include "eventrouting.h"
#include "fakeinput.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace platform;

namespace {

struct Received
{
    QString monitor;
    int type;
    const InputEvent *address;
};

} // namespace

class TestEventMonitor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void routing_data();
    void routing();
    void maskFilters_data();
    void maskFilters();
    void localChain_data();
    void localChain();
    void monitorDeletedWhileDelivering();
    void monitorAddedWhileDelivering();
    void deletingTheParentRemovesTheMonitor();
    void ownApplicationDecision_data();
    void ownApplicationDecision();
    void openMenuMakesReleasesLocal();

private:
    QList<Received> m_received;
    std::vector<std::unique_ptr<EventMonitor>> m_monitors;

    void addGlobal(const QString &name, quint64 mask = hotKeyEventMask);
    void addLocal(const QString &name, quint64 mask = hotKeyEventMask);
};

void TestEventMonitor::cleanup()
{
    m_monitors.clear();
    m_received.clear();
}

void TestEventMonitor::addGlobal(const QString &name, quint64 mask)
{
    m_monitors.emplace_back(addGlobalMonitorForEventsMatchingMask(
        mask,
        [this, name](const InputEvent &event) {
            m_received.append({name, event.type, &event});
        },
        nullptr));
}

void TestEventMonitor::addLocal(const QString &name, quint64 mask)
{
    m_monitors.emplace_back(addLocalMonitorForEventsMatchingMask(
        mask,
        [this, name](const InputEvent &event) {
            m_received.append({name, event.type, &event});
            return &event;
        },
        nullptr));
}

void TestEventMonitor::routing_data()
{
    QTest::addColumn<bool>("toOwnApplication");
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<QString>("receiver");

    QTest::newRow("F5 elsewhere") << false << functionKeyReleaseForTesting(5) << "global";
    QTest::newRow("F5 to Trundle") << true << functionKeyReleaseForTesting(5) << "local";
    QTest::newRow("left elsewhere") << false << buttonReleaseForTesting(0) << "global";
    QTest::newRow("right to Trundle") << true << buttonReleaseForTesting(1) << "local";
    QTest::newRow("middle elsewhere") << false << buttonReleaseForTesting(2) << "global";
    QTest::newRow("letter to Trundle") << true << textKeyReleaseForTesting("a") << "local";
}

// Each release reaches exactly one of the two kinds, once, with the monitors' own event.
void TestEventMonitor::routing()
{
    QFETCH(bool, toOwnApplication);
    QFETCH(InputEvent, event);
    QFETCH(QString, receiver);

    addGlobal("global");
    addLocal("local");
    injectEventForTesting(event, toOwnApplication);
    QCOMPARE(m_received.size(), 1);
    QCOMPARE(m_received.first().monitor, receiver);
    QCOMPARE(m_received.first().type, event.type);
}

void TestEventMonitor::maskFilters_data()
{
    QTest::addColumn<quint64>("mask");
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<bool>("seen");

    QTest::newRow("key up, hot-key mask")
        << hotKeyEventMask << functionKeyReleaseForTesting(1) << true;
    QTest::newRow("key up, mouse mask")
        << (eventMaskFor(2) | eventMaskFor(4)) << functionKeyReleaseForTesting(1) << false;
    QTest::newRow("right up, right mask") << eventMaskFor(4) << buttonReleaseForTesting(1) << true;
    QTest::newRow("other up, left mask") << eventMaskFor(2) << buttonReleaseForTesting(3) << false;
    QTest::newRow("empty mask") << quint64(0) << buttonReleaseForTesting(0) << false;
    InputEvent odd;
    odd.type = 70; // beyond the mask's 64 bits
    QTest::newRow("type beyond the mask") << ~quint64(0) << odd << false;
}

void TestEventMonitor::maskFilters()
{
    QFETCH(quint64, mask);
    QFETCH(InputEvent, event);
    QFETCH(bool, seen);

    addGlobal("global", mask);
    addLocal("local", mask);
    injectEventForTesting(event, false);
    injectEventForTesting(event, true);
    QCOMPARE(m_received.size(), seen ? 2 : 0);
}

void TestEventMonitor::localChain_data()
{
    QTest::addColumn<QString>("firstReturns"); // "same", "null" or "other"
    QTest::addColumn<QStringList>("reached");

    QTest::newRow("same event goes on") << "same" << QStringList{"first", "second"};
    QTest::newRow("null stops it") << "null" << QStringList{"first"};
    QTest::newRow("replacement goes on") << "other" << QStringList{"first", "second"};
}

// Local monitors form a chain: each one sees what the one before returned.
void TestEventMonitor::localChain()
{
    QFETCH(QString, firstReturns);
    QFETCH(QStringList, reached);

    const InputEvent replacement = buttonReleaseForTesting(2);
    m_monitors.emplace_back(addLocalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [&](const InputEvent &event) -> const InputEvent * {
            m_received.append({"first", event.type, &event});
            if (firstReturns == "null")
                return nullptr;
            if (firstReturns == "other")
                return &replacement;
            return &event;
        },
        nullptr));
    const InputEvent *returnedBySecond = nullptr;
    m_monitors.emplace_back(addLocalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [&](const InputEvent &event) {
            m_received.append({"second", event.type, &event});
            returnedBySecond = &event;
            return &event;
        },
        nullptr));

    const InputEvent original = functionKeyReleaseForTesting(7);
    injectEventForTesting(original, true);
    QStringList names;
    for (const Received &r : m_received)
        names.append(r.monitor);
    QCOMPARE(names, reached);
    QCOMPARE(m_received.first().address, &original);
    if (reached.size() == 2)
        QCOMPARE(returnedBySecond, firstReturns == "other" ? &replacement : &original);
}

void TestEventMonitor::monitorDeletedWhileDelivering()
{
    // The first handler deletes itself and the second monitor: neither crashes, the second
    // does not see the event, the third does.
    EventMonitor *first = nullptr;
    first = addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [&](const InputEvent &event) {
            m_received.append({"first", event.type, &event});
            m_monitors.erase(m_monitors.begin() + 0, m_monitors.begin() + 1); // the second
            delete first;
        },
        nullptr);
    addGlobal("second");
    addGlobal("third");

    injectEventForTesting(buttonReleaseForTesting(0), false);
    QCOMPARE(m_received.size(), 2);
    QCOMPARE(m_received.at(0).monitor, "first");
    QCOMPARE(m_received.at(1).monitor, "third");

    m_received.clear();
    injectEventForTesting(buttonReleaseForTesting(0), false);
    QCOMPARE(m_received.size(), 1);
    QCOMPARE(m_received.at(0).monitor, "third");
}

void TestEventMonitor::monitorAddedWhileDelivering()
{
    bool added = false;
    m_monitors.emplace_back(addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask,
        [&](const InputEvent &event) {
            m_received.append({"adder", event.type, &event});
            if (!added) {
                added = true;
                addGlobal("late");
            }
        },
        nullptr));

    injectEventForTesting(functionKeyReleaseForTesting(1), false);
    QCOMPARE(m_received.size(), 1);
    injectEventForTesting(functionKeyReleaseForTesting(2), false);
    QCOMPARE(m_received.size(), 3);
    QCOMPARE(m_received.at(2).monitor, "late");
}

void TestEventMonitor::deletingTheParentRemovesTheMonitor()
{
    auto parent = std::make_unique<QObject>();
    int calls = 0;
    QPointer<EventMonitor> monitor = addGlobalMonitorForEventsMatchingMask(
        hotKeyEventMask, [&](const InputEvent &) { ++calls; }, parent.get());
    injectEventForTesting(buttonReleaseForTesting(0), false);
    QCOMPARE(calls, 1);
    parent.reset();
    QVERIFY(monitor.isNull());
    injectEventForTesting(buttonReleaseForTesting(0), false);
    QCOMPARE(calls, 1);
}

void TestEventMonitor::ownApplicationDecision_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("popupOpen");
    QTest::addColumn<bool>("local");

    QTest::newRow("another application in front") << false << false << false;
    QTest::newRow("Trundle in front") << true << false << true;
    QTest::newRow("tray menu open over another application") << false << true << true;
    QTest::newRow("menu of the active Trundle") << true << true << true;
}

void TestEventMonitor::ownApplicationDecision()
{
    QFETCH(bool, active);
    QFETCH(bool, popupOpen);
    QFETCH(bool, local);
    QCOMPARE(isForOwnApplication({active, popupOpen}), local);
}

// An open menu holds the pointer and keyboard grab: the releases go to Trundle even when no
// window of it is active.
void TestEventMonitor::openMenuMakesReleasesLocal()
{
    QCOMPARE(currentOwnApplicationState().popupOpen, false);
    QMenu menu;
    menu.addAction("Run");
    menu.popup(QPoint(10, 10));
    QTRY_VERIFY(menu.isVisible());
    QCOMPARE(currentOwnApplicationState().popupOpen, true);
    QVERIFY(isForOwnApplication(currentOwnApplicationState()));
    menu.close();
    QTRY_VERIFY(!menu.isVisible());
    QCOMPARE(currentOwnApplicationState().popupOpen, false);
}

QTEST_MAIN(TestEventMonitor)
#include "test_eventmonitor.moc"
