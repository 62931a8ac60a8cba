// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One level of a script folder as the tray's scripts menu shows it: every entry sorted by name
// as the browser sorts it (nameOrder: natural, case-insensitive, folders among the scripts), each
// with the verdict of the menu's rules. The menu fills a folder's
// submenu from this each time the submenu opens; the rules live here, apart from the widgets.

#include <QList>
#include <QString>

#include <sys/types.h>

// A folder's identity on disk, to notice a symbolic link that leads back to a folder the menu is
// already inside.
struct FolderIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity &other) const = default;
};

// The folders a submenu is inside, from the root down: the cycle guard of lazy filling.
using FolderChain = QList<FolderIdentity>;

struct ScriptFolderEntry
{
    enum class Kind
    {
        DotFile,       // the name begins with "."; folders too, with all they hold
        LinkToNothing, // a dangling link, or one that loops on itself
        LeadsBack,     // a folder that is one of the folders the listed one is inside (or itself)
        Folder,        // a submenu
        Script         // a script item
    };

    // Texts that keep every byte of the name (fileNameText): names that are not UTF-8 stay
    // apart and lead back to their own files.
    QString name;
    QString fullPath;
    Kind kind = Kind::Script;
    // Of what the entry leads to, symbolic links followed; set for folders and links.
    FolderIdentity identity;
};

struct ScriptFolderListing
{
    // The chain a submenu of one of the entries is inside: the chain given, then the listed
    // folder itself (left out when the folder cannot be read).
    FolderChain chain;
    // Every entry but "." and ".."; empty when the folder cannot be listed.
    QList<ScriptFolderEntry> entries;
};

// Lists folderPath, whose enclosing folders (from the root down) are above.
ScriptFolderListing listScriptFolder(const QString &folderPath, const FolderChain &above);
