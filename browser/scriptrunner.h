// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one script runner of the process. Every launch goes through it, whichever road it came by
// (a hot key, the tray menu, a double click in either browser window), because running scripts
// is a property of the process, not of a window: one script runs at a time, and a launch that
// arrives while one runs waits, then runs after it, in arrival order, exactly once.
//
// A run never blocks the event loop: the script runs in a process of its own, watched by socket
// notifiers (ScriptProcess), so while it runs the tray menu opens, windows repaint and Quit
// works. Stopping a run ends the script's whole process group (SIGTERM, SIGKILL after two
// seconds); at the end of the program stopEverything() does that and waits for it.

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ScriptProcess;

// The road a launch came by.
enum class LaunchRoad
{
    HotKey,
    Menu,
    DoubleClick
};

// What became of one run.
struct ScriptRunResult
{
    QString path;
    LaunchRoad road = LaunchRoad::HotKey;
    // The hot key that launched it (its shortcut ID); 0 for the other roads.
    qint64 shortcutID = 0;
    QDateTime startTime;
    qint64 durationMs = 0;
    // The shell's status in wait() encoding; -1 when no shell could be started (see failure).
    int waitStatus = -1;
    QString failure;
    // Whether the run was stopped (the Stop button, Quit, a signal) rather than ending itself.
    bool stopped = false;
    // The shell ended, but its status was collected by someone else (waitStatus stays -1).
    bool statusLost = false;
    // The output as lines: the first and last 64 KiB of it, with a line saying how many bytes
    // between them were left out; nothing when it was not UTF-8 text.
    std::optional<QStringList> lines;
    qint64 omittedBytes = 0;

    bool succeeded() const { return waitStatus == 0 && !stopped; }
};
Q_DECLARE_METATYPE(ScriptRunResult)

// One launch: the script, its road, and what its requester does just before the command starts
// (show progress, bring the application in front back) and once it has ended (log, hide
// progress). The two hooks are skipped when the context object has gone by then; the run
// itself happens all the same.
struct ScriptLaunch
{
    QString path;
    LaunchRoad road = LaunchRoad::HotKey;
    qint64 shortcutID = 0; // the hot key, when one launched it
    QPointer<QObject> context;
    std::function<void()> willStart;
    std::function<void(const ScriptRunResult &)> didEnd;
};

class ScriptRunner : public QObject
{
    Q_OBJECT

public:
    static ScriptRunner *shared();
    ~ScriptRunner() override;

    // Runs the launch now, or after the runs before it when one is in progress.
    void launch(ScriptLaunch launch);

    bool isRunning() const { return m_current != nullptr; }
    // Whether the run in progress was launched with this context.
    bool isRunning(const QObject *context) const;
    QString currentPath() const;
    qsizetype waitingCount() const { return m_waiting.size(); }
    // How long the run in progress has been running; 0 when none is.
    qint64 currentElapsedMs() const;
    // The last count lines the run in progress has printed so far (see latestOutputLines).
    QStringList currentOutputLines(int count) const;

    // Stops the run in progress; the ones waiting go on after it.
    void stopCurrentRun();
    // For the end of the program: drops the launches that wait, stops the run in progress and
    // waits until its process group has ended (at most about two seconds).
    void stopEverything();

signals:
    void runStarted(const QString &path, LaunchRoad road);
    void runFinished(const ScriptRunResult &result);
    // The run in progress printed something; comes at every read of its output, so whoever
    // shows it throttles.
    void outputArrived();
    // Nothing runs and nothing waits.
    void idle();

private:
    explicit ScriptRunner(QObject *parent = nullptr);

    struct Run;
    void startWaitingRuns();
    bool startRun(std::unique_ptr<Run> run);
    void processFinished();
    void complete(std::unique_ptr<Run> run);

    std::unique_ptr<Run> m_current;
    QList<ScriptLaunch> m_waiting;
    bool m_startingRuns = false;
};

// "hot key", "menu", "double click".
QString launchRoadName(LaunchRoad road);

// The last count lines of output, for a glance while the script runs: only the last few KiB are
// looked at, a line rewritten with carriage returns (a progress counter) counts as its last
// state, blank lines are skipped and control characters become spaces.
QStringList latestOutputLines(const QByteArray &output, int count);
