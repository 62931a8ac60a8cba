// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuttable.h"

#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"

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

void assignShortcut(qint64 shortcutID, const QString &path)
{
    const PlistDictionaryRef table = shortcutTable();
    if (!table) {
        QZLog("No shortcut table to assign %@ to.", path);
        return;
    }
    const QString key = shortcutKey(shortcutID);
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
    emit ShortcutTableChanges::instance()->changed();
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
