// SPDX-License-Identifier: GPL-3.0-or-later
// The Recent Runs table: a ring of the last 50 runs, newest first, under the model tester; what
// each column says for each way a run ends; and the browser window's pane, which lists runs of
// every road and shows the selected one's output.

#include "browsertestsupport.h"
#include "browserwindow.h"

#include "recentrunsmodel.h"
#include "resources.h"
#include "scriptrunner.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

Q_DECLARE_METATYPE(LaunchRoad)

namespace {

ScriptRunResult finishedRun(const QString &path, int waitStatus = 0)
{
    ScriptRunResult result;
    result.path = path;
    result.road = LaunchRoad::Menu;
    result.startTime = QDateTime(QDate(2026, 3, 4), QTime(9, 8, 7));
    result.durationMs = 1260;
    result.waitStatus = waitStatus;
    result.lines = QStringList{"out"};
    return result;
}

QString cell(const RecentRunsModel &model, int row, int column, int role = Qt::DisplayRole)
{
    return model.index(row, column).data(role).toString();
}

} // namespace

class TestRecentRunsModel : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheLastFiftyNewestFirst();
    void columnsDescribeTheRun_data();
    void columnsDescribeTheRun();
    void roadNamesTheHotKey_data();
    void roadNamesTheHotKey();
    void outputTextForEveryKindOfOutput();
    void browserWindowListsRunsAndShowsTheSelectedOutput();
};

void TestRecentRunsModel::keepsTheLastFiftyNewestFirst()
{
    RecentRunsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 5);
    for (int i = 1; i <= 60; ++i)
        model.addRun(finishedRun(QStringLiteral("/s/run-%1.sh").arg(i)));
    QCOMPARE(model.rowCount(), RecentRunsModel::capacity);
    QCOMPARE(cell(model, 0, RecentRunsModel::ScriptColumn), QString("run-60.sh"));
    QCOMPARE(cell(model, 49, RecentRunsModel::ScriptColumn), QString("run-11.sh"));
    QCOMPARE(model.run(49).path, QString("/s/run-11.sh"));
    QVERIFY(!model.index(50, 0).isValid());
}

void TestRecentRunsModel::columnsDescribeTheRun_data()
{
    QTest::addColumn<int>("waitStatus");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("status");
    QTest::newRow("success") << 0 << false << QString() << "OK";
    QTest::newRow("exit status") << (3 << 8) << false << QString() << "exit 3";
    QTest::newRow("signal") << 9 << false << QString() << "signal 9";
    QTest::newRow("the shell's 128 + signal") << (137 << 8) << false << QString() << "signal 9";
    QTest::newRow("stopped by the user") << 15 << true << QString() << "stopped";
    QTest::newRow("no shell") << -1 << false << "posix_spawn: out of memory"
                              << "not started";
}

void TestRecentRunsModel::columnsDescribeTheRun()
{
    QFETCH(int, waitStatus);
    QFETCH(bool, stopped);
    QFETCH(QString, failure);
    QFETCH(QString, status);
    RecentRunsModel model;
    ScriptRunResult result = finishedRun("/home/u/Library/Scripts/l'été $x.sh", waitStatus);
    result.road = LaunchRoad::HotKey;
    result.stopped = stopped;
    result.failure = failure;
    model.addRun(result);
    QCOMPARE(cell(model, 0, RecentRunsModel::TimeColumn), QString("09:08:07"));
    QCOMPARE(cell(model, 0, RecentRunsModel::RoadColumn), QString("hot key"));
    QCOMPARE(cell(model, 0, RecentRunsModel::ScriptColumn), QString("l'été $x.sh"));
    QCOMPARE(cell(model, 0, RecentRunsModel::ScriptColumn, Qt::ToolTipRole), result.path);
    QCOMPARE(cell(model, 0, RecentRunsModel::DurationColumn), QString("1.3 s"));
    QCOMPARE(cell(model, 0, RecentRunsModel::StatusColumn), status);
    QCOMPARE(model.headerData(RecentRunsModel::StatusColumn, Qt::Horizontal).toString(),
             QString("Status"));
}

void TestRecentRunsModel::roadNamesTheHotKey_data()
{
    QTest::addColumn<LaunchRoad>("road");
    QTest::addColumn<qint64>("shortcutID");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a mouse button") << LaunchRoad::HotKey << qint64(14) << "Right Button";
    QTest::newRow("a hot key not named") << LaunchRoad::HotKey << qint64(0) << "hot key";
    QTest::newRow("the tray menu") << LaunchRoad::Menu << qint64(0) << "menu";
}

void TestRecentRunsModel::roadNamesTheHotKey()
{
    QFETCH(LaunchRoad, road);
    QFETCH(qint64, shortcutID);
    QFETCH(QString, shown);
    RecentRunsModel model;
    ScriptRunResult result = finishedRun("/s/key.sh");
    result.road = road;
    result.shortcutID = shortcutID;
    model.addRun(result);
    QCOMPARE(cell(model, 0, RecentRunsModel::RoadColumn), shown);
}

void TestRecentRunsModel::outputTextForEveryKindOfOutput()
{
    RecentRunsModel model;
    ScriptRunResult printed = finishedRun("/s/a.sh");
    printed.lines = QStringList{"first", "second"};
    ScriptRunResult silent = finishedRun("/s/b.sh");
    silent.lines = QStringList{""};
    ScriptRunResult binary = finishedRun("/s/c.sh");
    binary.lines.reset();
    ScriptRunResult unstarted = finishedRun("/s/d.sh", -1);
    unstarted.failure = "posix_spawn: no memory";
    for (const ScriptRunResult &run : {printed, silent, binary, unstarted})
        model.addRun(run);
    QCOMPARE(model.outputText(3), QString("first\nsecond"));
    QCOMPARE(model.outputText(2), localizedString("RecentRunsNoOutput"));
    QCOMPARE(model.outputText(1), localizedString("RecentRunsOutputNotText"));
    QCOMPARE(model.outputText(0), QString("posix_spawn: no memory"));
}

void TestRecentRunsModel::browserWindowListsRunsAndShowsTheSelectedOutput()
{
    const QString folder = scriptsFolder();
    QVERIFY(makeFolder(folder));
    const QString good = folder + "/good.sh";
    const QString bad = folder + "/bad.sh";
    QVERIFY(writeFile(good, "#!/bin/sh\necho all is well\n", true));
    QVERIFY(writeFile(bad, "#!/bin/sh\necho broken >&2\nexit 4\n", true));
    resetSettings();
    BrowserWindow window;
    for (const QString &path : {good, bad}) {
        ScriptLaunch launch;
        launch.path = path;
        launch.road = LaunchRoad::DoubleClick;
        ScriptRunner::shared()->launch(std::move(launch));
    }
    QVERIFY(waitUntilScriptsHaveRun());

    RecentRunsModel *runs = window.recentRuns();
    QCOMPARE(window.recentRunsView()->model(), runs);
    QCOMPARE(runs->rowCount(), 2);
    QCOMPARE(cell(*runs, 0, RecentRunsModel::ScriptColumn), QString("bad.sh"));
    QCOMPARE(cell(*runs, 0, RecentRunsModel::StatusColumn), QString("exit 4"));
    QCOMPARE(cell(*runs, 0, RecentRunsModel::RoadColumn), QString("double click"));
    QCOMPARE(cell(*runs, 1, RecentRunsModel::StatusColumn), QString("OK"));

    window.recentRunsView()->selectRow(1);
    QCOMPARE(window.recentRunOutput()->toPlainText(), QString("all is well"));
    window.recentRunsView()->selectRow(0);
    QCOMPARE(window.recentRunOutput()->toPlainText(), QString("broken"));
    window.recentRunsView()->clearSelection();
    QCOMPARE(window.recentRunOutput()->toPlainText(), QString());
}

TRUNDLE_TEST_MAIN(TestRecentRunsModel)
#include "test_recentrunsmodel.moc"
