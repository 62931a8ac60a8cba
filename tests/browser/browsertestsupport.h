// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the browser tests, over the common test support: the settings store with a fresh
// shortcut table, and waiting for the script runner.

#include "plistvalue.h"
#include "testsupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Creates appGlobals (once) and gives it an empty shortcut table and no open rows; the debug
// log's switch follows debugLogging.
void resetSettings(bool debugLogging = false);

// Waits until the process's script runner has nothing running or waiting; false after the
// timeout (a generous limit against hangs).
bool waitUntilScriptsHaveRun(int timeoutMs = 30000);
