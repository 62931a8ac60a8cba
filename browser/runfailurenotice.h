// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tells the user when a script run went wrong: it could not start (the file is missing, not
// executable, a folder, or its #! interpreter is missing), it ended with a non-zero status, or a
// signal ended it. One desktop notification per failed run names the script, says what went
// wrong (for a missing execute bit, how to fix it) and shows the last lines of the output.
// Successful runs and runs the user stopped stay quiet, and so does everything while the
// preference kNotifyFailedRunsSettingKey is off.

#include "scriptrunner.h"

#include <QObject>
#include <QString>

#include <optional>

// What became of a run, as far as telling the user goes.
enum class RunOutcome
{
    Succeeded,
    Stopped,
    NotFound,
    NotExecutable,
    IsFolder,
    InterpreterMissing,
    CouldNotStart,
    ExitedWithError,
    KilledBySignal,
    // The shell ended but its status was collected by someone else.
    StatusLost
};

// Sorts a finished run. A shell status of 126 or 127 is what /bin/sh reports both for a command
// it could not start and for a script that exits with that status itself: the script file (and
// the interpreter its #! line names) is looked at to tell them apart.
RunOutcome classifyRun(const ScriptRunResult &result);

// The signal that ended the run: the shell's own end by a signal, or the status 128 + n that the
// shell reports when the script it ran was ended by signal n. Nothing for other ends.
std::optional<int> signalThatEndedRun(const ScriptRunResult &result);

// The interpreter a script's #! line names when it is not there to run the script: the program
// itself, or the one "#!/usr/bin/env" is to find on the path. Nothing when it is there, or the
// file has no #! line.
std::optional<QString> missingInterpreter(const QString &path);

// A path in single quotes for an interactive shell, where double quotes would still expand
// "$", "`" and "!": '/a/it'\''s.sh'.
QString shellSingleQuoted(const QString &text);

struct RunFailureText
{
    QString title;
    QString body;
};

// The notification for a run, or nothing for a run that needs none.
std::optional<RunFailureText> runFailureText(const ScriptRunResult &result);

// At most this many of the output's last lines go into a notification, each cut to
// maxLineLength characters.
inline constexpr int noticeOutputLines = 5;
inline constexpr int noticeLineLength = 160;

// Listens to the runner and notifies through platform::Notifier::shared().
class RunFailureNotice : public QObject
{
    Q_OBJECT

public:
    explicit RunFailureNotice(ScriptRunner *runner, QObject *parent = nullptr);

    // Whether the preference lets failure notifications through (on when unset).
    static bool isEnabled();

private:
    void runFinished(const ScriptRunResult &result);
};
