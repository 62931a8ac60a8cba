// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Qt face of a FileBrowserDataSource: a thin QAbstractItemModel that forwards every question
// of the view to the data source's operations. Column 0 is "folders", column 1 "shortcuts".
//
// Index internal pointers are FileSystemItem objects held by the data source: root items until
// the next reset, children for as long as their root. Nothing is cached here.

#include "filesystemitem.h"

#include <QAbstractItemModel>

class FileBrowserDataSource;

class FileBrowserModel : public QAbstractItemModel, private FileSystemItem::ChildrenObserver
{
    Q_OBJECT

public:
    explicit FileBrowserModel(FileBrowserDataSource *dataSource);

    // Forgets every item and asks the view to load the tree again (the view's reloadData).
    void reloadData();

    // Brings the rows below item in line with its folder on disk (FileSystemItem::updateChildren),
    // row by row, so that the view keeps its open rows and selection.
    void updateChildrenOfItem(FileSystemItem *item);

    FileSystemItem *itemForIndex(const QModelIndex &index) const;
    // The index of an item that this model handed out (column 0).
    QModelIndex indexForItem(FileSystemItem *item) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void willRemoveChildren(FileSystemItem *folder, qint64 first, qint64 last) override;
    void didRemoveChildren() override;
    void willInsertChildren(FileSystemItem *folder, qint64 first, qint64 last) override;
    void didInsertChildren() override;
    void willMoveChild(FileSystemItem *folder, qint64 from, qint64 to) override;
    void didMoveChild() override;
    void didRenameChild(FileSystemItem *child) override;
    void didChangeChild(FileSystemItem *child) override;
    void emitDataChangedBelow(FileSystemItem *folder);
    // The shortcuts column's text of a row: the key's title, or nothing.
    QString shortcutText(FileSystemItem *item) const;
    void shortcutsChangedForPaths(const QStringList &paths);

    FileBrowserDataSource *m_dataSource;
};
