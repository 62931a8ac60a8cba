// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlinekeyboard.h"

#include "filebrowserdatasource.h"
#include "filesystemitem.h"
#include "log.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTreeView>

namespace {
// The model column of the hot keys.
constexpr int shortcutsColumn = 1;
} // namespace

OutlineKeyboard *OutlineKeyboard::install(QTreeView *view, FileBrowserDataSource *ds)
{
    if (!view)
        return nullptr;
    // Once per view, whoever asks.
    if (auto *existing = view->findChild<OutlineKeyboard *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new OutlineKeyboard(view, ds);
}

OutlineKeyboard::OutlineKeyboard(QTreeView *view, FileBrowserDataSource *ds)
    : QObject(view), m_view(view), m_dataSource(ds)
{
    // Tab moves the focus on to the next widget rather than from cell to cell.
    view->setTabKeyNavigation(false);
    view->installEventFilter(this);
}

bool OutlineKeyboard::openShortcutPopUp(QTreeView *view)
{
    const QModelIndex current = view ? view->currentIndex() : QModelIndex();
    if (!current.isValid())
        return false;
    const QModelIndex cell = current.siblingAtColumn(shortcutsColumn);
    if (!(cell.flags() & Qt::ItemIsEditable))
        return false;
    view->edit(cell);
    return true;
}

bool OutlineKeyboard::runOrToggleCurrentRow()
{
    const QModelIndex current = m_view->currentIndex().siblingAtColumn(0);
    FileSystemItem *item = m_dataSource ? m_dataSource->itemForIndex(current) : nullptr;
    if (!item)
        return false;
    if (m_view->model()->hasChildren(current)) {
        m_view->setExpanded(current, !m_view->isExpanded(current));
        return true;
    }
    // The double click's road: the selected row, after bringing back the application used
    // before Trundle.
    QZLog("Enter on %@", item->fullPath());
    m_dataSource->doubleClickAction();
    return true;
}

bool OutlineKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // An open editor has the focus and its own keys; a key it leaves comes up to the view too,
    // and is not the view's. F2 opens the list of an open pop-up again, as Space does.
    if (!m_view->hasFocus()) {
        auto *comboBox = qobject_cast<QComboBox *>(QApplication::focusWidget());
        if (key->key() != Qt::Key_F2 || !comboBox || !m_view->isAncestorOf(comboBox))
            return false;
        comboBox->showPopup();
        return true;
    }
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return runOrToggleCurrentRow();
    case Qt::Key_F2:
    case Qt::Key_Space:
        return openShortcutPopUp(m_view);
    default:
        return false;
    }
}
