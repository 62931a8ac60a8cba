// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the stand-in programs of the end-to-end runs have in common: the way they say they are
// ready (or why not) before they serve. Their record files are journals (appendToJournal).

#include <QString>

// Ends a stand-in's start once it has tried to take its bus name. When served is true, prints
// "serving" on standard output (flushed at once, for a test that waits for it) and runs the event
// loop until the process is stopped; otherwise writes "PROGRAM: cannot take WHAT" to standard
// error and returns 1.
int serveUntilStopped(bool served, const QString &what);
