#pragma once

// The Qt face of a FileBrowserDataSource: a thin QAbstractItemModel that forwards every question
// of the view to the data source's operations. Column 0 is "folders", column 1 "shortcuts".
//
// Index internal pointers are FileSystemItem objects held by the data source: root items until
// the next reset, children for as long as their root. Nothing is cached here.

#include <QAbstractItemModel>

class FileBrowserDataSource;
class FileSystemItem;

class FileBrowserModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit FileBrowserModel(FileBrowserDataSource *dataSource);

    // Forgets every item and asks the view to load the tree again (the view's reloadData).
    void reloadData();

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
    FileBrowserDataSource *m_dataSource;
};
