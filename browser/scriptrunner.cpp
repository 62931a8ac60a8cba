// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptrunner.h"

#include "log.h"
#include "scriptprocess.h"
#include "shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>

struct ScriptRunner::Run
{
    ScriptLaunch launch;
    QDateTime startTime;
    QElapsedTimer clock;
    ScriptProcess *process = nullptr; // deleted once the run is complete
    QString failure;
};

ScriptRunner::ScriptRunner(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ScriptRunResult>();
}

ScriptRunner::~ScriptRunner()
{
    // The program is ending without its termination (the application object goes): nothing may
    // outlive it, and no hook runs any more.
    m_waiting.clear();
    if (m_current && m_current->process) {
        m_current->launch.context = nullptr;
        delete m_current->process;
    }
}

ScriptRunner *ScriptRunner::shared()
{
    // Owned by the application object, so its processes are ended before the process is. The
    // pointer itself is never destroyed: the termination may run from an exit handler.
    static auto *runner = new QPointer<ScriptRunner>;
    if (runner->isNull())
        *runner = new ScriptRunner(QCoreApplication::instance());
    return *runner;
}

bool ScriptRunner::isRunning(const QObject *context) const
{
    return m_current && context && m_current->launch.context == context;
}

QString ScriptRunner::currentPath() const
{
    return m_current ? m_current->launch.path : QString();
}

qint64 ScriptRunner::currentElapsedMs() const
{
    return m_current ? m_current->clock.elapsed() : 0;
}

QStringList ScriptRunner::currentOutputLines(int count) const
{
    if (!m_current || !m_current->process)
        return {};
    const BoundedCapture &output = m_current->process->output();
    const QByteArray tail = output.tail();
    return latestOutputLines(tail.isEmpty() ? output.head() : tail, count);
}

void ScriptRunner::launch(ScriptLaunch launch)
{
    if (m_current)
        QZLog("A script is running; %@ will run after it.", launch.path);
    m_waiting.append(std::move(launch));
    startWaitingRuns();
}

void ScriptRunner::startWaitingRuns()
{
    // A run that cannot start completes at once; its hooks may launch again. One loop here
    // takes all of them in order instead of recursing.
    if (m_startingRuns)
        return;
    m_startingRuns = true;
    while (!m_current && !m_waiting.isEmpty()) {
        auto run = std::make_unique<Run>();
        run->launch = m_waiting.takeFirst();
        startRun(std::move(run));
    }
    m_startingRuns = false;
    if (!m_current && m_waiting.isEmpty())
        emit idle();
}

bool ScriptRunner::startRun(std::unique_ptr<Run> run)
{
    Run *r = run.get();
    m_current = std::move(run);
    r->startTime = QDateTime::currentDateTime();
    r->clock.start();
    if (r->launch.context && r->launch.willStart)
        r->launch.willStart();
    emit runStarted(r->launch.path, r->launch.road);

    const QString commandLine = scriptCommandLine(r->launch.path);
    QZLog("command: %@", commandLine);
    QZLog("Running command...");
    r->process = new ScriptProcess(this);
    connect(r->process, &ScriptProcess::finished, this, &ScriptRunner::processFinished);
    connect(r->process, &ScriptProcess::outputArrived, this, &ScriptRunner::outputArrived);
    if (r->process->start(commandLine, &r->failure))
        return true;
    processLog("%@ could not be run: %@", r->launch.path, r->failure);
    complete(std::move(m_current));
    return false;
}

void ScriptRunner::processFinished()
{
    if (!m_current || m_current->process != sender())
        return;
    complete(std::move(m_current));
    startWaitingRuns();
}

void ScriptRunner::complete(std::unique_ptr<Run> run)
{
    ScriptRunResult result;
    result.path = run->launch.path;
    result.road = run->launch.road;
    result.shortcutID = run->launch.shortcutID;
    result.startTime = run->startTime;
    result.durationMs = run->clock.elapsed();
    result.failure = run->failure;
    if (ScriptProcess *process = run->process) {
        result.waitStatus = process->waitStatus();
        result.stopped = process->wasStopped();
        result.statusLost = process->exitStatusLost();
        result.omittedBytes = process->output().omittedBytes();
        if (run->failure.isEmpty()) {
            if (const std::optional<QString> text = process->output().text())
                result.lines = outputLines(*text);
        }
        process->deleteWhenDone();
    }
    QZLog("Running command...DONE");
    QZLog("lines: \"%@\"", result.lines ? PlistValue::fromStringList(*result.lines) : PlistValue());

    if (run->launch.context && run->launch.didEnd) {
        run->launch.didEnd(result);
    } else {
        QZLog("%@\n%@", scriptResultHeading(result.path),
              result.lines ? result.lines->join(u'\n') : QStringLiteral("(null)"));
    }
    emit runFinished(result);
}

void ScriptRunner::stopCurrentRun()
{
    if (m_current && m_current->process) {
        QZLog("Stopping %@", m_current->launch.path);
        m_current->process->stop();
    }
}

void ScriptRunner::stopEverything()
{
    if (!m_waiting.isEmpty())
        QZLog("Dropping %d waiting launches.", m_waiting.size());
    m_waiting.clear();
    if (m_current && m_current->process) {
        QZLog("Stopping %@", m_current->launch.path);
        // Ends with finished(), which completes the run before this returns.
        m_current->process->stopAndWait();
    }
}

QString launchRoadName(LaunchRoad road)
{
    switch (road) {
    case LaunchRoad::HotKey:
        return QStringLiteral("hot key");
    case LaunchRoad::Menu:
        return QStringLiteral("menu");
    case LaunchRoad::DoubleClick:
        return QStringLiteral("double click");
    }
    return {};
}

QStringList latestOutputLines(const QByteArray &output, int count)
{
    constexpr qsizetype window = 4096;
    const bool cut = output.size() > window;
    QString text = QString::fromUtf8(cut ? output.right(window) : output);
    QStringList lines = text.split(u'\n');
    // The first line of a cut window is only the end of a line.
    if (cut)
        lines.removeFirst();
    QStringList latest;
    for (auto line = lines.crbegin(); line != lines.crend() && latest.size() < count; ++line) {
        QString shown = line->section(u'\r', -1, -1, QString::SectionSkipEmpty);
        for (QChar &c : shown) {
            if (c.category() == QChar::Other_Control)
                c = u' ';
        }
        if (!shown.trimmed().isEmpty())
            latest.prepend(shown);
    }
    return latest;
}
