// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon, its menu, and the scripts submenu that mirrors the two script folders.

#include "qzappdelegate.h"

#include "filebrowserdatasource.h"
#include "filenamebytes.h"
#include "log.h"
#include "notifier.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "scriptfoldermenu.h"
#include "scriptrunner.h"
#include "shell.h"

#include "shortcuttable.h"
#include "trayhostwatcher.h"

#include <QAction>
#include <QDBusConnection>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include <algorithm>
#include <array>

namespace {

QString escapedMenuTitle(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

// The tray image with a green disc and a white triangle over its lower right quarter: a script
// runs.
QIcon runningImage(QPixmap image)
{
    if (image.isNull())
        return {};
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(image.width(), image.height()) * 0.55;
    const QRectF disc(image.width() - side, image.height() - side, side, side);
    painter.setPen(QPen(Qt::white, side / 10));
    painter.setBrush(QColor(0x2e, 0x9e, 0x3e));
    painter.drawEllipse(disc.adjusted(side / 20, side / 20, -side / 20, -side / 20));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QPointF c = disc.center();
    const qreal r = side / 4;
    const std::array<QPointF, 3> triangle = {QPointF(c.x() - r * 0.6, c.y() - r),
                                             QPointF(c.x() - r * 0.6, c.y() + r),
                                             QPointF(c.x() + r, c.y())};
    painter.drawPolygon(triangle.data(), static_cast<int>(triangle.size()));
    painter.end();
    return QIcon(image);
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
    QZLog("Creating new status menu...");
    QMenu *statusMenu = newMenu();
    statusMenu->setParent(nullptr);
    connect(this, &QObject::destroyed, statusMenu, &QObject::deleteLater);
    appGlobals->setObject(statusMenu, kStatusMenuKey);

    // First the way back to the browser, then the running script's Stop while one runs.
    QAction *showItem =
        statusMenu->addAction(localizedString(QStringLiteral("TrayMenuShowBrowser")));
    connect(showItem, &QAction::triggered, this, &QZAppDelegate::showBrowserWindow);
    _stopItem = statusMenu->addAction(QString());
    _stopItem->setVisible(false);
    connect(_stopItem, &QAction::triggered, this, [] { ScriptRunner::shared()->stopCurrentRun(); });
    statusMenu->addSeparator();

    QZLog("Creating new scripts menu item...");
    QAction *scriptsItem =
        statusMenu->addAction(localizedString(QStringLiteral("TrayMenuScripts")));
    scriptsItem->setEnabled(true);

    QZLog("Creating new scripts menu...");
    QMenu *scriptsMenu = newMenu(statusMenu);
    appGlobals->setObject(scriptsMenu, kStatusMenuScriptsSubMenuKey);
    scriptsItem->setMenu(scriptsMenu);

    QZLog("Creating divider item...");
    statusMenu->addSeparator();
    QZLog("Creating new preferences menu item...");
    addCommand(statusMenu, QStringLiteral("MenuPreferences"), &QZAppDelegate::openPreferencesWindow,
               QStringLiteral("TrayMenuPreferences"));
    QZLog("Creating new about menu item...");
    addCommand(statusMenu, QStringLiteral("MenuAbout"), &QZAppDelegate::openAboutWindow,
               QStringLiteral("TrayMenuAbout"));
    QZLog("Creating new quit menu item...");
    statusMenu->addSeparator();
    addCommand(statusMenu, QStringLiteral("MenuQuit"), &QZAppDelegate::quit,
               QStringLiteral("TrayMenuQuit"));

    const QString imagePath = imageResourcePath(QStringLiteral("Icon_coloured.png"));
    _trayImage = imagePath.isEmpty() ? QIcon() : QIcon(imagePath);
    if (_trayImage.isNull())
        QZLog("image path nil!");
    else
        _trayRunningImage = runningImage(QPixmap(imagePath));
    const QString alternatePath = imageResourcePath(QStringLiteral("Icon_coloured_selected.png"));
    _trayAlternateImage = alternatePath.isEmpty() ? QIcon() : QIcon(alternatePath);
    if (_trayAlternateImage.isNull())
        QZLog("alternate image path nil!");
    // The highlighted image while the menu is open, where Qt draws the menu: only then do both
    // its opening and its closing arrive (a panel that draws the menu itself tells of the
    // opening, and waybar never of the closing).
    connect(statusMenu, &QMenu::aboutToShow, this, [this] {
        _trayMenuOpen = true;
        showTrayState();
    });
    connect(statusMenu, &QMenu::aboutToHide, this, [this] {
        _trayMenuOpen = false;
        showTrayState();
    });
    ScriptRunner *runner = ScriptRunner::shared();
    connect(runner, &ScriptRunner::runStarted, this, &QZAppDelegate::showTrayState);
    connect(runner, &ScriptRunner::runFinished, this, &QZAppDelegate::showTrayState);
    connect(runner, &ScriptRunner::idle, this, &QZAppDelegate::showTrayState);

    // The icon is made once a tray is there: Qt decides how to show it when it is made.
    _trayHosts = std::make_unique<platform::TrayHostWatcher>(
        QDBusConnection::sessionBus(), QGuiApplication::platformName() == QLatin1String("xcb"));
    connect(_trayHosts.get(), &platform::TrayHostWatcher::hostAppeared, this,
            &QZAppDelegate::makeTrayIcon);
    if (_trayHosts->hostPresent())
        makeTrayIcon();
    else
        processLog("No system tray is running yet; Trundle's icon appears as soon as one starts.");
    QZLog("Ende!");
}

void QZAppDelegate::makeTrayIcon()
{
    auto *menu = qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuKey).object());
    if (!menu)
        return;
    // Made anew for each tray that appears: an icon made before knows only the tray of then.
    delete qobject_cast<QSystemTrayIcon *>(appGlobals->objectForKey(kStatusItemKey).object());
    if (!_trayIconMade) {
        // Qt settles the way for the whole run with the first icon: through the status-notifier
        // host if one is registered then, else by XEmbed.
        _trayIconMade = true;
        _statusNotifierTrayChosen = _trayHosts && _trayHosts->statusNotifierHostPresent();
    }
    _trayDrawsMenu = !_statusNotifierTrayChosen;
    QZLog("Making the tray icon (the menu drawn by %@)",
          _trayDrawsMenu ? QStringLiteral("Trundle") : QStringLiteral("the panel"));
    auto *statusItem = new QSystemTrayIcon(this);
    appGlobals->setObject(statusItem, kStatusItemKey);
    platform::Notifier::setTrayIcon(statusItem);
    statusItem->setContextMenu(menu);
    connect(statusItem, &QSystemTrayIcon::activated, this,
            [this, statusItem, menu](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    showBrowserWindow();
                } else if (reason == QSystemTrayIcon::Context) {
                    // Qt opens the menu itself on a right click in an XEmbed tray, and a
                    // panel with the exported menu draws it; a panel that only asks for it
                    // gets it at the icon, where the icon's place is known.
                    QMetaObject::invokeMethod(
                        this,
                        [statusItem, menu] {
                            const QRect at = statusItem->geometry();
                            if (!menu->isVisible() && at.isValid())
                                menu->popup(at.bottomLeft());
                        },
                        Qt::QueuedConnection);
                }
            });
    showTrayState();
    statusItem->show();
}

void QZAppDelegate::showTrayState()
{
    auto *statusItem =
        qobject_cast<QSystemTrayIcon *>(appGlobals->objectForKey(kStatusItemKey).object());
    const ScriptRunner *runner = ScriptRunner::shared();
    const QString running = runner->isRunning()
                                ? displayedFileName(QFileInfo(runner->currentPath()).fileName())
                                : QString();
    if (_stopItem) {
        _stopItem->setVisible(!running.isEmpty());
        _stopItem->setText(
            localizedString(QStringLiteral("TrayMenuStop")).arg(escapedMenuTitle(running)));
    }
    if (!statusItem)
        return;
    if (_trayMenuOpen && _trayDrawsMenu && !_trayAlternateImage.isNull())
        statusItem->setIcon(_trayAlternateImage);
    else if (!running.isEmpty() && !_trayRunningImage.isNull())
        statusItem->setIcon(_trayRunningImage);
    else if (!_trayImage.isNull())
        statusItem->setIcon(_trayImage);
    statusItem->setToolTip(
        running.isEmpty() ? QStringLiteral("Trundle")
                          : localizedString(QStringLiteral("TrayToolTipRunning")).arg(running));
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
    const QStringList folders = {FileBrowserDataSource::userScriptsFolderPath(),
                                 FileBrowserDataSource::machineScriptsFolderPath()};
    for (const QString &folder : folders)
        addFolderItem(scriptsMenu, FileBrowserDataSource::pathAsShown(folder), folder,
                      FolderChain());
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
    // The hot keys by path, read once for the whole folder.
    QHash<QString, qint64> hotKeys;
    for (qint64 id = hotKeyCount() - 1; id >= 0; --id) {
        if (id == defaultShortcutID())
            continue;
        const QString bound = scriptPathForShortcutID(id);
        if (!bound.isEmpty())
            hotKeys.insert(bound, id); // the lowest ID wins, as in shortcutIDForFullPath
    }
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
            showScriptItem(nextItem(), entry, hotKeys.value(entry.fullPath, -1));
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

void QZAppDelegate::showScriptItem(QAction *item, const ScriptFolderEntry &entry, qint64 hotKey)
{
    if (QMenu *submenu = item->menu()) {
        item->setMenu(nullptr);
        submenu->deleteLater();
    }
    // A name that is not UTF-8 shows its odd bytes escaped; the item runs the file by its bytes.
    // The hot key after a tab: Qt's menu puts it at the right edge, where shortcuts go, and a
    // panel drawing the exported menu shows it after a gap.
    QString title = escapedMenuTitle(displayedFileName(entry.name));
    if (hotKey >= 0)
        title += u'\t' + titleForShortcutID(hotKey);
    item->setText(title);
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
