// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application controller: start-up and termination, the preferences and about windows,
// menu validation, the status menu with its scripts submenu, hot-key dispatch and the record of
// the last active application. One instance lives for the whole run.

#include "scriptfolderlisting.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class FileBrowserDataSource;
class QAction;
class QMenu;
struct ScriptRunResult;

class QZAboutWindowController;
class QZPreferencesWindowController;
class RunFailureNotice;

namespace platform {
struct InputEvent;
struct RunningApplication;
} // namespace platform

class QZAppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit QZAppDelegate(QObject *parent = nullptr);
    ~QZAppDelegate() override;

    // Outlets: the browser window and its data source, set when the main interface is loaded.
    QWidget *window() const { return _window; }
    void setWindow(QWidget *window) { _window = window; }
    FileBrowserDataSource *ds() const { return _ds; }
    void setDs(FileBrowserDataSource *ds) { _ds = ds; }

    // Lifecycle.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // Stores the browser's open rows and saves the settings (part of the termination).
    void saveState();
    void applicationWillUnhide();
    void applicationWillBecomeActive();
    void applicationDidBecomeActive();
    void windowBecameKey();
    // Shows the browser window again and brings it to the front (a second start asks for it).
    void showBrowserWindow();

    // Commands of the status menu and the main menu.
    void quit();
    void openPreferencesWindow();
    void preferencesWindowDidClose();
    void openAboutWindow();
    void aboutWindowDidClose();
    void openPageSetupDialog();
    bool validateMenuItem(QAction *item);

    // Status menu and scripts submenu.
    void initStatusMenu();
    void updateScriptsMenu();
    // Fills a folder's submenu with one level of the folder as it is now; called each time the
    // submenu is about to open. above: the folders the submenu is inside, from the root down.
    void updateMenu(QMenu *menu, const QString &folderPath, const FolderChain &above);
    void scriptMenuItemHit(QAction *item);
    void scriptMenuItemDidRun(const ScriptRunResult &result);

    // Hot keys.
    void handleMouseAndKeyEvents(const platform::InputEvent &event);
    void handleMouseHit(quint64 buttonNumber, quint64 modifier);
    void handleFKeyHit(quint64 functionKeyNumber, quint64 modifier);
    // Tells the input backend which function keys are bound (the shortcuts portal asks the
    // desktop for them); at start and after every change of the table.
    void publishFunctionKeyBindings();

    // Workspace notifications.
    void appActivate(const platform::RunningApplication &application);
    void appDeactivate(const platform::RunningApplication &application);
    void sessionDeactivate();

    // Whether the preferences or about window is open (their controllers exist).
    bool isPreferencesWindowOpen() const { return _preferencesWindowController != nullptr; }
    bool isAboutWindowOpen() const { return _aboutWindowController != nullptr; }

private:
    QMenu *newMenu(QWidget *parent = nullptr);
    // Each time the menu opens: fill (when given) runs, then its commands are validated.
    void setUpMenu(QMenu *menu, const std::function<void()> &fill = {});
    QAction *addFolderItem(QMenu *menu, const QString &title, const QString &folderPath,
                           const FolderChain &above);
    QMenu *newFolderMenu(QWidget *parent, const QString &folderPath, const FolderChain &above);
    QAction *newScriptItem(QMenu *menu);
    void showScriptItem(QAction *item, const ScriptFolderEntry &entry);
    void showFolderItem(QAction *item, const ScriptFolderEntry &entry, const FolderChain &above);
    QAction *addCommand(QMenu *menu, const QString &titleKey, void (QZAppDelegate::*command)());
    void validateMenu(QMenu *menu);
    void installEventMonitors();
    void observeWorkspace();
    void runBoundScript(const QString &lookupKey);

    QPointer<QWidget> _window;
    FileBrowserDataSource *_ds = nullptr;
    std::unique_ptr<QZPreferencesWindowController> _preferencesWindowController;
    std::unique_ptr<QZAboutWindowController> _aboutWindowController;
    std::unique_ptr<RunFailureNotice> _runFailureNotice;
};

// The title of a menu item as the user reads it: "&&" in the action's text stands for "&", and
// a single '&' (the mnemonic's mark) is left out.
QString menuItemTitle(const QAction *item);
// The key equivalent of a menu item: the one-letter text set with setKeyEquivalent, or "".
QString keyEquivalent(const QAction *item);
void setKeyEquivalent(QAction *item, const QString &key);
