// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line: --help, --version and --background, and the toolkit's own options (-platform,
// -display, -style ...), which pass through to QApplication. Everything else Trundle does is
// configured in its settings; --background is for the autostart entry.

#include <QString>
#include <QStringList>

struct CommandLineResult
{
    bool exitNow = false; // help, version or a mistake: print and leave without starting
    int exitStatus = 0;
    QString standardOutput;
    QString standardError;
    bool platformGiven = false; // -platform names the windowing system, so no DISPLAY is needed
    bool background = false;    // --background: no window at start (the autostart entry)
};

// Parses the program's arguments (the first one is the program's name) without an application
// object, so that it works with no display; the caller starts QApplication with the untouched
// argv afterwards.
CommandLineResult parseCommandLine(const QStringList &arguments);
