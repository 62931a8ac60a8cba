// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One command line run by /bin/sh in a process group of its own, its standard output and error
// read through a pipe while it runs. Nothing here blocks the event loop: socket notifiers watch
// the pipe and the child's end (a pidfd; a SIGCHLD notifier where the kernel has none), and the
// output is kept in a BoundedCapture, so a script that hangs or prints without end costs neither
// responsiveness nor memory. The child is started with posix_spawn, never by forking Trundle.
//
// The shell's standard input is /dev/null: a script started from a hot key has no terminal to
// read from. Its process group is its own, so that stopping it reaches everything it started.

#include "boundedcapture.h"

#include <QObject>
#include <QString>

#include <sys/types.h>

class QSocketNotifier;

class ScriptProcess : public QObject
{
    Q_OBJECT

public:
    // How long a stopped script may take to end after SIGTERM before SIGKILL follows.
    static constexpr int terminationGraceMs = 2000;

    explicit ScriptProcess(QObject *parent = nullptr);
    // Kills what is left of a running script (SIGKILL) and reaps it.
    ~ScriptProcess() override;

    // Starts `/bin/sh -c commandLine`. False, with the reason, when no shell could be started.
    // A process runs one command line in its lifetime.
    bool start(const QString &commandLine, QString *whyNot = nullptr);

    // Started and not yet ended.
    bool isRunning() const { return m_state == State::Running; }
    pid_t processId() const { return m_pid; }
    const BoundedCapture &output() const { return m_output; }
    // The shell's status in wait() encoding once it has ended; -1 before.
    int waitStatus() const { return m_waitStatus; }
    // Whether stop() or stopAndWait() was asked while it ran.
    bool wasStopped() const { return m_stopRequested; }

    // Ends the whole process group: SIGTERM now, SIGKILL after the grace period to whatever of
    // the group is still there. finished() follows when the shell has ended.
    void stop();
    // The same, but waits for it (at most the grace period and a moment for SIGKILL): for the
    // end of the program, when there is no event loop to wait in.
    void stopAndWait();

    // Deletes the object once it is done with the script: at once, or for a stopped script whose
    // shell has ended, after the grace period, so that what the script started gets its time to
    // end on SIGTERM before SIGKILL.
    void deleteWhenDone();

signals:
    // The shell has ended and its output is read (output a background process of the script
    // writes later is read and dropped).
    void finished();

private:
    enum class State
    {
        NotStarted,
        Running,
        Ended
    };

    void readOutput();
    // Reads what the pipe holds, up to budget bytes; closes it at the end of output.
    void readAvailableOutput(qsizetype budget);
    void childMayHaveEnded();
    bool collectExitStatus();
    void finish();
    void killLeftoversAndReap();
    void reap();
    void closeOutputPipe();

    State m_state = State::NotStarted;
    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_outputFd = -1;
    int m_waitStatus = -1;
    bool m_stopRequested = false;
    bool m_killDone = false;
    bool m_deleteWhenDone = false;
    bool m_reaped = true;
    QSocketNotifier *m_outputNotifier = nullptr;
    QSocketNotifier *m_endNotifier = nullptr;
    BoundedCapture m_output;
};

// Whether any process of the group is still alive (zombies do not count).
bool processGroupHasLiveMembers(pid_t group);
