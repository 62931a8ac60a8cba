// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the stand-in programs of the end-to-end runs have in common: the record file a test
// reads back, and the way they say they are ready (or why not) before they serve.

#include <QString>

// Appends line and a line break to the file at path, made when it is missing. A file that
// cannot be opened loses the line: the test that reads it then finds it missing.
void appendRecordLine(const QString &path, const QString &line);

// Ends a stand-in's start once it has tried to take its bus name. When served is true, prints
// "serving" on standard output (flushed at once, for a test that waits for it) and runs the event
// loop until the process is stopped; otherwise writes "PROGRAM: cannot take WHAT" to standard
// error and returns 1.
int serveUntilStopped(bool served, const QString &what);
