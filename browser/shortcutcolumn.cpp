// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts column of FileBrowserDataSource (its editing and the preparation of both columns'
// cells before a row draws) and the hot-key lookup by path.

#include "filebrowserdatasource.h"

#include "filesystemitem.h"
#include "imageandtextcell.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "shortcutpopupcell.h"
#include "shortcuttable.h"

#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QTreeView>

#include <sys/stat.h>

// In the open pop-up, a key that is taken names the script that holds it ("F5 — backup.sh"),
// so moving it is no surprise; one bound to a script that is gone says so, rather than the key
// failing unnoticed when pressed.
static QString takenKeyNote(int shortcutID, const QString &title)
{
    if (shortcutID == defaultShortcutID())
        return {};
    const QString path = scriptPathForShortcutID(shortcutID);
    if (path.isEmpty())
        return {};
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return localizedString(QStringLiteral("HotKeyScriptMissing")).arg(title, path);
    return localizedString(QStringLiteral("HotKeyTakenBy")).arg(title, QFileInfo(path).fileName());
}

bool FileBrowserDataSource::canHaveShortcut(FileSystemItem *item)
{
    // Scripts only: a root row, or a folder (empty ones too), could hold a key that is neither
    // shown nor run.
    return item && item->parent() && item->numberOfChildren() < 0;
}

qint64 FileBrowserDataSource::shortcutForFullPath(const QString &path)
{
    const qint64 result = shortcutIDForFullPath(path);
    QZLog("Returning r: %@", PlistValue(result));
    return result;
}

bool FileBrowserDataSource::shouldEditTableColumn(const QString &tableColumn, FileSystemItem *item)
{
    if (tableColumn == shortcutsColumnIdentifier)
        return canHaveShortcut(item);
    if (tableColumn != foldersColumnIdentifier)
        QZLog("Error: Unknown colum: %@", tableColumn);
    return false;
}

// The shortcut ID an edit carries: a whole number, or a text that is one.
static std::optional<qint64> shortcutIDOfValue(const PlistValue &value)
{
    if (value.kind() == PlistValue::Kind::Integer)
        return value.integerValue();
    if (value.kind() == PlistValue::Kind::Real &&
        value.realValue() == double(qint64(value.realValue())))
        return qint64(value.realValue());
    if (value.isString()) {
        bool ok = false;
        const qint64 id = value.stringValue().trimmed().toLongLong(&ok);
        if (ok)
            return id;
    }
    return std::nullopt;
}

void FileBrowserDataSource::setObjectValue(const PlistValue &object, const QString &tableColumn,
                                           FileSystemItem *item)
{
    QZLog("Setting value: %@ (class: %@) for item class: %@ in column: %@", object,
          PlistValue(object.isNull() ? QStringLiteral("nil") : QStringLiteral("PlistValue")),
          PlistValue(item ? QStringLiteral("FileSystemItem") : QStringLiteral("nil")), tableColumn);
    if (tableColumn == shortcutsColumnIdentifier) {
        QZLog("Editing column %@.", tableColumn);
        const std::optional<qint64> shortcutID = shortcutIDOfValue(object);
        if (!shortcutID) {
            processLog("Not binding a hot key: %@ is not a shortcut ID.", object);
            return;
        }
        if (!item) {
            processLog("Not binding hot key %d: the row has no script.", *shortcutID);
            return;
        }
        if (!canHaveShortcut(item)) {
            processLog("Not binding hot key %d to %@: only scripts can have a hot key.",
                       *shortcutID, item->fullPath());
            return;
        }
        if (!assignShortcut(*shortcutID, item->fullPath()))
            return;
        // Saved at once, from either window: a binding must survive whatever ends the program
        // before it quits (the X server going away, a crash, a killed session).
        if (appGlobals)
            appGlobals->save();
        // Every browser's rows follow through ShortcutTableChanges (FileBrowserModel).
    } else if (tableColumn == foldersColumnIdentifier) {
        QZLog("Warning: The column %@ is not meant to be edited.", tableColumn);
    } else {
        QZLog("Error: Unknown column: %@", tableColumn);
    }
}

QIcon FileBrowserDataSource::iconForItem(FileSystemItem *item, bool leaf) const
{
    // The icon of the file itself (its type's icon from the icon theme, found by name or
    // contents), asked afresh each time; bench_browser_open measures this at about 4 µs a row.
    const QString &path = item->fullPath();
    if (leaf) {
        QZLog("itemFullPath (fullPath): %@", path);
        QZLog("Leaf: Getting file-icon image for: %@", path);
    } else if (path == QLatin1String("/")) {
        QZLog("Not leaf: Getting NSComputer-icon image for: %@", path);
        return m_iconProvider->icon(QFileIconProvider::Computer);
    } else {
        QZLog("Not leaf: Getting file-icon image for: %@", path);
    }
    const QFileInfo info(path);
    QIcon icon = m_iconProvider->icon(info);
    // A path that is gone (a root folder that does not exist) still gets a generic icon.
    if (icon.isNull())
        icon = m_iconProvider->icon(leaf && !info.isDir() ? QFileIconProvider::File
                                                          : QFileIconProvider::Folder);
    return icon;
}

void FileBrowserDataSource::willDisplayCell(QAbstractItemDelegate *cell, const QString &tableColumn,
                                            FileSystemItem *item)
{
    QZLog("WillDisplayCell: column: %@, cell class: %@ (p: %p), the cell's associated item "
          "class: %@ (%p)",
          tableColumn, PlistValue(cell ? cell->metaObject()->className() : "nil"),
          static_cast<const void *>(cell), PlistValue(item ? "FileSystemItem" : "nil"),
          static_cast<const void *>(item));
    if (tableColumn == shortcutsColumnIdentifier) {
        auto *popUp = qobject_cast<ShortcutPopUpCell *>(cell);
        if (!popUp) {
            QZLog("The shortcuts cell is no pop-up; nothing to prepare.");
        } else if (item && item->isLeaf()) {
            QZLog("LEAF-NODE (kein Folder)! -> Checken, ob die cell schon ein aktuelles Menu "
                  "hat...");
            popUp->setUsesItemFromMenu(true);
            popUp->setItemNote(takenKeyNote);
            QZLog("menu p: %p", static_cast<const void *>(popUp->hasMenu() ? popUp : nullptr));
            const QString countText = localizedString(QStringLiteral("HotKeyCount"));
            const int count = hotKeyCount();
            QZLog("hotkeysCountString: %@", countText);
            QZLog("hotkeysCount: %i", count);
            QZLog("[menu numberOfItems]: %i", popUp->numberOfItems());
            if (!popUp->hasMenu()) {
                QZLog("Menu is nil.");
                popUp->setMenu({});
                QZLog("menu p: %p", static_cast<const void *>(popUp));
                QZLog("Menu has been created.");
            }
            if (popUp->numberOfItems() < count) {
                QZLog("Menu must be updated!");
                popUp->removeAllItems();
                for (int i = 0; i < count; ++i)
                    popUp->addItemWithTitle(titleForShortcutID(i));
                QZLog("[menu numberOfItems]: %i", popUp->numberOfItems());
                QZLog("Menu has been updated.");
            } else {
                QZLog("Menu is already up-to-date!");
            }
            const QString title = titleForShortcutID(shortcutForFullPath(item->fullPath()));
            QZLog("shortCutString: %@", title);
            popUp->selectItemWithTitle(title);
        } else {
            QZLog("Folder... (no LEAF)");
            const QString title = noShortcutTitle();
            QZLog("shortCutString: %@", title);
            popUp->selectItemWithTitle(title);
        }
    } else if (tableColumn == foldersColumnIdentifier) {
        // Only a cell that draws icons gets one; any other cell is left alone.
        if (auto *imageCell = qobject_cast<ImageAndTextCell *>(cell)) {
            if (item)
                item->setNodeIcon(iconForItem(item, !item->isFolder()));
            imageCell->setImage(item ? item->nodeIcon() : QIcon());
        }
    } else {
        QZLog("I don't know the column with identifier: \"%@\"", tableColumn);
    }
    QZLog("Done");
}
