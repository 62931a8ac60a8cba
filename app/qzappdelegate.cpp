// SPDX-License-Identifier: GPL-3.0-or-later
#include "qzappdelegate.h"

#include "filebrowserdatasource.h"
#include "filenamebytes.h"
#include "hotkeynotice.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "qzaboutwindowcontroller.h"
#include "qzpreferenceswindowcontroller.h"
#include "resources.h"
#include "runfailurenotice.h"
#include "scriptrunner.h"
#include "sessiontype.h"
#include "shortcuttable.h"
#include "trayhostwatcher.h"
#include "workspace.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

QZAppDelegate::QZAppDelegate(QObject *parent) : QObject(parent) {}

QZAppDelegate::~QZAppDelegate() = default;

void QZAppDelegate::applicationDidFinishLaunching()
{
    appGlobals = QZPreferencesDictionary::dictionary();
    _preferencesWindowController.reset();
    _aboutWindowController.reset();
    appGlobals->load();
    QZLog("Starting up!");
    // Before the first event monitor picks the input backend, which stays for the whole run.
    platform::SessionEnvironment::setReadInputDevices(
        appGlobals->objectForKey(kReadInputDevicesSettingKey).boolValue());

    if (!_runFailureNotice)
        _runFailureNotice = std::make_unique<RunFailureNotice>(ScriptRunner::shared());

    initStatusMenu();
    updateScriptsMenu();

    if (_startsInBackground)
        QZLog("Started in the background: no window");
    else
        showBrowserWindow();
    if (_ds)
        _ds->initOutline();

    observeWorkspace();
    installEventMonitors();
    publishFunctionKeyBindings();
    connect(ShortcutTableChanges::instance(), &ShortcutTableChanges::changed, this,
            &QZAppDelegate::publishFunctionKeyBindings, Qt::UniqueConnection);
    // Once the tray icon exists: it is where the notice goes without a notification server.
    platform::announceHotKeysUnavailableWhenKnown();
    QZLog("Started up!");
}

void QZAppDelegate::applicationWillTerminate()
{
    // Quitting from the menu, a signal and the end of the session all arrive here. Saving twice
    // (session end, then quit) writes the same settings again, which is harmless. A script that
    // runs is ended first, with everything it started, so that nothing of it outlives Trundle.
    QZLog("Start");
    ScriptRunner::shared()->stopEverything();
    saveState();
    QZLog("End.");
}

void QZAppDelegate::saveState()
{
    if (!appGlobals)
        return;
    if (_ds)
        appGlobals->setObject(_ds->expandedState(), kExpandedItemsSettingKey);
    appGlobals->save();
}

void QZAppDelegate::showBrowserWindow()
{
    if (!_window)
        return;
    QZLog("Showing the browser window");
    _window->setWindowState(_window->windowState() & ~Qt::WindowMinimized);
    _window->show();
    _window->raise();
    _window->activateWindow();
}

void QZAppDelegate::applicationWillUnhide()
{
    QZLog("Oink!");
}

void QZAppDelegate::applicationWillBecomeActive()
{
    QZLog("Since we will now become foreground, maybe the user changed something in the "
          "filesystem. Reload the currently selected stuff.");
    const std::optional<platform::RunningApplication> active =
        platform::Workspace::shared()->activeApplication();
    QZLog(
        "activeApp: %@",
        active
            ? PlistValue(PlistValue::newDictionary(
                  {{QStringLiteral("NSApplicationBundleIdentifier"), active->bundleIdentifier},
                   {QStringLiteral("NSApplicationProcessIdentifier"), active->processIdentifier}}))
            : PlistValue());
}

void QZAppDelegate::applicationDidBecomeActive()
{
    QZLog("Oink!");
}

void QZAppDelegate::windowBecameKey()
{
    QZLog("KEY!? NSWindowDidBecomeKeyNotification");
}

void QZAppDelegate::quit()
{
    // Asked only here, from the menus: a signal or the end of the session quits without a word.
    ScriptRunner *runner = ScriptRunner::shared();
    if (runner->isRunning()) {
        const QString name = displayedFileName(QFileInfo(runner->currentPath()).fileName());
        QMessageBox question(QMessageBox::Question, localizedString(QStringLiteral("MenuQuit")),
                             localizedString(QStringLiteral("QuitWhileRunningTitle")).arg(name),
                             QMessageBox::NoButton,
                             _window && _window->isVisible() ? _window : nullptr);
        question.setInformativeText(localizedString(QStringLiteral("QuitWhileRunningText")));
        QPushButton *stopAndQuit = question.addButton(
            localizedString(QStringLiteral("QuitWhileRunningStop")), QMessageBox::AcceptRole);
        question.addButton(QMessageBox::Cancel);
        question.setDefaultButton(stopAndQuit);
        question.exec();
        if (question.clickedButton() != stopAndQuit) {
            QZLog("Quit cancelled: %@ goes on", name);
            return;
        }
    }
    QCoreApplication::quit();
}

void QZAppDelegate::openPreferencesWindow()
{
    if (_preferencesWindowController) {
        // Menu validation keeps this from happening; a second request just raises the window.
        if (QWidget *w = _preferencesWindowController->window()) {
            w->raise();
            w->activateWindow();
        }
        return;
    }
    _preferencesWindowController =
        std::make_unique<QZPreferencesWindowController>(QStringLiteral("QZPreferencesWindow"));
    connect(_preferencesWindowController.get(),
            &QZPreferencesWindowController::windowWillCloseNotification, this,
            &QZAppDelegate::preferencesWindowDidClose, Qt::QueuedConnection);
    _preferencesWindowController->window();
}

void QZAppDelegate::preferencesWindowDidClose()
{
    QZLog("Start");
    _preferencesWindowController.reset();
}

void QZAppDelegate::openAboutWindow()
{
    if (_aboutWindowController) {
        if (QWidget *w = _aboutWindowController->window()) {
            w->raise();
            w->activateWindow();
        }
        return;
    }
    _aboutWindowController =
        std::make_unique<QZAboutWindowController>(QStringLiteral("QZAboutWindow"), this);
    connect(_aboutWindowController.get(), &QZAboutWindowController::windowWillCloseNotification,
            this, &QZAppDelegate::aboutWindowDidClose, Qt::QueuedConnection);
}

void QZAppDelegate::aboutWindowDidClose()
{
    QZLog("Start");
    _aboutWindowController.reset();
}

void QZAppDelegate::openPageSetupDialog()
{
    QPrinter printer;
    QPageSetupDialog dialog(&printer, _window);
    dialog.exec();
}

bool QZAppDelegate::validateMenuItem(QAction *item)
{
    QZLog("Start validation for menu item with key equiv.: %@", keyEquivalent(item));
    const QString title = menuItemTitle(item);
    QZLog("NSMenuItem's title: %@", title);

    if (title == localizedString(QStringLiteral("MenuPreferences"))) {
        QZLog("_preferencesWindowController: %p",
              static_cast<const void *>(_preferencesWindowController.get()));
        if (!_preferencesWindowController)
            return true;
    } else if (title == localizedString(QStringLiteral("MenuAbout"))) {
        QZLog("_aboutWindowController: %p",
              static_cast<const void *>(_aboutWindowController.get()));
        if (!_aboutWindowController)
            return true;
    } else if (title == localizedString(QStringLiteral("MenuQuit"))) {
        QZLog("_aboutWindowController: %p",
              static_cast<const void *>(_aboutWindowController.get()));
        QZLog("_preferencesWindowController: %p",
              static_cast<const void *>(_preferencesWindowController.get()));
        if (!_aboutWindowController && !_preferencesWindowController)
            return true;
    } else {
        return keyEquivalent(item) != QLatin1String("p");
    }
    QZLog("validateMenuItem: NOpe.");
    return false;
}

void QZAppDelegate::validateMenu(QMenu *menu)
{
    // Automatic enabling: every command item asks validateMenuItem each time its menu opens;
    // items that carry a submenu stay enabled.
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || action->menu())
            continue;
        action->setEnabled(validateMenuItem(action));
    }
}

QMenu *QZAppDelegate::newMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    setUpMenu(menu);
    return menu;
}

void QZAppDelegate::setUpMenu(QMenu *menu, const std::function<void()> &fill)
{
    menu->setToolTipsVisible(true);
    if (fill)
        connect(menu, &QMenu::aboutToShow, this, fill);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateMenu(menu); });
}

QAction *QZAppDelegate::addCommand(QMenu *menu, const QString &titleKey,
                                   void (QZAppDelegate::*command)(), const QString &shownTitleKey)
{
    QString title = localizedString(titleKey);
    QAction *action =
        menu->addAction(shownTitleKey.isEmpty() ? title.replace(u'&', QStringLiteral("&&"))
                                                : localizedString(shownTitleKey));
    setKeyEquivalent(action, QString());
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, command);
    return action;
}

QString menuItemTitle(const QAction *item)
{
    // The title as shown: "&&" is a literal '&', a single '&' marks the mnemonic, and what follows
    // a tab is the key shown beside the title.
    const QString text = item->text();
    QString title;
    title.reserve(text.size());
    for (qsizetype i = 0; i < text.size() && text.at(i) != u'\t'; ++i) {
        if (text.at(i) == u'&') {
            if (i + 1 < text.size() && text.at(i + 1) == u'&')
                title.append(text.at(++i));
            continue;
        }
        title.append(text.at(i));
    }
    return title;
}

QString keyEquivalent(const QAction *item)
{
    return item->property("keyEquivalent").toString();
}

void setKeyEquivalent(QAction *item, const QString &key)
{
    item->setProperty("keyEquivalent", key);
}
