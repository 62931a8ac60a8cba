// SPDX-License-Identifier: GPL-3.0-or-later
#include "filebrowsermodel.h"

#include "filebrowserdatasource.h"
#include "filesystemitem.h"
#include "hotkeynotice.h"
#include "imageandtextcell.h"
#include "resources.h"
#include "shortcutpopupcell.h"
#include "shortcuttable.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPalette>

#include <algorithm>
#include <limits>

FileBrowserModel::FileBrowserModel(FileBrowserDataSource *dataSource)
    : QAbstractItemModel(dataSource), m_dataSource(dataSource)
{
    // A key bound in one window shows in every window at once.
    connect(ShortcutTableChanges::instance(), &ShortcutTableChanges::pathsChanged, this,
            &FileBrowserModel::shortcutsChangedForPaths);
}

void FileBrowserModel::shortcutsChangedForPaths(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QModelIndex row = indexForItem(m_dataSource->shownItemForPath(path));
        if (row.isValid())
            emit dataChanged(row.siblingAtColumn(1), row.siblingAtColumn(1));
    }
}

QString FileBrowserModel::shortcutText(FileSystemItem *item) const
{
    // The pop-up's selected title, chosen when the row is prepared; a row without a key, or one
    // that cannot have one, shows nothing.
    const QString column = FileBrowserDataSource::shortcutsColumnIdentifier;
    QAbstractItemDelegate *cell = m_dataSource->cellForColumn(column);
    qint64 shortcutID = defaultShortcutID();
    QString title;
    if (auto *popUp = qobject_cast<ShortcutPopUpCell *>(cell)) {
        m_dataSource->willDisplayCell(popUp, column, item);
        shortcutID = popUp->indexOfSelectedItem();
        title = popUp->titleOfSelectedItem();
    } else {
        shortcutID = m_dataSource->objectValueForTableColumn(column, item).integerValue();
        title = titleForShortcutID(shortcutID);
    }
    if (!FileBrowserDataSource::canHaveShortcut(item) || shortcutID == defaultShortcutID())
        return {};
    return title;
}

void FileBrowserModel::reloadData()
{
    beginResetModel();
    // The view has let go of every index now, so the items behind them can go.
    m_dataSource->releaseRootItems();
    endResetModel();
}

void FileBrowserModel::updateChildrenOfItem(FileSystemItem *item)
{
    if (item)
        item->updateChildren(*this);
}

void FileBrowserModel::willRemoveChildren(FileSystemItem *folder, qint64 first, qint64 last)
{
    beginRemoveRows(indexForItem(folder), int(first), int(last));
}

void FileBrowserModel::didRemoveChildren()
{
    endRemoveRows();
}

void FileBrowserModel::willInsertChildren(FileSystemItem *folder, qint64 first, qint64 last)
{
    beginInsertRows(indexForItem(folder), int(first), int(last));
}

void FileBrowserModel::didInsertChildren()
{
    endInsertRows();
}

void FileBrowserModel::willMoveChild(FileSystemItem *folder, qint64 from, qint64 to)
{
    const QModelIndex parent = indexForItem(folder);
    beginMoveRows(parent, int(from), int(from), parent, int(to));
}

void FileBrowserModel::didMoveChild()
{
    endMoveRows();
}

void FileBrowserModel::didRenameChild(FileSystemItem *child)
{
    const QModelIndex row = indexForItem(child);
    emit dataChanged(row, row.siblingAtColumn(1));
    // The rows below show paths too (tool tips, hot keys), which changed with the name.
    emitDataChangedBelow(child);
}

void FileBrowserModel::didChangeChild(FileSystemItem *child)
{
    const QModelIndex row = indexForItem(child);
    emit dataChanged(row, row);
}

void FileBrowserModel::emitDataChangedBelow(FileSystemItem *folder)
{
    if (!folder->childrenWereRead() || folder->numberOfChildren() < 1)
        return;
    const QModelIndex parent = indexForItem(folder);
    const int last = int(folder->numberOfChildren()) - 1;
    emit dataChanged(index(0, 0, parent), index(last, 1, parent));
    for (int row = 0; row <= last; ++row)
        emitDataChangedBelow(folder->childAtIndex(row));
}

FileSystemItem *FileBrowserModel::itemForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<FileSystemItem *>(index.internalPointer());
}

QModelIndex FileBrowserModel::indexForItem(FileSystemItem *item) const
{
    if (!item)
        return {};
    const qint64 row = item->indexInParent();
    if (row < 0)
        return {};
    return createIndex(int(row), 0, item);
}

QModelIndex FileBrowserModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount(parent) || parent.column() > 0)
        return {};
    FileSystemItem *child = m_dataSource->childOfItem(row, itemForIndex(parent));
    if (!child)
        return {};
    return createIndex(row, column, child);
}

QModelIndex FileBrowserModel::parent(const QModelIndex &child) const
{
    const FileSystemItem *item = itemForIndex(child);
    if (!item)
        return {};
    return indexForItem(item->parent());
}

int FileBrowserModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    FileSystemItem *item = itemForIndex(parent);
    if (parent.isValid() && !item)
        return 0;
    // Files are never asked for their children, as the data source expects.
    if (item && !m_dataSource->isItemExpandable(item))
        return 0;
    const qint64 count = m_dataSource->numberOfChildrenOfItem(item);
    return int(std::clamp<qint64>(count, 0, std::numeric_limits<int>::max()));
}

int FileBrowserModel::columnCount(const QModelIndex &) const
{
    return 2;
}

bool FileBrowserModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return false;
    // Every folder is expandable, an empty one too: it shows a disclosure triangle and opens to
    // nothing.
    if (!parent.isValid())
        return true;
    FileSystemItem *item = itemForIndex(parent);
    return item && m_dataSource->isItemExpandable(item);
}

QVariant FileBrowserModel::data(const QModelIndex &index, int role) const
{
    FileSystemItem *item = itemForIndex(index);
    if (!item)
        return {};
    const QString column = FileBrowserDataSource::columnIdentifierForColumn(index.column());
    const bool folders = column == FileBrowserDataSource::foldersColumnIdentifier;
    switch (role) {
    case Qt::DisplayRole:
        if (!folders)
            return shortcutText(item);
        [[fallthrough]];
    case Qt::EditRole: {
        const PlistValue value = m_dataSource->objectValueForTableColumn(column, item);
        if (value.isString())
            return value.stringValue();
        if (role == Qt::DisplayRole)
            return QString::number(value.integerValue());
        return QVariant(qlonglong(value.integerValue()));
    }
    case Qt::DecorationRole: {
        if (!folders)
            return {};
        // Preparing the folders cell sets the row's icon on the item and on the cell.
        QAbstractItemDelegate *cell = m_dataSource->cellForColumn(column);
        m_dataSource->willDisplayCell(cell, column, item);
        if (!qobject_cast<ImageAndTextCell *>(cell))
            return {};
        return item->nodeIcon();
    }
    case Qt::ForegroundRole:
        // A missing root and a script that cannot run are drawn in the disabled text colour.
        if (folders && FileBrowserDataSource::isItemDimmed(item))
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::ToolTipRole: {
        if (folders)
            return FileBrowserDataSource::toolTipForItem(item);
        // A bound function key says whether it works, and through what or why not.
        const qint64 shortcutID = FileBrowserDataSource::canHaveShortcut(item)
                                      ? shortcutIDForFullPath(item->fullPath())
                                      : 0;
        if (shortcutID < 1 || shortcutID > 12)
            return {};
        const QString status = platform::keyStatusText(int(shortcutID));
        return status.isEmpty() ? QVariant() : QVariant(status);
    }
    default:
        return {};
    }
}

bool FileBrowserModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    FileSystemItem *item = itemForIndex(index);
    if (!item || role != Qt::EditRole)
        return false;
    const QString column = FileBrowserDataSource::columnIdentifierForColumn(index.column());
    PlistValue object;
    if (value.typeId() == QMetaType::QString)
        object = PlistValue(value.toString());
    else if (value.canConvert<qlonglong>())
        object = PlistValue(qint64(value.toLongLong()));
    m_dataSource->setObjectValue(object, column, item);
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags FileBrowserModel::flags(const QModelIndex &index) const
{
    FileSystemItem *item = itemForIndex(index);
    if (!item)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_dataSource->isItemExpandable(item))
        result |= Qt::ItemNeverHasChildren;
    const QString column = FileBrowserDataSource::columnIdentifierForColumn(index.column());
    if (column == FileBrowserDataSource::shortcutsColumnIdentifier &&
        m_dataSource->shouldEditTableColumn(column, item))
        result |= Qt::ItemIsEditable;
    return result;
}

QVariant FileBrowserModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return localizedString(QStringLiteral("PreferencesWindowColumnFolders"));
    case 1:
        return localizedString(QStringLiteral("PreferencesWindowColumnShortcuts"));
    default:
        return {};
    }
}
