// SPDX-License-Identifier: GPL-3.0-or-later
// The open rows of FileBrowserDataSource's outline view, recorded and restored by full path:
// the items are made anew every time the view loads the tree, their paths stay.

#include "filebrowserdatasource.h"

#include "filebrowsermodel.h"
#include "filesystemitem.h"
#include "log.h"

#include <QTreeView>

QString FileBrowserDataSource::persistentObjectForItem(FileSystemItem *item)
{
    QZLog("Bingo (item p: %p)", static_cast<const void *>(item));
    return item ? item->fullPath() : QString();
}

QModelIndex FileBrowserDataSource::indexForPersistentObject(const PlistValue &object) const
{
    QZLog("Bongo");
    QZLog("decoded fullPath: %@", object);
    const QList<QModelIndex> rows = visibleRows();
    QZLog("found %i rows", rows.size());
    if (!object.isString())
        return {};
    const QString path = object.stringValue();
    QModelIndex found;
    // Every row is visited and the last match wins.
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const FileSystemItem *item = itemForIndex(rows.at(r));
        QZLog("checking row %i", r);
        QZLog("found item with path: %@", item ? PlistValue(item->fullPath()) : PlistValue());
        if (item && item->fullPath() == path)
            found = rows.at(r);
    }
    return found;
}

FileSystemItem *FileBrowserDataSource::itemForPersistentObject(const PlistValue &object)
{
    return itemForIndex(indexForPersistentObject(object));
}

PlistValue FileBrowserDataSource::expandedState()
{
    QZLog("Yo!");
    QStringList paths;
    const QList<QModelIndex> rows = visibleRows();
    QZLog("found %i rows", rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        FileSystemItem *item = itemForIndex(rows.at(r));
        QZLog("checking row %i", r);
        QZLog("found item with path: %@", item ? PlistValue(item->fullPath()) : PlistValue());
        if (item && _fileBrowserOutlineView->isExpanded(rows.at(r))) {
            QZLog("item was expanded!");
            paths.append(persistentObjectForItem(item));
        }
    }
    return PlistValue::fromStringList(paths);
}

void FileBrowserDataSource::setExpandedState(const PlistValue &state)
{
    QZLog("Yeah");
    if (!state.isArray()) {
        if (!state.isNull())
            processLog("The stored open rows are not a list (%@); leaving the rows as they are.",
                       state);
        return;
    }
    if (!viewShowsOurModel()) {
        QZLog("No outline view showing this data source; no rows to open.");
        return;
    }
    _fileBrowserOutlineView->collapseAll();
    // In list order: a parent opens before its children are looked for among the rows.
    const PlistArrayRef entries = state.array();
    for (const PlistValue &entry : *entries) {
        const QModelIndex index = indexForPersistentObject(entry);
        if (index.isValid())
            _fileBrowserOutlineView->expand(index);
    }
}
