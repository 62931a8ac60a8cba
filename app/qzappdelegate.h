#pragma once

// The application controller: start-up and termination, the preferences and about windows,
// menu validation, the status menu with its scripts submenu, hot-key dispatch and the record of
// the last active application. One instance lives for the whole run.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class FileBrowserDataSource;
class QAction;
class QMenu;
struct ScriptRunResult;

class QZAboutWindowController;
class QZPreferencesWindowController;

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
    void updateMenu(QMenu *menu, const QString &folderPath);
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
    QAction *addCommand(QMenu *menu, const QString &titleKey, void (QZAppDelegate::*command)());
    void validateMenu(QMenu *menu);
    void installEventMonitors();
    void observeWorkspace();
    void runBoundScript(const QString &lookupKey);

    QPointer<QWidget> _window;
    FileBrowserDataSource *_ds = nullptr;
    std::unique_ptr<QZPreferencesWindowController> _preferencesWindowController;
    std::unique_ptr<QZAboutWindowController> _aboutWindowController;
};

// The title of a menu item as the user reads it ("&&" in the action's text stands for "&").
QString menuItemTitle(const QAction *item);
// The key equivalent of a menu item: the one-letter text set with setKeyEquivalent, or "".
QString keyEquivalent(const QAction *item);
void setKeyEquivalent(QAction *item, const QString &key);
