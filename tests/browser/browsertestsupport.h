// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the browser tests, over the common test support: the settings store with a fresh
// shortcut table, waiting for the script runner, and a data source on a view.

#include "filebrowserdatasource.h"
#include "plistvalue.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QByteArray>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTreeView>

#include <memory>

// Creates appGlobals (once) and gives it an empty shortcut table and no open rows; the debug
// log's switch follows debugLogging.
void resetSettings(bool debugLogging = false);

// Waits until the process's script runner has nothing running or waiting; false after the
// timeout (a generous limit against hangs).
bool waitUntilScriptsHaveRun(int timeoutMs = 30000);

// A data source on a view, as a window has it, with its outline loaded. With modelTester, a
// QAbstractItemModelTester watches every change of the model from the loading on.
struct BrowserOnView
{
    explicit BrowserOnView(bool modelTester = false);
    // The row of the item of this full path; an invalid index where the browser has none.
    QModelIndex indexOf(const QString &path);

    QTreeView view;
    FileBrowserDataSource ds;
    std::unique_ptr<QAbstractItemModelTester> tester;
};
