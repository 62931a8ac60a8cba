// SPDX-License-Identifier: GPL-3.0-or-later
// The test-support library every test relies on: the throw-away home really is one, and the
// captures catch everything written to descriptor 2, stop when asked, and read log lines right.

#include "logcapture.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>

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
};

TRUNDLE_TEST_MAIN(TestTestSupport)
#include "test_testsupport.moc"
