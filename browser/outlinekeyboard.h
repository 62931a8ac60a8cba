// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keys of a script browser's outline view, the same in every window that has one: Enter
// (and keypad Enter) runs the selected script the way a double click does, bringing back the
// application used before; on a folder it opens or closes the folder. F2 and the space bar open
// the current row's hot-key pop-up. Tab is left to the window: it leaves the view.

#include "filebrowserdatasource.h"

#include <QObject>
#include <QPointer>

class QTreeView;

class OutlineKeyboard : public QObject
{
    Q_OBJECT

public:
    // Installs itself on view, which owns it; ds runs the scripts.
    static OutlineKeyboard *install(QTreeView *view, FileBrowserDataSource *ds);

    // Opens the hot-key pop-up of the view's current row; false when that row offers none.
    static bool openShortcutPopUp(QTreeView *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    OutlineKeyboard(QTreeView *view, FileBrowserDataSource *ds);
    bool runOrToggleCurrentRow();

    QTreeView *m_view;
    QPointer<FileBrowserDataSource> m_dataSource;
};
