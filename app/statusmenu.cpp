// The tray icon, its menu, and the scripts submenu that mirrors the two script folders.

#include "qzappdelegate.h"

#include "log.h"
#include "notifier.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "scriptrunner.h"
#include "shell.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QSet>
#include <QSystemTrayIcon>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// A folder's identity on disk, to notice a symbolic link that leads back to a folder the walk
// is already inside.
struct FolderIdentity
{
    dev_t device;
    ino_t inode;
    bool operator==(const FolderIdentity &other) const = default;
};
size_t qHash(const FolderIdentity &id, size_t seed = 0)
{
    return qHashMulti(seed, quint64(id.device), quint64(id.inode));
}

// The folders on the path of the walk that is under way: set while updateMenu recurses.
QSet<FolderIdentity> *foldersBeingWalked = nullptr;

QString escapedMenuTitle(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

// Entry names of a folder in the order the file system gives them; empty when it cannot be
// listed. Names are decoded from the file-system encoding.
QStringList folderEntryNames(const QByteArray &folder)
{
    QStringList names;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.append(QFile::decodeName(name));
    }
    ::closedir(dir);
    return names;
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
    // Submenus are children of the menu, so clearing the actions alone would keep them alive.
    const QList<QMenu *> oldSubmenus =
        scriptsMenu->findChildren<QMenu *>(Qt::FindDirectChildrenOnly);
    scriptsMenu->clear();
    qDeleteAll(oldSubmenus);

    const QStringList folders = {QDir::homePath() + QStringLiteral("/Library/Scripts"),
                                 QStringLiteral("/Library/Scripts")};
    for (const QString &folder : folders) {
        QAction *item = scriptsMenu->addAction(escapedMenuTitle(folder));
        setKeyEquivalent(item, QString());
        QMenu *submenu = newMenu(scriptsMenu);
        item->setMenu(submenu);
        updateMenu(submenu, folder);
    }
    QZLog("Nurf.");
}

void QZAppDelegate::updateMenu(QMenu *menu, const QString &folderPath)
{
    const QByteArray encodedFolder = QFile::encodeName(folderPath);
    QSet<FolderIdentity> walkStart;
    const bool outermost = foldersBeingWalked == nullptr;
    if (outermost) {
        foldersBeingWalked = &walkStart;
        struct stat info;
        if (::stat(encodedFolder.constData(), &info) == 0)
            walkStart.insert({info.st_dev, info.st_ino});
    }

    const QStringList names = folderEntryNames(encodedFolder);
    QZLog("Searching path: %@", folderPath);
    for (const QString &name : names) {
        QZLog("Some file: %@", name);
        const QString fullPath = folderPath + u'/' + name;
        struct stat info;
        const bool exists = ::stat(QFile::encodeName(fullPath).constData(), &info) == 0;
        const bool isFolder = exists && S_ISDIR(info.st_mode);

        if (name.startsWith(u'.')) {
            QZLog("Found dot-file at: %@ (ignoring)", fullPath);
        } else if (!exists) {
            // A dangling link, or one that loops on itself: nothing there to run.
            QZLog("Found a link to nothing at: %@ (ignoring)", fullPath);
        } else if (isFolder) {
            const FolderIdentity identity{info.st_dev, info.st_ino};
            if (foldersBeingWalked->contains(identity)) {
                QZLog("Found a folder that leads back to one of its parents at: %@ (ignoring)",
                      fullPath);
                continue;
            }
            QZLog("Found folder at: %@", fullPath);
            QAction *item = menu->addAction(escapedMenuTitle(name));
            setKeyEquivalent(item, QString());
            QMenu *submenu = newMenu(menu);
            item->setMenu(submenu);
            foldersBeingWalked->insert(identity);
            updateMenu(submenu, fullPath);
            foldersBeingWalked->remove(identity);
        } else {
            QZLog("Found scriptfile at: %@", fullPath);
            QAction *item = menu->addAction(escapedMenuTitle(name));
            setKeyEquivalent(item, QString());
            item->setToolTip(fullPath);
            connect(item, &QAction::triggered, this, [this, item] { scriptMenuItemHit(item); });
        }
    }
    if (outermost)
        foldersBeingWalked = nullptr;
}

void QZAppDelegate::scriptMenuItemHit(QAction *item)
{
    QZLog("Start!");
    const QString path = item->toolTip();
    QZLog("Launching script: %@", path);
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
