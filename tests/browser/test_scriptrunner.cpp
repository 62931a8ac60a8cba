// SPDX-License-Identifier: GPL-3.0-or-later
// Running a script from the browser: the order of panel, bring-to-front, run, log and panel
// again; paths the shell must take literally; a second run asked for during a run; the
// double-click path with its wait and its choice of application; and a browser without panel.

#include "browsertestsupport.h"
#include "browserwindow.h"
#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "filesystemitem.h"

#include "fakeworkspace.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "runprogresspanel.h"
#include "scriptrunner.h"
#include "shell.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

namespace {

QString journalPath()
{
    return QDir::homePath() + "/journal.txt";
}

// A workspace that writes every bring-to-front into the journal, where it falls in line with
// the panel's appearances, the script's own line and the log.
class JournalingWorkspace : public platform::FakeWorkspace
{
public:
    bool activateApplicationWithProcessIdentifier(qint64 pid) override
    {
        appendToJournal(journalPath(), QStringLiteral("front %1").arg(pid));
        return FakeWorkspace::activateApplicationWithProcessIdentifier(pid);
    }
};

// Writes the panel's showing and hiding into the journal, and can start a second run the moment
// the panel shows (a hot key handled while the panel was being painted).
class PanelWatcher : public QObject
{
public:
    FileBrowserDataSource *ds = nullptr;
    QString nestedScript;
    bool nestedCallSawRunning = false;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            appendToJournal(journalPath(), "panel shown");
            if (!nestedScript.isEmpty()) {
                const QString script = std::exchange(nestedScript, QString());
                nestedCallSawRunning = ds->isRunningScript();
                ds->runScript(script); // must come back at once
                appendToJournal(journalPath(), "nested call returned");
            }
        } else if (event->type() == QEvent::Hide) {
            appendToJournal(journalPath(), "panel hidden");
        }
        return QObject::eventFilter(watched, event);
    }
};

// A script that writes "run <tag>" into the journal and prints its output.
QString makeScript(const QString &name, const QString &tag, const QString &output = "hello")
{
    const QString path = scriptsFolder() + u'/' + name;
    const QByteArray body = "#!/bin/sh\necho " + shellQuoted("run " + tag).toUtf8() + " >> " +
                            shellQuoted(journalPath()).toUtf8() + "\necho " +
                            shellQuoted(output).toUtf8() + "\n";
    return writeFile(path, body, true) ? path : QString();
}

qsizetype lineIndex(const QStringList &journal, const QString &marker, qsizetype from = 0)
{
    for (qsizetype i = from; i < journal.size(); ++i) {
        if (journal.at(i).contains(marker))
            return i;
    }
    return -1;
}

} // namespace

class TestScriptRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void runShowsPanelBringsToFrontRunsLogsHides_data();
    void runShowsPanelBringsToFrontRunsLogsHides();
    void panelIsOnScreenAndBusyWhileTheScriptRuns();
    void withoutActiveApplicationTheScriptStillRuns();
    void secondRunDuringARunWaitsForTheFirst();
    void browserWithoutPanelRuns();
    void closedBrowserWindowStillShowsThePanel();
    void panelShowsTheScriptItsTimeAndItsLatestOutput();
    void latestOutputLines_data();
    void latestOutputLines();
    void destroyedWindowIsForgotten();
    void doubleClickBringsBackTheLastApplicationThenRuns_data();
    void doubleClickBringsBackTheLastApplicationThenRuns();
    void doubleClickRunsTheRowSelectedWhenTheWaitEnds();
    void doubleClickWithoutSelectionRunsNothing();
    void doubleClickOnAFolderFailsHarmlessly();
    void runsOfEveryRoadTakeTurnsInArrivalOrder();
    void stopButtonEndsTheRunAndTheNextOneFollows();
    void stopEverythingDropsWhatWaitsAndEndsTheRun();

private:
    void selectRow(const QString &path);

    std::unique_ptr<BrowserWindow> m_window;
    std::unique_ptr<FileBrowserDataSource> m_ds;
    JournalingWorkspace m_workspace;
    PanelWatcher m_watcher;
};

void TestScriptRunner::initTestCase()
{
    platform::Workspace::setSharedForTesting(&m_workspace);
    m_workspace.addRunningApplication({4242, "org.example.Editor", 0x1200007});
    QVERIFY(makeFolder(scriptsFolder() + "/Folder"));
}

void TestScriptRunner::init()
{
    resetSettings(true); // the log lines are part of what is checked
    QFile::remove(journalPath());
    m_workspace.setActiveApplication(platform::RunningApplication{4242, "org.example.Editor", 1});
    m_workspace.clearActivationRequests();
    m_window = std::make_unique<BrowserWindow>();
    m_ds = std::make_unique<FileBrowserDataSource>();
    connectDataSource(m_ds.get(), m_window.get());
    m_ds->initOutline();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_watcher.ds = m_ds.get();
    m_window->progressPanel()->installEventFilter(&m_watcher);
}

void TestScriptRunner::cleanup()
{
    m_ds.reset();
    m_window.reset();
    resetSettings(false);
}

void TestScriptRunner::selectRow(const QString &path)
{
    m_ds->initOutline(); // the tree as it is now, with the scripts this test made
    m_window->outlineView()->expand(m_ds->model()->index(0, 0));
    FileSystemItem *item = m_ds->itemForPersistentObject(PlistValue(path));
    QVERIFY2(item, qPrintable(path));
    m_window->outlineView()->setCurrentIndex(m_ds->browserModel()->indexForItem(item));
}

void TestScriptRunner::runShowsPanelBringsToFrontRunsLogsHides_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("heading");
    QTest::newRow("shell script") << "plain.sh"
                                  << "(Shell-)Script returned this:";
    QTest::newRow("name with blanks") << "with blanks.sh"
                                      << "(Shell-)Script returned this:";
    QTest::newRow("name with quote, dollar, backquote, backslash")
        << "q\"$(touch INJECTED)`touch INJECTED`\\x.sh"
        << "(Shell-)Script returned this:";
    QTest::newRow("upper-case SCPT runs as a shell script") << "upper.SCPT"
                                                            << "(Shell-)Script returned this:";
}

void TestScriptRunner::runShowsPanelBringsToFrontRunsLogsHides()
{
    QFETCH(QString, name);
    QFETCH(QString, heading);
    const QString script = makeScript(name, "one");
    QVERIFY(!script.isEmpty());
    {
        StandardErrorCapture toJournal(journalPath());
        m_ds->runScript(script);
        QVERIFY(waitUntilScriptsHaveRun());
    }
    const QStringList journal = journalLines(journalPath());
    const qsizetype shown = lineIndex(journal, "panel shown");
    const qsizetype front = lineIndex(journal, "front 4242");
    const qsizetype run = lineIndex(journal, "run one");
    const qsizetype logged = lineIndex(journal, heading);
    const qsizetype hidden = lineIndex(journal, "panel hidden");
    QVERIFY2(shown >= 0 && front > shown && run > front && logged > run && hidden > logged,
             qPrintable(journal.join(u'\n')));
    // The heading, a line break, then the output lines.
    QCOMPARE(journal.value(logged + 1), QString("hello"));
    QVERIFY(!QFile::exists(QDir::currentPath() + "/INJECTED"));
    QVERIFY(!QFile::exists(scriptsFolder() + "/INJECTED"));
    QVERIFY(!m_window->progressPanel()->isVisible());
    QVERIFY(!m_ds->isRunningScript());
}

void TestScriptRunner::panelIsOnScreenAndBusyWhileTheScriptRuns()
{
    // The script waits for the test: while it runs, the event loop goes on, so the panel reaches
    // the screen and the window repaints.
    const QString go = QDir::homePath() + "/go";
    QFile::remove(go);
    const QString script = scriptsFolder() + "/waits.sh";
    QVERIFY(writeFile(
        script, "#!/bin/sh\nwhile [ ! -e " + shellQuoted(go).toUtf8() + " ]; do sleep 0.05; done\n",
        true));
    bool visible = false;
    bool busy = false;
    bool keepsTheFocusAway = false;
    connect(m_ds.get(), &FileBrowserDataSource::scriptRunStarted, this, [&] {
        QDialog *panel = m_window->progressPanel();
        visible = panel->isVisible();
        busy = m_window->progressIndicator()->minimum() == 0 &&
               m_window->progressIndicator()->maximum() == 0;
        // A tool window of its own, neither modal nor taking the focus: Qt's xcb backend
        // activates every modal window it shows, and then counts it as the active window after
        // it hid.
        keepsTheFocusAway = panel->parentWidget() == nullptr &&
                            (panel->windowFlags() & Qt::WindowType_Mask) == Qt::Tool &&
                            panel->windowModality() == Qt::NonModal &&
                            panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus) &&
                            panel->testAttribute(Qt::WA_ShowWithoutActivating);
    });
    m_ds->runScript(script);
    QVERIFY(visible);
    QVERIFY(busy);
    QVERIFY(keepsTheFocusAway);
    QVERIFY(m_ds->isRunningScript());
    QDialog *panel = m_window->progressPanel();
    QTRY_VERIFY_WITH_TIMEOUT(panel->windowHandle() && panel->windowHandle()->isExposed(), 10000);
    bool repainted = false;
    QTimer::singleShot(0, m_window.get(), [&] {
        m_window->outlineView()->viewport()->repaint();
        repainted = true;
    });
    QTRY_VERIFY(repainted);
    QVERIFY(m_ds->isRunningScript());
    QVERIFY(writeFile(go));
    QVERIFY(waitUntilScriptsHaveRun());
    QVERIFY(!panel->isVisible());
    QVERIFY(m_window->progressIndicator()->maximum() != 0); // stopped afterwards
}

void TestScriptRunner::withoutActiveApplicationTheScriptStillRuns()
{
    m_workspace.setActiveApplication(std::nullopt);
    const QString script = makeScript("alone.sh", "alone");
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->runScript(script);
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(1).toStringList().value(0), QString("hello"));
    QVERIFY(m_workspace.activationRequests().isEmpty());
}

void TestScriptRunner::secondRunDuringARunWaitsForTheFirst()
{
    const QString first = makeScript("first.sh", "first");
    const QString second = makeScript("second.sh", "second");
    m_watcher.nestedScript = second;
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->runScript(first);
    QVERIFY(waitUntilScriptsHaveRun());
    QVERIFY(m_watcher.nestedCallSawRunning);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(0).at(0).toString(), first);
    QCOMPARE(finished.at(1).at(0).toString(), second);
    const QStringList journal = journalLines(journalPath());
    const qsizetype returned = lineIndex(journal, "nested call returned");
    const qsizetype runFirst = lineIndex(journal, "run first");
    const qsizetype firstHidden = lineIndex(journal, "panel hidden");
    const qsizetype secondShown = lineIndex(journal, "panel shown", firstHidden);
    const qsizetype runSecond = lineIndex(journal, "run second");
    QVERIFY2(returned >= 0 && runFirst > returned && firstHidden > runFirst &&
                 secondShown > firstHidden && runSecond > secondShown,
             qPrintable(journal.join(u'\n')));
    QVERIFY(!m_ds->isRunningScript());
}

void TestScriptRunner::browserWithoutPanelRuns()
{
    // The preferences window's browser has no panel and no indicator.
    QTreeView view;
    FileBrowserDataSource ds;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    const QString script = makeScript("nopanel.sh", "nopanel");
    QSignalSpy finished(&ds, &FileBrowserDataSource::scriptRunFinished);
    ds.runScript(script);
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_workspace.activationRequests(), QList<qint64>{4242});
}

void TestScriptRunner::closedBrowserWindowStillShowsThePanel()
{
    // A hot key while the browser window is closed: the panel is a window of its own.
    m_window->hide();
    const QString script = makeScript("closed.sh", "closed");
    m_ds->runScript(script);
    QVERIFY(waitUntilScriptsHaveRun());
    const QStringList journal = journalLines(journalPath());
    const qsizetype shown = lineIndex(journal, "panel shown");
    QVERIFY2(shown >= 0 && lineIndex(journal, "run closed") > shown,
             qPrintable(journal.join(u'\n')));
    QCOMPARE(m_workspace.activationRequests(), QList<qint64>{4242});
    QVERIFY(!m_window->progressPanel()->isVisible());
}

void TestScriptRunner::panelShowsTheScriptItsTimeAndItsLatestOutput()
{
    // Six lines, then the script waits: the panel shows the last four while it still runs.
    const QString go = QDir::homePath() + "/go-output";
    QFile::remove(go);
    const QString script = scriptsFolder() + "/talks.sh";
    QVERIFY(writeFile(script,
                      "#!/bin/sh\nfor i in 1 2 3 4 5 6; do echo line $i; done\n"
                      "while [ ! -e " +
                          shellQuoted(go).toUtf8() + " ]; do sleep 0.05; done\n",
                      true));
    m_window->hide();
    m_ds->runScript(script);
    auto *panel = RunProgressPanel::shared();
    QCOMPARE(panel->scriptText(), QStringLiteral("Running talks.sh"));
    QCOMPARE(panel->elapsedText(), QStringLiteral("0:00"));
    QTRY_COMPARE_WITH_TIMEOUT(panel->outputLines(),
                              (QStringList{"line 3", "line 4", "line 5", "line 6"}), 10000);
    QVERIFY(panel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(panel->elapsedText() != QStringLiteral("0:00"), 10000);
    QVERIFY(writeFile(go));
    QVERIFY(waitUntilScriptsHaveRun());
    QVERIFY(!panel->isVisible());
}

void TestScriptRunner::latestOutputLines_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("the last three") << QByteArray("1\n2\n3\n4\n5") << QStringList{"3", "4", "5"};
    QTest::newRow("blank lines skipped") << QByteArray("a\n\n  \nb\n\n") << QStringList{"a", "b"};
    QTest::newRow("a counter rewritten with carriage returns")
        << QByteArray("copying\n10%\r50%\r90%\r") << QStringList{"copying", "90%"};
    QTest::newRow("control characters become spaces")
        << QByteArray("a\tb\x1b[1mc\n") << QStringList{"a b [1mc"};
    QTest::newRow("only the end of long output, no cut line") << QByteArray(8000, 'x') + "\nlast\n"
                                                              << QStringList{"last"};
}

void TestScriptRunner::latestOutputLines()
{
    QFETCH(QByteArray, output);
    QFETCH(QStringList, lines);
    QCOMPARE(::latestOutputLines(output, 3), lines);
}

void TestScriptRunner::destroyedWindowIsForgotten()
{
    // The window (with its view) goes before its data source does; the panel is the
    // process's and stays.
    m_window.reset();
    QCOMPARE(m_ds->_fileBrowserOutlineView, nullptr);
    QCOMPARE(m_ds->_fileBrowserWindow, nullptr);
    QCOMPARE(m_ds->_fileBrowserProgressPanel, RunProgressPanel::shared());
    const QString script = makeScript("orphan.sh", "orphan");
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->runScript(script);
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_ds->expandedState(), PlistValue::fromStringList({}));
    m_ds->initOutline();
}

void TestScriptRunner::doubleClickBringsBackTheLastApplicationThenRuns_data()
{
    QTest::addColumn<QString>("recordedName");
    QTest::addColumn<qint64>("recordedPid");
    QTest::addColumn<QList<qint64>>("broughtBack");
    // The record of the last application other than this program (the plain record names this
    // program, as the click into the browser made it the last one).
    QTest::newRow("another application")
        << "org.example.Editor" << qint64(4242) << QList<qint64>{4242};
    QTest::newRow("nothing recorded") << QString() << qint64(-1) << QList<qint64>{};
}

void TestScriptRunner::doubleClickBringsBackTheLastApplicationThenRuns()
{
    QFETCH(QString, recordedName);
    QFETCH(qint64, recordedPid);
    QFETCH(QList<qint64>, broughtBack);
    appGlobals->setObject(QCoreApplication::applicationPid(), kPreviousApplicationPIDKey);
    appGlobals->setObject(platform::Workspace::ownBundleIdentifier(), kPreviousApplicationNameKey);
    if (!recordedName.isNull()) {
        appGlobals->setObject(recordedPid, kPreviousOtherApplicationPIDKey);
        appGlobals->setObject(recordedName, kPreviousOtherApplicationNameKey);
    }
    m_workspace.setActiveApplication(std::nullopt); // only the double-click's own bring-back
    const QString script = makeScript("double.sh", "double");
    selectRow(script);
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->doubleClickAction();
    // Brought back at once; the run waits for the second to pass, with the window alive.
    QCOMPARE(m_workspace.activationRequests(), broughtBack);
    QCOMPARE(finished.size(), 0);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toString(), script);
}

void TestScriptRunner::doubleClickRunsTheRowSelectedWhenTheWaitEnds()
{
    const QString first = makeScript("clicked.sh", "clicked");
    const QString later = makeScript("later.sh", "later");
    selectRow(first);
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->doubleClickAction();
    selectRow(later);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toString(), later);
}

void TestScriptRunner::doubleClickWithoutSelectionRunsNothing()
{
    m_window->outlineView()->clearSelection();
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    StandardErrorCapture capture;
    m_ds->doubleClickAction();
    QTest::qWait(FileBrowserDataSource::doubleClickDelay + 300);
    const QString log = capture.text();
    QCOMPARE(finished.size(), 0);
    QVERIFY2(log.contains("Error: objectDict is nil!"), qPrintable(log));
}

void TestScriptRunner::doubleClickOnAFolderFailsHarmlessly()
{
    selectRow(scriptsFolder() + "/Folder");
    QSignalSpy finished(m_ds.get(), &FileBrowserDataSource::scriptRunFinished);
    m_ds->doubleClickOnRow(m_ds->selectedRow());
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toString(), scriptsFolder() + "/Folder");
    // The shell's complaint is the captured output.
    QVERIFY(!finished.at(0).at(1).toStringList().join(u' ').trimmed().isEmpty());
}

// A script that notes its start, waits for the go-ahead file (when given) and notes its end.
QString makeTurnScript(const QString &name, const QString &go = {})
{
    const QString journal = shellQuoted(journalPath());
    QString body = "#!/bin/sh\necho start " + name + " >> " + journal + "\n";
    if (!go.isEmpty())
        body += "while [ ! -e " + shellQuoted(go) + " ]; do sleep 0.05; done\n";
    body += "echo end " + name + " >> " + journal + "\n";
    const QString path = scriptsFolder() + u'/' + name;
    return writeFile(path, body.toUtf8(), true) ? path : QString();
}

// The turn scripts' lines of the journal (the panel watcher writes there too).
QStringList turns()
{
    QStringList lines = journalLines(journalPath());
    lines.removeIf([](const QString &line) {
        return !line.startsWith(QLatin1String("start ")) && !line.startsWith(QLatin1String("end "));
    });
    return lines;
}

void TestScriptRunner::runsOfEveryRoadTakeTurnsInArrivalOrder()
{
    // The main window's data source, the preferences window's (no panel) and the tray menu share
    // one runner: the first run holds up the others, which then run one after another.
    const QString go = QDir::homePath() + "/go-turns";
    QFile::remove(go);
    FileBrowserDataSource other;
    QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
    m_ds->runScript(makeTurnScript("first.sh", go));
    other.runScript(makeTurnScript("second.sh"), LaunchRoad::DoubleClick);
    ScriptLaunch fromMenu;
    fromMenu.path = makeTurnScript("third.sh");
    fromMenu.road = LaunchRoad::Menu;
    ScriptRunner::shared()->launch(fromMenu);
    m_ds->runScript(makeTurnScript("fourth.sh"));
    QCOMPARE(ScriptRunner::shared()->waitingCount(), 3);
    QTest::qWait(200);
    QCOMPARE(turns(), QStringList{"start first.sh"});
    QVERIFY(writeFile(go));
    QVERIFY(waitUntilScriptsHaveRun());
    QStringList expected;
    for (const char *name : {"first.sh", "second.sh", "third.sh", "fourth.sh"})
        expected << QStringLiteral("start %1").arg(name) << QStringLiteral("end %1").arg(name);
    QCOMPARE(turns(), expected);
    QCOMPARE(finished.size(), 4);
    const QList<LaunchRoad> roads = {LaunchRoad::HotKey, LaunchRoad::DoubleClick, LaunchRoad::Menu,
                                     LaunchRoad::HotKey};
    for (int i = 0; i < 4; ++i) {
        const auto result = finished.at(i).at(0).value<ScriptRunResult>();
        QCOMPARE(result.road, roads.at(i));
        QVERIFY(result.succeeded());
    }
}

void TestScriptRunner::stopButtonEndsTheRunAndTheNextOneFollows()
{
    const QString never = QDir::homePath() + "/never";
    const QString hanging = makeTurnScript("hangs.sh", never);
    const QString next = makeTurnScript("next.sh");
    QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
    m_ds->runScript(hanging);
    m_ds->runScript(next);
    QTRY_VERIFY(turns().contains("start hangs.sh"));
    QTRY_VERIFY(m_window->progressPanel()->isVisible());
    QTest::mouseClick(m_window->stopButton(), Qt::LeftButton);
    QVERIFY(waitUntilScriptsHaveRun());
    QCOMPARE(finished.size(), 2);
    const auto stopped = finished.at(0).at(0).value<ScriptRunResult>();
    QCOMPARE(stopped.path, hanging);
    QVERIFY(stopped.stopped);
    QVERIFY(!stopped.succeeded());
    QVERIFY(finished.at(1).at(0).value<ScriptRunResult>().succeeded());
    QCOMPARE(turns(), (QStringList{"start hangs.sh", "start next.sh", "end next.sh"}));
    QVERIFY(!m_window->progressPanel()->isVisible());
}

void TestScriptRunner::stopEverythingDropsWhatWaitsAndEndsTheRun()
{
    const QString hanging = makeTurnScript("hangs.sh", QDir::homePath() + "/never");
    QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
    m_ds->runScript(hanging);
    m_ds->runScript(makeTurnScript("dropped.sh"));
    QTRY_VERIFY(turns().contains("start hangs.sh"));
    ScriptRunner::shared()->stopEverything();
    // Synchronous: by now the run is over and nothing waits.
    QCOMPARE(finished.size(), 1);
    QVERIFY(finished.at(0).at(0).value<ScriptRunResult>().stopped);
    QVERIFY(!ScriptRunner::shared()->isRunning());
    QCOMPARE(ScriptRunner::shared()->waitingCount(), 0);
    QTest::qWait(200);
    QCOMPARE(turns(), QStringList{"start hangs.sh"});
}

TRUNDLE_TEST_MAIN(TestScriptRunner)
#include "test_scriptrunner.moc"
