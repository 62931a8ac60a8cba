// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one funnel through which the program starts other programs: a command line handed to
// /bin/sh, its standard output and error captured through a temporary file and read back as
// lines. Every call is synchronous and returns after the command has ended.

#include <QString>
#include <QStringList>

#include <optional>

// Puts text between double quotes for the shell, escaping the four characters that stay special
// there (backslash, double quote, dollar, backquote), so it reaches the command as one literal
// argument: a file named a$(rm -rf ~).sh is a name, not a command.
QString shellQuoted(const QString &text);

// The command line that runs a script file: `osascript -sh "<path>"` for paths ending in
// ".applescript" or ".scpt" (case-sensitive), `"<path>"` for every other file.
QString scriptCommandLine(const QString &path);
bool isAppleScriptPath(const QString &path);
// The line that heads a script's output in the log: "Applescript returned this:" or
// "(Shell-)Script returned this:".
QString scriptResultHeading(const QString &path);

// Cuts text at every line separator (U+000A to U+000D, U+0085, U+2028, U+2029), each one a
// separator by itself: "a\r\nb" gives "a", "", "b"; text ending in a separator gives a last
// empty line; the empty text gives one empty line.
QStringList outputLines(const QString &text);

// Runs commandLine with its output redirected into the capture file, waits for it, and returns
// the captured output as lines; nothing when no readable output was captured. For Trundle's own
// short commands; scripts run through the ScriptRunner, which never blocks.
std::optional<QStringList> executeScriptAndCollectOutput(const QString &commandLine);

// Creates the last component of path (the parent must exist); the result of the funnel for
// `test ! -d "<path>" && mkdir "<path>"`.
std::optional<QStringList> createFolder(const QString &path);

// Removes a regular file through the shell; returns the status in wait() encoding.
int deleteFileAtPath(const QString &path);

// Runs an AppleScript file with one parameter, its output going to a temporary file that is
// logged and removed; returns the status in wait() encoding.
int runScriptWithParameter(const QString &scriptPath, const QString &parameter);
