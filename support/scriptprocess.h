// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One command line run by /bin/sh in a session of its own, its standard output and error read
// through a pipe while it runs. Nothing here blocks the event loop: socket notifiers watch
// the pipe and the child's end (a pidfd; a SIGCHLD notifier where the kernel has none), and the
// output is kept in a BoundedCapture, so a script that hangs or prints without end costs neither
// responsiveness nor memory. The child is started with posix_spawn, never by forking Trundle.
//
// The shell's standard input is /dev/null, and it has no controlling terminal: a script that
// asks on /dev/tty fails at once with its own message instead of being stopped by SIGTTIN when
// Trundle was started from a terminal. Its session is its own, and so its process group, so that
// stopping it reaches everything it started. It starts with every signal at its default, none
// blocked, and only descriptors 0, 1 and 2 open, whatever Trundle inherited.

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
    // The shell has ended but its status was collected by someone else (the kernel, when SIGCHLD
    // is ignored): waitStatus() stays -1.
    bool exitStatusLost() const { return m_exitStatusLost; }

    // How long, and how much, output a background process of an ended script may still write
    // before its pipe is closed (it then gets SIGPIPE at its next write).
    static constexpr int lingeringOutputMs = 5000;
    static constexpr qsizetype lingeringOutputBytes = qsizetype{1024} * 1024;

    // Makes the program fit for starting scripts; for the start of main, before anything else
    // runs: SIGCHLD back at its default (a parent that ignored it would have the kernel reap the
    // shells, and their status would be lost) and not blocked, and the descriptors the program
    // inherited closed on exec.
    static void prepareProgram();
    // Whether the end of a shell is watched through a pidfd (the default where the kernel has
    // them) or through SIGCHLD; tests use the second where pidfds exist.
    static void setPidFdsUsed(bool used);

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
    // The script wrote something (already appended to output()); may come at every read.
    void outputArrived();
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

    enum class ExitState
    {
        Running,
        Ended,
        Lost
    };

    void readOutput();
    // Reads what the pipe holds, up to budget bytes; closes it at the end of output.
    void readAvailableOutput(qsizetype budget);
    void childMayHaveEnded();
    ExitState collectExitStatus();
    // Signals the script's process group, but only while the shell is known to be unreaped:
    // its zombie keeps the group's number from being handed out again.
    bool signalGroup(int signalNumber);
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
    bool m_exitStatusLost = false;
    bool m_killDone = false;
    bool m_deleteWhenDone = false;
    bool m_reaped = true;
    QSocketNotifier *m_outputNotifier = nullptr;
    QSocketNotifier *m_endNotifier = nullptr;
    BoundedCapture m_output;
};

// Whether any process of the group is still alive (zombies do not count).
bool processGroupHasLiveMembers(pid_t group);
