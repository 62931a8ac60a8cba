// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded capture of a script's output, and the script's process: output and status read
// without blocking, a stop that reaches everything the script started, a script's background
// processes that outlive it unharmed, the signal state a script starts in, and ends seen without
// a pidfd or when someone else collects the status.

#include "boundedcapture.h"
#include "scriptprocess.h"
#include "shell.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/wait.h>

class TestScriptProcess : public QObject
{
    Q_OBJECT

private slots:
    void captureKeepsHeadAndTail_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("chunk");
        QTest::newRow("small, kept whole") << 1000 << 7;
        QTest::newRow("exactly head and tail") << 2 * 1024 << 100;
        QTest::newRow("much more, small writes") << 50 * 1024 << 333;
        QTest::newRow("much more, one write") << 50 * 1024 << 50 * 1024;
    }

    void captureKeepsHeadAndTail()
    {
        // Limits of 1 KiB stand for the 64 KiB of a real run.
        QFETCH(int, total);
        QFETCH(int, chunk);
        QByteArray all;
        for (int i = 0; i < total; ++i)
            all.append(char('a' + (i * 7 + i / 26) % 26));
        BoundedCapture capture(1024, 1024);
        for (int at = 0; at < total; at += chunk)
            capture.append(all.mid(at, chunk));
        QCOMPARE(capture.totalBytes(), qint64(total));
        const qint64 omitted = qMax(0, total - 2048);
        QCOMPARE(capture.omittedBytes(), omitted);
        QCOMPARE(capture.head(), all.left(qMin(total, 1024)));
        QCOMPARE(capture.head() + capture.tail(), omitted ? all.left(1024) + all.right(1024) : all);
        const QString text = capture.text().value_or(QStringLiteral("<not text>"));
        if (omitted) {
            QVERIFY(text.startsWith(QString::fromLatin1(all.left(1024))));
            QVERIFY(text.endsWith(QString::fromLatin1(all.right(1024))));
            QVERIFY(text.contains(BoundedCapture::omissionLine(omitted)));
            QVERIFY(text.contains(QString::number(omitted)));
        } else {
            QCOMPARE(text, QString::fromLatin1(all));
        }
    }

    void captureCutsAtWholeCharacters()
    {
        // "é" is two bytes: with limits of 2 both cuts fall inside one.
        BoundedCapture capture(2, 2);
        capture.append(QStringLiteral("aéééééb").toUtf8());
        QCOMPARE(capture.text(), QStringLiteral("a\n%1\nb").arg(BoundedCapture::omissionLine(8)));
        BoundedCapture invalid;
        invalid.append(QByteArray("\xff\xfe"));
        QVERIFY(!invalid.text().has_value());
    }

    void outputAndStatusWithoutBlocking()
    {
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(
            process.start(QStringLiteral("printf 'out\\n'; printf 'err\\n' >&2; read x; exit 3")));
        QVERIFY(process.isRunning());
        QVERIFY(finished.wait(30000));
        QVERIFY(!process.isRunning());
        QVERIFY(WIFEXITED(process.waitStatus()));
        QCOMPARE(WEXITSTATUS(process.waitStatus()), 3);
        // Both streams, in order; standard input is empty, so read does not wait.
        QCOMPARE(process.output().text(), QStringLiteral("out\nerr\n"));
        QVERIFY(!process.wasStopped());
    }

    void eventLoopRunsWhileTheScriptRuns()
    {
        QTemporaryDir dir;
        const QString go = dir.filePath(QStringLiteral("go"));
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(process.start(QStringLiteral("while [ ! -e %1 ]; do sleep 0.05; done; echo went")
                                  .arg(shellQuoted(go))));
        // A timer of the event loop fires while the script waits for it.
        QTimer::singleShot(100, [go] { QFile(go).open(QIODevice::WriteOnly); });
        QVERIFY(finished.wait(30000));
        QCOMPARE(process.output().text(), QStringLiteral("went\n"));
    }

    void signalledScriptReportsTheSignal()
    {
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(process.start(QStringLiteral("kill -9 $$")));
        QVERIFY(finished.wait(30000));
        QVERIFY(WIFSIGNALED(process.waitStatus()));
        QCOMPARE(WTERMSIG(process.waitStatus()), SIGKILL);
    }

    void stopEndsTheWholeGroup_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("waitForIt");
        QTest::newRow("children that end on SIGTERM") << "sleep 300 & sleep 300" << false;
        QTest::newRow("children that ignore SIGTERM")
            << "trap '' TERM; sleep 300 & while :; do sleep 1; done" << false;
        QTest::newRow("at the end of the program") << "trap '' TERM; sleep 300 & sleep 300" << true;
    }

    void stopEndsTheWholeGroup()
    {
        QFETCH(QString, body);
        QFETCH(bool, waitForIt);
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(process.start(body));
        const pid_t group = process.processId();
        QTRY_VERIFY(processGroupHasLiveMembers(group));
        QTest::qWait(100); // the children are there
        if (waitForIt) {
            process.stopAndWait();
            QCOMPARE(finished.size(), 1);
        } else {
            process.stop();
            QVERIFY(finished.wait(30000));
        }
        QVERIFY(process.wasStopped());
        QVERIFY(!process.isRunning());
        // Nothing of the script is left once the grace period is over.
        QTRY_VERIFY_WITH_TIMEOUT(!processGroupHasLiveMembers(group), 30000);
    }

    void stoppedScriptsChildrenGetTheirGracePeriod()
    {
        // The shell ends on SIGTERM at once; its child cleans up for half a second first, and
        // the process object going away meanwhile must not cut that short.
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("cleaned up"));
        auto *process = new ScriptProcess;
        QSignalSpy finished(process, &ScriptProcess::finished);
        QVERIFY(process->start(
            QStringLiteral("(trap 'sleep 0.5; touch %1; exit 0' TERM; while :; do sleep 0.1; "
                           "done) & wait")
                .arg(shellQuoted(marker))));
        const pid_t group = process->processId();
        QTRY_VERIFY(processGroupHasLiveMembers(group));
        QTest::qWait(200);
        process->stop();
        QVERIFY(finished.wait(30000));
        const QPointer<ScriptProcess> watched(process);
        process->deleteWhenDone();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!processGroupHasLiveMembers(group), 30000);
        // Once the last writer has closed the pipe the object goes away by itself.
        QTRY_VERIFY_WITH_TIMEOUT(watched.isNull(), 30000);
    }

    void backgroundProcessOutlivesItsScriptUnharmed()
    {
        // The run ends when the shell does; a process it left behind writes later and goes on.
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("wrote late"));
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(process.start(
            QStringLiteral("(sleep 0.5; echo late; echo late >&2; touch %1) & echo now")
                .arg(shellQuoted(marker))));
        QVERIFY(finished.wait(30000));
        QCOMPARE(process.output().text(), QStringLiteral("now\n"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 30000);
    }

    void largeOutputIsCountedNotKept()
    {
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        QVERIFY(process.start(QStringLiteral("head -c 3000000 /dev/zero | tr '\\0' x")));
        QVERIFY(finished.wait(60000));
        QCOMPARE(process.output().totalBytes(), qint64(3000000));
        QCOMPARE(process.output().omittedBytes(),
                 qint64(3000000 - 2 * BoundedCapture::defaultLimit));
        QCOMPARE(process.output().head().size(), BoundedCapture::defaultLimit);
    }

    void scriptStartsWithDefaultSignals()
    {
        // The parent ignores SIGTSTP and SIGUSR2 and blocks SIGUSR1; the script has none of it.
        struct sigaction ignore = {};
        struct sigaction oldTstp = {};
        struct sigaction oldUsr2 = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGTSTP, &ignore, &oldTstp);
        ::sigaction(SIGUSR2, &ignore, &oldUsr2);
        sigset_t blocked;
        sigset_t oldMask;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGUSR1);
        ::sigprocmask(SIG_BLOCK, &blocked, &oldMask);
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        // posix_spawn leaves the C library's own signals 32 and 33 ignored; no program uses them.
        const bool started = process.start(QStringLiteral(
            "while read -r key value; do case $key in SigBlk:) echo $((0x$value));; SigIgn:) "
            "echo $((0x$value & ~0x180000000));; esac; done </proc/$$/status"));
        const bool ended = started && finished.wait(30000);
        ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);
        ::sigaction(SIGTSTP, &oldTstp, nullptr);
        ::sigaction(SIGUSR2, &oldUsr2, nullptr);
        QVERIFY(ended);
        QCOMPARE(process.output().text().value_or(QStringLiteral("<not text>")),
                 QStringLiteral("0\n0\n"));
    }

    void endIsSeenWithAndWithoutPidFds_data()
    {
        QTest::addColumn<bool>("pidFds");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("status"); // negative: the signal
        for (const bool pidFds : {true, false}) {
            const char *watch = pidFds ? "pidfd" : "SIGCHLD";
            QTest::addRow("%s: ends at once", watch) << pidFds << "exit 4" << 4;
            QTest::addRow("%s: ends later", watch) << pidFds << "sleep 0.2; exit 5" << 5;
            QTest::addRow("%s: killed", watch) << pidFds << "kill -9 $$" << -SIGKILL;
        }
    }

    void endIsSeenWithAndWithoutPidFds()
    {
        QFETCH(bool, pidFds);
        QFETCH(QString, commandLine);
        QFETCH(int, status);
        ScriptProcess::setPidFdsUsed(pidFds);
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        const bool started = process.start(commandLine);
        const bool ended = started && finished.wait(30000);
        ScriptProcess::setPidFdsUsed(true);
        QVERIFY(ended);
        if (status < 0)
            QCOMPARE(WTERMSIG(process.waitStatus()), -status);
        else
            QCOMPARE(WEXITSTATUS(process.waitStatus()), status);
        QVERIFY(!process.exitStatusLost());
    }

    void aStatusCollectedElsewhereEndsTheRun()
    {
        // With SIGCHLD ignored the kernel reaps the shell itself: its pidfd turns readable while
        // waitid finds no child. The run ends once, with its status unknown.
        struct sigaction ignore = {};
        struct sigaction old = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGCHLD, &ignore, &old);
        ScriptProcess process;
        QSignalSpy finished(&process, &ScriptProcess::finished);
        const bool started = process.start(QStringLiteral("exit 3"));
        const bool ended = started && finished.wait(30000);
        ::sigaction(SIGCHLD, &old, nullptr);
        QVERIFY(ended);
        QVERIFY(process.exitStatusLost());
        QCOMPARE(process.waitStatus(), -1);
        QVERIFY(!process.isRunning());
        QTest::qWait(100);
        QCOMPARE(finished.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScriptProcess)
#include "test_scriptprocess.moc"
