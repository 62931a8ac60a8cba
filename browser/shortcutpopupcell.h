// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The shortcuts column's cell: a pop-up of the hot-key IDs the user can choose, one menu shared
// by every row. The data source builds the menu once and selects the row's item by title just
// before the row draws (FileBrowserDataSource::willDisplayCell).
//
// Each row shows its key as text ("F5", or nothing). A click on it, F2 or the space bar opens a
// combo box (the editor) with its list already open; picking an item writes the item's index,
// the shortcut ID, to the model. Picking the left button asks first: it fires at every left
// click.

#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>

class QComboBox;

class ShortcutPopUpCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ShortcutPopUpCell(QObject *parent = nullptr);

    // The menu: absent until created, then a list of item titles.
    bool hasMenu() const { return m_hasMenu; }
    void setMenu(const QStringList &titles);
    const QStringList &menuItems() const { return m_items; }
    qsizetype numberOfItems() const { return m_items.size(); }
    void removeAllItems();
    void addItemWithTitle(const QString &title);

    // Selects the first item with that title; no such item leaves nothing selected.
    void selectItemWithTitle(const QString &title);
    int indexOfSelectedItem() const { return m_selectedIndex; }
    // The selected item's title, or the empty text when nothing is selected.
    QString titleOfSelectedItem() const;

    // Whether the cell shows the title of its selected item.
    void setUsesItemFromMenu(bool uses) { m_usesItemFromMenu = uses; }
    bool usesItemFromMenu() const { return m_usesItemFromMenu; }

    // The title an item shows in the open pop-up, for items that need more than their title
    // (a key whose script is gone); empty for the plain title. Asked each time a pop-up opens.
    using ItemNote = std::function<QString(int index, const QString &title)>;
    void setItemNote(ItemNote note) { m_itemNote = std::move(note); }
    // The titles as the open pop-up shows them.
    QStringList shownItemTitles() const;

    // Whether a click opens the editor's list at once (tests switch it off).
    void setOpensPopUpOnEdit(bool opens) { m_opensPopUpOnEdit = opens; }

    // Asks whether the left button is to run script at every left click; true to bind it.
    static bool confirmLeftButtonBinding(QWidget *parent, const QString &script);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    bool m_hasMenu = false;
    QStringList m_items;
    int m_selectedIndex = -1;
    bool m_usesItemFromMenu = false;
    bool m_opensPopUpOnEdit = true;
    ItemNote m_itemNote;
};
