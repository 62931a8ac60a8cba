// SPDX-License-Identifier: GPL-3.0-or-later
// The logind session lock against a logind stand-in on a private bus: how it finds the session,
// that it follows LockedHint and Active without asking on every question, and what it says
// while logind is not there.

#include "logindsessionlock.h"

#include "logindstandin.h"
#include "privatebus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace platform;

namespace {

const QString ours = QStringLiteral("c7");
const QString anotherUsers = QStringLiteral("c8");

} // namespace

class TestLogindSessionLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void findsTheSession_data();
    void findsTheSession();
    void followsLockedHintAndActive();
    void withoutLogindNothingIsWithheld();

private:
    // A lock on the test's bus, with XDG_SESSION_ID as given (empty: unset).
    std::unique_ptr<LogindSessionLock> makeLock(const QString &sessionId);

    PrivateBus m_bus;
    std::unique_ptr<LogindStandIn> m_logind;
};

void TestLogindSessionLock::initTestCase()
{
    TRUNDLE_START_PRIVATE_BUS(m_bus);
}

void TestLogindSessionLock::cleanupTestCase()
{
    m_logind.reset();
    m_bus.stop();
}

void TestLogindSessionLock::init()
{
    m_logind = std::make_unique<LogindStandIn>(m_bus.connect(QStringLiteral("logind-")));
}

void TestLogindSessionLock::cleanup()
{
    m_logind.reset();
}

std::unique_ptr<LogindSessionLock> TestLogindSessionLock::makeLock(const QString &sessionId)
{
    if (sessionId.isEmpty())
        qunsetenv("XDG_SESSION_ID");
    else
        qputenv("XDG_SESSION_ID", sessionId.toUtf8());
    auto lock = std::make_unique<LogindSessionLock>(m_bus.connect(QStringLiteral("trundle-")));
    qunsetenv("XDG_SESSION_ID");
    return lock;
}

void TestLogindSessionLock::findsTheSession_data()
{
    QTest::addColumn<QString>("sessionId");   // XDG_SESSION_ID; empty: unset
    QTest::addColumn<bool>("inOurSession");   // this process belongs to c7
    QTest::addColumn<bool>("displaySession"); // c7 is the user's display session
    QTest::addColumn<QString>("found");       // the session followed; empty: none

    QTest::newRow("XDG_SESSION_ID") << ours << false << false << ours;
    QTest::newRow("XDG_SESSION_ID before the process")
        << anotherUsers << true << true << anotherUsers;
    QTest::newRow("the process's session") << QString() << true << false << ours;
    QTest::newRow("an unknown XDG_SESSION_ID, then the process")
        << QStringLiteral("c99") << true << false << ours;
    QTest::newRow("the user's display session") << QString() << false << true << ours;
    QTest::newRow("none") << QStringLiteral("c99") << false << false << QString();
}

void TestLogindSessionLock::findsTheSession()
{
    QFETCH(QString, sessionId);
    QFETCH(bool, inOurSession);
    QFETCH(bool, displaySession);
    QFETCH(QString, found);

    // Both sessions are locked, so a found session shows in the answer.
    LogindStandIn::Session session{ours, quint32(getuid()), {}, true, true};
    if (inOurSession)
        session.pids = {quint32(getpid())};
    m_logind->addSession(session);
    m_logind->addSession({anotherUsers, quint32(getuid()) + 4242, {}, false, true});
    if (displaySession)
        m_logind->setDisplaySession(quint32(getuid()), ours);
    QVERIFY(m_logind->serve());

    const std::unique_ptr<LogindSessionLock> lock = makeLock(sessionId);
    if (found.isEmpty()) {
        // The last look-up is the user's; once it has failed there is nothing left to try.
        QTRY_VERIFY_WITH_TIMEOUT(m_logind->calls().contains(QStringLiteral("Manager.GetUser")),
                                 30000);
        QCOMPARE(lock->sessionPath(), QString());
        QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);
        return;
    }
    QSignalSpy changed(lock.get(), &LogindSessionLock::stateChanged);
    QTRY_VERIFY_WITH_TIMEOUT(lock->locked().has_value(), 30000);
    QCOMPARE(lock->sessionPath(), LogindStandIn::sessionPath(found));
    QCOMPARE(lock->locked(), std::optional<bool>(true));
    QCOMPARE(lock->active(), std::optional<bool>(found == ours));
    QVERIFY(lock->reasonToWithholdHotKeys().has_value());
    QCOMPARE(changed.size(), 1);
}

void TestLogindSessionLock::followsLockedHintAndActive()
{
    m_logind->addSession({ours, quint32(getuid()), {}, true, false});
    m_logind->addSession({anotherUsers, quint32(getuid()) + 4242, {}, false, false});
    QVERIFY(m_logind->serve());
    const std::unique_ptr<LogindSessionLock> lock = makeLock(ours);
    QTRY_VERIFY_WITH_TIMEOUT(lock->active().has_value(), 30000);
    QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);
    QSignalSpy changed(lock.get(), &LogindSessionLock::stateChanged);
    const qsizetype callsAfterStart = m_logind->calls().size();

    const auto changeAndWait = [&](const std::function<void()> &change) {
        const qsizetype before = changed.size();
        change();
        return QTest::qWaitFor([&] { return changed.size() > before; }, 30000);
    };

    QVERIFY(changeAndWait([&] { m_logind->setLockedHint(ours, true); }));
    std::optional<QString> reason = lock->reasonToWithholdHotKeys();
    QVERIFY(reason && reason->contains(QStringLiteral("locked")));

    QVERIFY(changeAndWait([&] { m_logind->setLockedHint(ours, false); }));
    QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);

    // Another user's session comes to the front.
    QVERIFY(changeAndWait([&] { m_logind->activate(anotherUsers); }));
    reason = lock->reasonToWithholdHotKeys();
    QVERIFY(reason && reason->contains(QStringLiteral("not the active one")));
    QVERIFY(changeAndWait([&] { m_logind->setLockedHint(ours, true); }));
    QVERIFY(lock->reasonToWithholdHotKeys().has_value());

    QVERIFY(changeAndWait([&] { m_logind->activate(ours); }));
    QVERIFY(lock->reasonToWithholdHotKeys().has_value()); // still locked
    QVERIFY(changeAndWait([&] { m_logind->setLockedHint(ours, false); }));
    QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);

    // The state came with the signals: asking never called logind.
    for (int i = 0; i < 100; ++i)
        lock->reasonToWithholdHotKeys();
    QCoreApplication::processEvents();
    QCOMPARE(m_logind->calls().size(), callsAfterStart);
}

void TestLogindSessionLock::withoutLogindNothingIsWithheld()
{
    // No bus at all.
    LogindSessionLock withoutBus(QDBusConnection(QStringLiteral("never connected")));
    QCOMPARE(withoutBus.reasonToWithholdHotKeys(), std::nullopt);

    // A bus without logind: unknown, so nothing is withheld, until logind comes; it starts with
    // the session locked.
    m_logind->addSession({ours, quint32(getuid()), {}, true, true});
    const std::unique_ptr<LogindSessionLock> lock = makeLock(ours);
    QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);
    QVERIFY(m_logind->serve());
    QTRY_VERIFY_WITH_TIMEOUT(lock->locked().has_value(), 30000);
    QVERIFY(lock->reasonToWithholdHotKeys().has_value());

    // logind goes away: unknown again, whatever it said last.
    QSignalSpy changed(lock.get(), &LogindSessionLock::stateChanged);
    m_logind->stopServing();
    QVERIFY(changed.wait(30000));
    QCOMPARE(lock->locked(), std::nullopt);
    QCOMPARE(lock->reasonToWithholdHotKeys(), std::nullopt);
}

QTEST_GUILESS_MAIN(TestLogindSessionLock)
#include "test_logindsessionlock.moc"
