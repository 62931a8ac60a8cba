// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon, its menu, and the scripts submenu that mirrors the two script folders.

#include "qzappdelegate.h"

#include "filenamebytes.h"
#include "log.h"
#include "notifier.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "scriptfoldermenu.h"
#include "scriptrunner.h"
#include "shell.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

QString escapedMenuTitle(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

// Empties a folder's submenu. Its own submenus go once control is back in the event loop: the
// menu that opens is the one being emptied, and Qt may still point at a submenu it showed last.
void removeScriptItems(QMenu *menu)
{
    QList<QMenu *> submenus;
    for (const QAction *action : menu->actions())
        if (QMenu *submenu = action->menu())
            submenus.append(submenu);
    menu->clear();
    for (QMenu *submenu : submenus)
        submenu->deleteLater();
}

} // namespace

void QZAppDelegate::initStatusMenu()
{
    QZLog("Start!");
    auto *statusItem = new QSystemTrayIcon(this);
    appGlobals->setObject(statusItem, kStatusItemKey);
    platform::Notifier::setTrayIcon(statusItem);

    QZLog("Creating new status menu...");
    QMenu *statusMenu = newMenu();
    statusMenu->setParent(nullptr);
    connect(this, &QObject::destroyed, statusMenu, &QObject::deleteLater);
    appGlobals->setObject(statusMenu, kStatusMenuKey);

    QZLog("Creating new scripts menu item...");
    QAction *scriptsItem = statusMenu->addAction(
        escapedMenuTitle(localizedString(QStringLiteral("MenuScriptsSubMenu"))));
    scriptsItem->setEnabled(true);

    QZLog("Creating new scripts menu...");
    QMenu *scriptsMenu = newMenu(statusMenu);
    appGlobals->setObject(scriptsMenu, kStatusMenuScriptsSubMenuKey);
    scriptsItem->setMenu(scriptsMenu);

    QZLog("Creating divider item...");
    statusMenu->addSeparator();
    QZLog("Creating new preferences menu item...");
    addCommand(statusMenu, QStringLiteral("MenuPreferences"),
               &QZAppDelegate::openPreferencesWindow);
    QZLog("Creating new about menu item...");
    addCommand(statusMenu, QStringLiteral("MenuAbout"), &QZAppDelegate::openAboutWindow);
    QZLog("Creating new quit menu item...");
    statusMenu->addSeparator();
    addCommand(statusMenu, QStringLiteral("MenuQuit"), &QZAppDelegate::quit);

    statusItem->setContextMenu(statusMenu);
    // A left click opens the same menu, as a click on a menu-bar item would.
    connect(statusItem, &QSystemTrayIcon::activated, statusMenu,
            [statusMenu](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    statusMenu->popup(QCursor::pos());
            });

    const QString imagePath = imageResourcePath(QStringLiteral("Icon_coloured.png"));
    const QIcon image = imagePath.isEmpty() ? QIcon() : QIcon(imagePath);
    if (!image.isNull())
        statusItem->setIcon(image);
    else
        QZLog("image path nil!");

    const QString alternatePath = imageResourcePath(QStringLiteral("Icon_coloured_selected.png"));
    const QIcon alternateImage = alternatePath.isEmpty() ? QIcon() : QIcon(alternatePath);
    if (!alternateImage.isNull()) {
        // The highlighted image is shown while the menu is open.
        connect(statusMenu, &QMenu::aboutToShow, statusItem,
                [statusItem, alternateImage] { statusItem->setIcon(alternateImage); });
        connect(statusMenu, &QMenu::aboutToHide, statusItem,
                [statusItem, image] { statusItem->setIcon(image); });
    } else {
        QZLog("alternate image path nil!");
    }
    statusItem->setToolTip(QStringLiteral("Trundle"));
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        processLog("No system tray is running yet; Trundle's icon appears as soon as one starts.");
    statusItem->show();
    QZLog("Ende!");
}

void QZAppDelegate::updateScriptsMenu()
{
    QZLog("Narf.");
    auto *scriptsMenu =
        qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuScriptsSubMenuKey).object());
    if (!scriptsMenu)
        return;
    removeScriptItems(scriptsMenu);

    // Nothing is listed here: each folder's submenu lists its folder when it is about to open.
    const QStringList folders = {QDir::homePath() + QStringLiteral("/Library/Scripts"),
                                 QStringLiteral("/Library/Scripts")};
    for (const QString &folder : folders)
        addFolderItem(scriptsMenu, folder, folder, FolderChain());
    QZLog("Nurf.");
}

QAction *QZAppDelegate::addFolderItem(QMenu *menu, const QString &title, const QString &folderPath,
                                      const FolderChain &above)
{
    QAction *item = menu->addAction(escapedMenuTitle(title));
    setKeyEquivalent(item, QString());
    item->setMenu(newFolderMenu(menu, folderPath, above));
    return item;
}

QMenu *QZAppDelegate::newFolderMenu(QWidget *parent, const QString &folderPath,
                                    const FolderChain &above)
{
    auto *menu = new ScriptFolderMenu(folderPath, above, parent);
    setUpMenu(menu, [this, menu] { updateMenu(menu, menu->folderPath(), menu->above()); });
    return menu;
}

void QZAppDelegate::updateMenu(QMenu *menu, const QString &folderPath, const FolderChain &above)
{
    const ScriptFolderListing listing = listScriptFolder(folderPath, above);
    QZLog("Searching path: %@", folderPath);
    // The items of the last filling are used again, in order, so that filling an unchanged
    // folder again changes nothing: Qt adds and removes a menu's items one at a time, each time
    // searching all of them, which made refilling a folder of 10,000 scripts slow.
    const QList<QAction *> previous = menu->actions();
    qsizetype reused = 0;
    QList<QAction *> added;
    const auto nextItem = [&]() -> QAction * {
        if (reused < previous.size())
            return previous.at(reused++);
        added.append(newScriptItem(menu));
        return added.last();
    };
    for (const ScriptFolderEntry &entry : listing.entries) {
        QZLog("Some file: %@", entry.name);
        switch (entry.kind) {
        case ScriptFolderEntry::Kind::DotFile:
            QZLog("Found dot-file at: %@ (ignoring)", entry.fullPath);
            break;
        case ScriptFolderEntry::Kind::LinkToNothing:
            QZLog("Found a link to nothing at: %@ (ignoring)", entry.fullPath);
            break;
        case ScriptFolderEntry::Kind::LeadsBack:
            QZLog("Found a folder that leads back to one of its parents at: %@ (ignoring)",
                  entry.fullPath);
            break;
        case ScriptFolderEntry::Kind::Folder:
            QZLog("Found folder at: %@", entry.fullPath);
            showFolderItem(nextItem(), entry, listing.chain);
            break;
        case ScriptFolderEntry::Kind::Script:
            QZLog("Found scriptfile at: %@", displayedFileName(entry.fullPath));
            showScriptItem(nextItem(), entry);
            break;
        }
    }
    for (qsizetype i = reused; i < previous.size(); ++i) {
        if (QMenu *submenu = previous.at(i)->menu())
            submenu->deleteLater();
        delete previous.at(i);
    }
    menu->addActions(added);
}

QAction *QZAppDelegate::newScriptItem(QMenu *menu)
{
    // No key equivalent is stored: an item without one reads as the empty one, and storing it
    // costs time in a folder of thousands.
    auto *item = new QAction(menu);
    connect(item, &QAction::triggered, this, [this, item] {
        // A folder item that is triggered (a tray that exports the menu may do so) runs nothing.
        if (!item->menu())
            scriptMenuItemHit(item);
    });
    return item;
}

void QZAppDelegate::showScriptItem(QAction *item, const ScriptFolderEntry &entry)
{
    if (QMenu *submenu = item->menu()) {
        item->setMenu(nullptr);
        submenu->deleteLater();
    }
    // A name that is not UTF-8 shows its odd bytes escaped; the item runs the file by its bytes.
    item->setText(escapedMenuTitle(displayedFileName(entry.name)));
    item->setToolTip(displayedFileName(entry.fullPath));
    item->setData(fileNameBytes(entry.fullPath));
}

void QZAppDelegate::showFolderItem(QAction *item, const ScriptFolderEntry &entry,
                                   const FolderChain &above)
{
    item->setText(escapedMenuTitle(displayedFileName(entry.name)));
    item->setToolTip(QString());
    auto *submenu = qobject_cast<ScriptFolderMenu *>(item->menu());
    if (submenu && submenu->folderPath() == entry.fullPath && submenu->above() == above)
        return;
    if (submenu) {
        item->setMenu(nullptr);
        submenu->deleteLater();
    }
    item->setMenu(newFolderMenu(qobject_cast<QWidget *>(item->parent()), entry.fullPath, above));
}

void QZAppDelegate::scriptMenuItemHit(QAction *item)
{
    QZLog("Start!");
    const QString path = fileNameText(item->data().toByteArray());
    QZLog("Launching script: %@", displayedFileName(path));
    // No panel and nothing brought to the front: a script chosen from the menu just runs, after
    // whatever runs already.
    ScriptLaunch launch;
    launch.path = path;
    launch.road = LaunchRoad::Menu;
    launch.context = this;
    launch.didEnd = [this](const ScriptRunResult &result) {
        scriptMenuItemDidRun(result);
    };
    ScriptRunner::shared()->launch(std::move(launch));
}

void QZAppDelegate::scriptMenuItemDidRun(const ScriptRunResult &result)
{
    QZLog("%@\n%@", scriptResultHeading(result.path),
          result.lines ? PlistValue::fromStringList(*result.lines) : PlistValue());
}
