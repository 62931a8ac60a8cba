// SPDX-License-Identifier: GPL-3.0-or-later
// The test-support library every test relies on: the throw-away home really is one, the
// captures catch everything written to descriptor 2, stop when asked, and read log lines right,
// and a private bus serves connections that do not share a name, says why when it cannot start,
// and leaves no daemon behind.

#include "logcapture.h"
#include "privatebus.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>

class TestTestSupport : public QObject
{
    Q_OBJECT

private slots:
    void throwAwayHomeHoldsEverythingTheProgramWrites()
    {
        const QString home = throwAwayHomePath();
        QVERIFY(!home.isEmpty());
        QCOMPARE(useThrowAwayHome(), home);
        QCOMPARE(QDir::homePath(), home);
        QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        QVERIFY(QFileInfo(home + QStringLiteral("/.config")).isDir());
        const QFileInfo runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
        QCOMPARE(runtime.path(), home);
        // Private, or the program would not use it.
        QVERIFY(runtime.isDir() && runtime.isWritable());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(runtime.permissions() & others, QFile::Permissions());
        QCOMPARE(qEnvironmentVariable("LANGUAGE"), QStringLiteral("en"));
    }

    void standardErrorCaptureCatchesChildrenAndStops()
    {
        StandardErrorCapture capture;
        std::fputs("from this process\n", stderr);
        QCOMPARE(std::system("echo 'from a child' >&2"), 0);
        const QString text = capture.text();
        QCOMPARE(text, QStringLiteral("from this process\nfrom a child\n"));
        std::fputs("after the capture\n", stderr);
        QCOMPARE(capture.text(), text);
    }

    void journalCaptureAppendsToWhatOthersWrote()
    {
        const QString journal = throwAwayHomePath() + QStringLiteral("/journal.txt");
        appendToJournal(journal, QStringLiteral("before"));
        {
            StandardErrorCapture capture(journal);
            appendToJournal(journal, QStringLiteral("beside"));
            std::fputs("captured\n", stderr);
            QCOMPARE(capture.text(), QStringLiteral("before\nbeside\ncaptured\n"));
        }
        QCOMPARE(journalLines(journal),
                 (QStringList{QStringLiteral("before"), QStringLiteral("beside"),
                              QStringLiteral("captured"), QString()}));
    }

    void logCaptureReadsMethodLineAndMessage()
    {
        const int line = __LINE__ + 3;
        LogCapture capture;
        QVERIFY(isDebugLoggingOn());
        QZLog("two %@\nlines", QStringLiteral("whole"));
        const QList<CapturedLogLine> lines = capture.lines();
        QVERIFY(!isDebugLoggingOn());
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].method.endsWith(QLatin1String("logCaptureReadsMethodLineAndMessage")),
                 qPrintable(lines[0].method));
        QCOMPARE(lines[0].line, line);
        QCOMPARE(lines[0].message, QStringLiteral("two whole\nlines"));
    }

    void privateBusServesUntilItStops()
    {
        PrivateBus bus;
        TRUNDLE_START_PRIVATE_BUS(bus);
        const qint64 daemon = bus.processId();
        QVERIFY(daemon > 0);
        QVERIFY2(bus.address().contains(bus.folder()), qPrintable(bus.address()));
        // The same name twice: two connections, each with a bus name of its own.
        const QDBusConnection first = bus.connect(QStringLiteral("client"));
        const QDBusConnection second = bus.connect(QStringLiteral("client"));
        QVERIFY(first.isConnected());
        QVERIFY(second.isConnected());
        QVERIFY(first.name() != second.name());
        QVERIFY(first.baseService() != second.baseService());

        // What the destructor does: the daemon is ended and reaped (signal 0 only asks whether
        // the process is there), and nothing answers at the address any more.
        bus.stop();
        QCOMPARE(bus.processId(), 0);
        errno = 0;
        QCOMPARE(::kill(pid_t(daemon), 0), -1);
        QCOMPARE(errno, ESRCH);
        QVERIFY(!QDBusConnection::connectToBus(bus.address(), QStringLiteral("after-stop"))
                     .isConnected());
    }

    void privateBusSaysWhyItDidNotStart()
    {
        if (PrivateBus::daemonProgram().isEmpty())
            QSKIP("dbus-daemon is not installed: the tests on a private bus cannot run");
        const QString config = throwAwayHomePath() + QStringLiteral("/broken-bus.conf");
        QVERIFY(writeFile(config, "<busconfig><listen>"));
        PrivateBus bus;
        QVERIFY(!bus.start(config));
        QVERIFY(bus.address().isEmpty());
        QCOMPARE(bus.processId(), 0);
        QVERIFY2(bus.errorString().startsWith(QLatin1String("dbus-daemon named no address: ")) &&
                     bus.errorString().size() > 30,
                 qPrintable(bus.errorString()));
    }
};

TRUNDLE_TEST_MAIN(TestTestSupport)
#include "test_testsupport.moc"
