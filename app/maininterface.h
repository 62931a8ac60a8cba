// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main interface: the browser window with its menu bar and the data source behind its tree,
// wired to the application controller as an interface description would.

class BrowserWindow;
class FileBrowserDataSource;
class QZAppDelegate;

struct MainInterface
{
    BrowserWindow *window = nullptr;
    FileBrowserDataSource *dataSource = nullptr;
};

// Creates the window and its data source, connects them to the controller's outlets, gives the
// window its menu bar, and lets the data source wake up (which prepares the script folder).
MainInterface loadMainInterface(QZAppDelegate *delegate);
