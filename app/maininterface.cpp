// SPDX-License-Identifier: GPL-3.0-or-later
#include "maininterface.h"

#include "browserwindow.h"
#include "filebrowserdatasource.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "scriptactions.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

// Tells the controller when the browser window becomes the active window.
class KeyWindowWatcher : public QObject
{
public:
    KeyWindowWatcher(QZAppDelegate *delegate, QObject *parent)
        : QObject(parent), m_delegate(delegate)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate)
            m_delegate->windowBecameKey();
        return QObject::eventFilter(watched, event);
    }

private:
    QZAppDelegate *m_delegate;
};

// title is a text table entry whose '&' marks the item's mnemonic.
QAction *addMenuCommand(QMenu *menu, const QString &title, const QString &key,
                        const QKeySequence &shortcut, QZAppDelegate *delegate,
                        void (QZAppDelegate::*command)())
{
    QAction *action = menu->addAction(title);
    setKeyEquivalent(action, key);
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, delegate, command);
    return action;
}

void validateOnShow(QMenu *menu, QZAppDelegate *delegate)
{
    QObject::connect(menu, &QMenu::aboutToShow, delegate, [menu, delegate] {
        for (QAction *action : menu->actions())
            if (!action->isSeparator() && !action->menu())
                action->setEnabled(delegate->validateMenuItem(action));
    });
}

// Returns the File menu.
QMenu *buildMenuBar(BrowserWindow *window, QZAppDelegate *delegate)
{
    QMenuBar *bar = window->menuBar();

    QMenu *appMenu = bar->addMenu(QStringLiteral("&Trundle"));
    addMenuCommand(appMenu, localizedString(QStringLiteral("MenuBarAbout")), QString(), {},
                   delegate, &QZAppDelegate::openAboutWindow);
    addMenuCommand(appMenu, localizedString(QStringLiteral("MenuBarPreferences")),
                   QStringLiteral(","), QKeySequence::Preferences, delegate,
                   &QZAppDelegate::openPreferencesWindow);
    appMenu->addSeparator();
    addMenuCommand(appMenu, localizedString(QStringLiteral("MenuBarQuit")), QStringLiteral("q"),
                   QKeySequence::Quit, delegate, &QZAppDelegate::quit);
    validateOnShow(appMenu, delegate);

    QMenu *fileMenu = bar->addMenu(localizedString(QStringLiteral("MenuFile")));
    addMenuCommand(fileMenu, localizedString(QStringLiteral("MenuPageSetup")), QStringLiteral("P"),
                   QKeySequence(QStringLiteral("Ctrl+Shift+P")), delegate,
                   &QZAppDelegate::openPageSetupDialog);
    // There is nothing to print; the item is shown, and disabled by menu validation.
    QAction *print = fileMenu->addAction(localizedString(QStringLiteral("MenuPrint")));
    setKeyEquivalent(print, QStringLiteral("p"));
    print->setEnabled(false);
    fileMenu->addSeparator();
    QAction *close = fileMenu->addAction(localizedString(QStringLiteral("MenuCloseWindow")));
    setKeyEquivalent(close, QStringLiteral("w"));
    close->setShortcut(QKeySequence::Close);
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    validateOnShow(fileMenu, delegate);
    return fileMenu;
}

} // namespace

MainInterface loadMainInterface(QZAppDelegate *delegate)
{
    MainInterface ui;
    ui.window = new BrowserWindow;
    ui.window->setAttribute(Qt::WA_DeleteOnClose, false);
    ui.dataSource = new FileBrowserDataSource(delegate);
    connectDataSource(ui.dataSource, ui.window);
    QMenu *fileMenu = buildMenuBar(ui.window, delegate);
    auto *actions = new ScriptActions(ui.dataSource, ui.window);
    actions->addFileMenuItems(fileMenu);
    ui.window->installEventFilter(new KeyWindowWatcher(delegate, ui.window));

    delegate->setWindow(ui.window);
    delegate->setDs(ui.dataSource);
    ui.dataSource->awakeFromNib();
    return ui;
}
