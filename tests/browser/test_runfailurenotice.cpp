// SPDX-License-Identifier: GPL-3.0-or-later
// Failed runs told to the user: real scripts run through the runner, and what reaches the fake
// notifier for each way a run can end; the chmod hint that works when typed; the output's last
// lines within bounds; the preference that turns it all off.

#include "browsertestsupport.h"

#include "fakenotifier.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "runfailurenotice.h"
#include "scriptrunner.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sys/wait.h>

namespace {

// Runs path through the process's runner (a hot-key launch without requester) and returns the
// result.
ScriptRunResult runThroughRunner(const QString &path)
{
    QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
    ScriptLaunch launch;
    launch.path = path;
    ScriptRunner::shared()->launch(std::move(launch));
    if (!waitUntilScriptsHaveRun() || finished.size() != 1)
        return {};
    return finished.at(0).at(0).value<ScriptRunResult>();
}

} // namespace

Q_DECLARE_METATYPE(RunOutcome)

class TestRunFailureNotice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void eachEndingIsToldOrNot_data();
    void eachEndingIsToldOrNot();
    void aFolderIsNotAScript();
    void aRunTheUserStoppedIsNotAFailure();
    void theChmodHintWorksWhenTyped_data();
    void theChmodHintWorksWhenTyped();
    void onlyTheLastLinesOfTheOutputAreShown();
    void thePreferenceTurnsNotificationsOff();

private:
    platform::FakeNotifier m_notifier;
    std::unique_ptr<RunFailureNotice> m_notice;
};

void TestRunFailureNotice::initTestCase()
{
    QVERIFY(makeFolder(scriptsFolder()));
    platform::Notifier::setSharedForTesting(&m_notifier);
}

void TestRunFailureNotice::init()
{
    resetSettings();
    appGlobals->removeObjectForKey(kNotifyFailedRunsSettingKey);
    m_notice = std::make_unique<RunFailureNotice>(ScriptRunner::shared());
}

void TestRunFailureNotice::cleanup()
{
    m_notice.reset();
}

void TestRunFailureNotice::eachEndingIsToldOrNot_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // empty: no file at all
    QTest::addColumn<bool>("executable");
    QTest::addColumn<RunOutcome>("outcome");
    QTest::addColumn<QString>("titleKey"); // empty: no notification
    QTest::addColumn<QStringList>("bodyHas");

    QTest::newRow("success") << "fine.sh" << QByteArray("#!/bin/sh\necho fine\n") << true
                             << RunOutcome::Succeeded << QString() << QStringList();
    QTest::newRow("not executable")
        << "no-x.sh" << QByteArray("#!/bin/sh\necho never\n") << false << RunOutcome::NotExecutable
        << "RunFailedCannotStartTitle"
        << QStringList{"no-x.sh is not executable", "chmod +x '" + scriptsFolder() + "/no-x.sh'"};
    QTest::newRow("not found") << "gone.sh" << QByteArray() << false << RunOutcome::NotFound
                               << "RunFailedCannotStartTitle"
                               << QStringList{"There is no file " + scriptsFolder() + "/gone.sh"};
    QTest::newRow("interpreter missing")
        << "bad-hashbang.sh" << QByteArray("#!/no/such/shell -e\necho never\n") << true
        << RunOutcome::InterpreterMissing << "RunFailedCannotStartTitle"
        << QStringList{"#! line, '/no/such/shell', does not exist"};
    QTest::newRow("interpreter that env does not find")
        << "env.sh" << QByteArray("#!/usr/bin/env no-such-python3\nprint()\n") << true
        << RunOutcome::InterpreterMissing << "RunFailedCannotStartTitle"
        << QStringList{"'no-such-python3', does not exist"};
    QTest::newRow("interpreter that env finds, script failing")
        << "env-ok.sh" << QByteArray("#!/usr/bin/env sh\nexit 127\n") << true
        << RunOutcome::ExitedWithError << "RunFailedTitle" << QStringList{"exit status 127"};
    QTest::newRow("#! line with a Windows line ending")
        << "crlf.sh" << QByteArray("#!/bin/sh\r\necho never\r\n") << true
        << RunOutcome::InterpreterMissing << "RunFailedCannotStartTitle"
        << QStringList{"'/bin/sh', does not exist", "Windows line endings"};
    QTest::newRow("non-zero status")
        << "fails.sh" << QByteArray("#!/bin/sh\necho 'it went wrong' >&2\nexit 3\n") << true
        << RunOutcome::ExitedWithError << "RunFailedTitle"
        << QStringList{"exit status 3", "it went wrong"};
    QTest::newRow("the script's own status 127 is not a start failure")
        << "own127.sh" << QByteArray("#!/bin/sh\nno-such-command-here\n") << true
        << RunOutcome::ExitedWithError << "RunFailedTitle"
        << QStringList{"exit status 127", "no-such-command-here"};
    QTest::newRow("killed by a signal")
        << "killed.sh" << QByteArray("#!/bin/sh\necho dying\nkill -KILL $$\n") << true
        << RunOutcome::KilledBySignal << "RunFailedTitle" << QStringList{"signal 9", "dying"};
    QTest::newRow("a name with quotes, dollars and accents")
        << "l'été $HOME \"x\".sh" << QByteArray("#!/bin/sh\nexit 1\n") << true
        << RunOutcome::ExitedWithError << "RunFailedTitle" << QStringList{"exit status 1"};
}

void TestRunFailureNotice::eachEndingIsToldOrNot()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(bool, executable);
    QFETCH(RunOutcome, outcome);
    QFETCH(QString, titleKey);
    QFETCH(QStringList, bodyHas);
    const QString path = scriptsFolder() + u'/' + name;
    QFile::remove(path);
    if (!contents.isEmpty())
        QVERIFY(writeFile(path, contents, executable));
    const qsizetype before = m_notifier.messages().size();

    const ScriptRunResult result = runThroughRunner(path);
    QCOMPARE(result.path, path);
    QCOMPARE(classifyRun(result), outcome);

    const QList<platform::FakeNotifier::Message> messages = m_notifier.messages().mid(before);
    if (titleKey.isEmpty()) {
        QVERIFY(messages.isEmpty());
        return;
    }
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().title, localizedString(titleKey).arg(name));
    for (const QString &part : bodyHas)
        QVERIFY2(messages.first().body.contains(part), qPrintable(messages.first().body));
}

void TestRunFailureNotice::aFolderIsNotAScript()
{
    // A double click on a folder row runs the folder's path; the shell refuses it with 126.
    const QString folder = scriptsFolder() + "/A folder";
    QVERIFY(makeFolder(folder));
    const qsizetype before = m_notifier.messages().size();
    const ScriptRunResult result = runThroughRunner(folder);
    QCOMPARE(WEXITSTATUS(result.waitStatus), 126);
    QCOMPARE(classifyRun(result), RunOutcome::IsFolder);
    QCOMPARE(m_notifier.messages().size(), before + 1);
    QVERIFY(m_notifier.messages().last().body.startsWith(folder + " is a folder, not a script."));
}

void TestRunFailureNotice::aRunTheUserStoppedIsNotAFailure()
{
    const QString path = scriptsFolder() + "/sleeps.sh";
    QVERIFY(writeFile(path, "#!/bin/sh\necho started >\"$HOME/sleeps\"\nexec sleep 1000\n", true));
    QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
    ScriptLaunch launch;
    launch.path = path;
    ScriptRunner::shared()->launch(std::move(launch));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir::homePath() + "/sleeps"), 30000);
    const qsizetype before = m_notifier.messages().size();
    ScriptRunner::shared()->stopCurrentRun();
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 1);
    const auto result = finished.at(0).at(0).value<ScriptRunResult>();
    // SIGTERM ended it, which alone would count as a failure.
    QVERIFY(WIFSIGNALED(result.waitStatus));
    QCOMPARE(classifyRun(result), RunOutcome::Stopped);
    QCOMPARE(m_notifier.messages().size(), before);
}

void TestRunFailureNotice::theChmodHintWorksWhenTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "plain.sh";
    QTest::newRow("single quote") << "it's.sh";
    QTest::newRow("dollar, backquote, bang, double quote") << "$(touch INJECTED)`x`!!\"y\".sh";
    QTest::newRow("accents and blanks") << "Ünïcödé name.sh";
}

void TestRunFailureNotice::theChmodHintWorksWhenTyped()
{
    // The hint is what the user copies into a terminal: run by a shell, it must make exactly
    // this file executable and do nothing else.
    QFETCH(QString, name);
    const QString path = scriptsFolder() + u'/' + name;
    QVERIFY(writeFile(path, "#!/bin/sh\n", false));
    const ScriptRunResult result = runThroughRunner(path);
    const std::optional<RunFailureText> text = runFailureText(result);
    QVERIFY(text);
    const qsizetype at = text->body.indexOf("chmod +x ");
    QVERIFY2(at >= 0, qPrintable(text->body));
    const QString command = text->body.mid(at).section(u'\n', 0, 0);

    QProcess shell;
    shell.setWorkingDirectory(scriptsFolder());
    shell.start("/bin/sh", {"-c", command});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    QVERIFY(QFileInfo(path).isExecutable());
    QVERIFY(!QFile::exists(scriptsFolder() + "/INJECTED"));
    QCOMPARE(classifyRun(runThroughRunner(path)), RunOutcome::Succeeded);
}

void TestRunFailureNotice::onlyTheLastLinesOfTheOutputAreShown()
{
    const QString path = scriptsFolder() + "/chatty.sh";
    QVERIFY(writeFile(path,
                      "#!/bin/sh\n"
                      "for i in $(seq 100); do printf 'line %03d %0300d\\n' $i 0; done\n"
                      "printf 'colour \\033[31mred\\033[0m \xF0\x9F\x8E\x89\\n\\n\\n'\n"
                      "exit 2\n",
                      true));
    const std::optional<RunFailureText> text = runFailureText(runThroughRunner(path));
    QVERIFY(text);
    const QStringList output = text->body.section("\n\n", 1).split(u'\n').mid(1);
    QCOMPARE(output.size(), noticeOutputLines);
    QVERIFY(output.first().startsWith("line 097"));
    QVERIFY(output.at(3).startsWith("line 100"));
    // Trailing empty lines are dropped; the escape characters are shown, not sent.
    QCOMPARE(output.last(), QString::fromUtf8("colour \uFFFD[31mred\uFFFD[0m \U0001F389"));
    for (const QString &line : output)
        QVERIFY(line.size() <= noticeLineLength);
    QVERIFY(output.first().endsWith(u'…'));
    QVERIFY(!text->body.contains("line 096"));
}

void TestRunFailureNotice::thePreferenceTurnsNotificationsOff()
{
    const QString path = scriptsFolder() + "/always-fails.sh";
    QVERIFY(writeFile(path, "#!/bin/sh\nexit 1\n", true));
    QVERIFY(RunFailureNotice::isEnabled()); // unset means on

    appGlobals->setObject(PlistValue(false), kNotifyFailedRunsSettingKey);
    qsizetype before = m_notifier.messages().size();
    runThroughRunner(path);
    QCOMPARE(m_notifier.messages().size(), before);

    appGlobals->setObject(PlistValue(true), kNotifyFailedRunsSettingKey);
    runThroughRunner(path);
    QCOMPARE(m_notifier.messages().size(), before + 1);
}

TRUNDLE_TEST_MAIN(TestRunFailureNotice)
#include "test_runfailurenotice.moc"
