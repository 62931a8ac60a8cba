// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The table that binds hot keys to scripts: shortcut ID in decimal -> the script's full path,
// kept in appGlobals and changed in place. IDs 1 to 12 are F1 to F12, mouse buttons follow from
// "HotKeyFirstMouseButtonID"; the browser offers IDs 0 to HotKeyCount - 1.

#include "plistvalue.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

// The table in the store, or null when the store holds none (or something that is no table).
PlistDictionaryRef shortcutTable();

// The table key of an ID: its decimal form.
QString shortcutKey(qint64 shortcutID);

// The path bound to an ID, or the empty text when the ID is unbound.
QString scriptPathForShortcutID(qint64 shortcutID);

// The ID bound to path (the first in table order), or the default ID when none is.
qint64 shortcutIDForFullPath(const QString &path);

// Binds path to shortcutID: the ID's previous script loses it, and path loses every other ID.
// Then ShortcutTableChanges tells of it. A folder is refused (false, with a line in the process
// log): its key could be neither shown nor run.
bool assignShortcut(qint64 shortcutID, const QString &path);

// Whether path names a folder now (symbolic links followed).
bool isFolderPath(const QString &path);

// The table's entries whose path is a folder (kept from an older settings file), other than the
// no-shortcut ID: such keys are kept in the file but never armed.
QList<QPair<qint64, QString>> folderBindings();
// One line for each of them, for the user: the key does nothing, and why.
QStringList folderBindingNotes();
// "F5 moved from backup.sh to sync.sh."
QString keyMovedText(qint64 shortcutID, const QString &fromPath, const QString &toPath);

// Tells of every change that assignShortcut makes, from either window: some desktops must be
// told which keys Trundle wants (the shortcuts portal), and every browser shows the new keys.
class ShortcutTableChanges : public QObject
{
    Q_OBJECT

public:
    static ShortcutTableChanges *instance();

signals:
    void changed();
    // The paths whose key changed: the one that took it and those that lost one.
    void pathsChanged(const QStringList &paths);
    // A key went from one script to another.
    void keyMoved(qint64 shortcutID, const QString &fromPath, const QString &toPath);
};

// Read afresh from the text table on every call.
int hotKeyCount();
int defaultShortcutID();
qint64 firstMouseButtonID();
// The title shown for an ID ("F5", "Right Button"); "HotKeyNone" for folders.
QString titleForShortcutID(qint64 shortcutID);
QString noShortcutTitle();
