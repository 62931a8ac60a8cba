// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuttable.h"

#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

ShortcutTableChanges *ShortcutTableChanges::instance()
{
    static ShortcutTableChanges changes;
    return &changes;
}

PlistDictionaryRef shortcutTable()
{
    if (!appGlobals)
        return {};
    return appGlobals->objectForKey(kShortcutsSettingKey).dictionary();
}

QString shortcutKey(qint64 shortcutID)
{
    return QString::number(shortcutID);
}

QString scriptPathForShortcutID(qint64 shortcutID)
{
    const PlistDictionaryRef table = shortcutTable();
    if (!table)
        return {};
    return table->value(shortcutKey(shortcutID)).stringValue();
}

qint64 shortcutIDForFullPath(const QString &path)
{
    const PlistDictionaryRef table = shortcutTable();
    if (table) {
        for (auto it = table->cbegin(); it != table->cend(); ++it) {
            QZLog("key: %@", it.key());
            QZLog("path: %@", path);
            QZLog("object: %@", it.value());
            if (it.value().isString() && it.value().stringValue() == path) {
                QZLog("Found for key (==Shortcut-ID): %@", it.key());
                return integerValueOfText(it.key());
            }
        }
    }
    QZLog("Found nothing for key!");
    return defaultShortcutID();
}

bool isFolderPath(const QString &path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

bool assignShortcut(qint64 shortcutID, const QString &path)
{
    const PlistDictionaryRef table = shortcutTable();
    if (!table) {
        QZLog("No shortcut table to assign %@ to.", path);
        return false;
    }
    if (isFolderPath(path)) {
        processLog("Not binding %@ to %@: it is a folder, and only scripts can have a hot key.",
                   titleForShortcutID(shortcutID), path);
        return false;
    }
    const QString key = shortcutKey(shortcutID);
    QStringList changedPaths{path};
    const PlistValue previous = table->value(key);
    if (previous.isString() && previous.stringValue() != path)
        changedPaths.append(previous.stringValue());
    table->remove(key);
    for (auto it = table->begin(); it != table->end();) {
        QZLog("key: %@", it.key());
        QZLog("path: %@", path);
        QZLog("object: %@", it.value());
        if (it.value().isString() && it.value().stringValue() == path) {
            QZLog("Removing: %@ (key), %@ (object)", it.key(), it.value());
            it = table->erase(it);
        } else {
            ++it;
        }
    }
    table->insert(key, path);
    QZLog("shortcuts dict: %@", PlistValue(table));
    ShortcutTableChanges *changes = ShortcutTableChanges::instance();
    emit changes->changed();
    emit changes->pathsChanged(changedPaths);
    if (changedPaths.size() > 1 && shortcutID != defaultShortcutID())
        emit changes->keyMoved(shortcutID, changedPaths.at(1), path);
    return true;
}

QList<QPair<qint64, QString>> folderBindings()
{
    QList<QPair<qint64, QString>> found;
    const PlistDictionaryRef table = shortcutTable();
    if (!table)
        return found;
    const int none = defaultShortcutID();
    for (auto it = table->cbegin(); it != table->cend(); ++it) {
        const qint64 shortcutID = integerValueOfText(it.key());
        if (shortcutID != none && it.value().isString() && isFolderPath(it.value().stringValue()))
            found.append({shortcutID, it.value().stringValue()});
    }
    return found;
}

QStringList folderBindingNotes()
{
    QStringList notes;
    for (const auto &[shortcutID, path] : folderBindings())
        notes.append(localizedString(QStringLiteral("HotKeyFolderBinding"))
                         .arg(titleForShortcutID(shortcutID), path));
    return notes;
}

QString keyMovedText(qint64 shortcutID, const QString &fromPath, const QString &toPath)
{
    return localizedString(QStringLiteral("HotKeyMoved"))
        .arg(titleForShortcutID(shortcutID), QFileInfo(fromPath).fileName(),
             QFileInfo(toPath).fileName());
}

int hotKeyCount()
{
    return localizedInt(QStringLiteral("HotKeyCount"));
}

int defaultShortcutID()
{
    return localizedInt(QStringLiteral("HotKeyDefaultID"));
}

qint64 firstMouseButtonID()
{
    return localizedInteger(QStringLiteral("HotKeyFirstMouseButtonID"));
}

QString titleForShortcutID(qint64 shortcutID)
{
    return localizedString(localizedString(QStringLiteral("HotKeyPrefix")) +
                           QString::number(shortcutID));
}

QString noShortcutTitle()
{
    return localizedString(QStringLiteral("HotKeyNone"));
}
