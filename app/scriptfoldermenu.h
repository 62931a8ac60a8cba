// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A submenu of the tray's scripts menu that stands for one folder. It holds no entries until it
// is about to open; then QZAppDelegate::updateMenu fills it from the folder as it is at that
// moment. It knows the folders it is inside, so that a link back up is not offered again.

#include "scriptfolderlisting.h"

#include <QMenu>

class ScriptFolderMenu : public QMenu
{
    Q_OBJECT

public:
    ScriptFolderMenu(const QString &folderPath, const FolderChain &above, QWidget *parent)
        : QMenu(parent), m_folderPath(folderPath), m_above(above)
    {}

    const QString &folderPath() const { return m_folderPath; }
    // The folders this one is inside, from the root down (not the folder itself).
    const FolderChain &above() const { return m_above; }

private:
    QString m_folderPath;
    FolderChain m_above;
};
