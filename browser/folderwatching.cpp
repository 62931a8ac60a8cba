// SPDX-License-Identifier: GPL-3.0-or-later
// The browser follows the disk: FileBrowserDataSource watches the folders its outline view
// shows (the roots and the open rows, nothing else, as watches are a limited resource) and
// brings a folder's rows in line with it when it changes.

#include "filebrowserdatasource.h"

#include "filebrowsermodel.h"
#include "filesystemitem.h"
#include "log.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QTreeView>

#include <utility>

void FileBrowserDataSource::followShownFolders()
{
    if (!m_folderWatcher) {
        m_folderWatcher = new QFileSystemWatcher(this);
        connect(m_folderWatcher, &QFileSystemWatcher::directoryChanged, this,
                &FileBrowserDataSource::scheduleFolderUpdate);
        const auto schedule = [this] {
            scheduleWatchUpdate();
        };
        connect(m_model, &QAbstractItemModel::modelReset, this, schedule);
        connect(m_model, &QAbstractItemModel::rowsInserted, this, schedule);
        connect(m_model, &QAbstractItemModel::rowsRemoved, this, schedule);
        connect(m_model, &QAbstractItemModel::rowsMoved, this, schedule);
        connect(m_model, &QAbstractItemModel::dataChanged, this, schedule);
    }
    QTreeView *view = _fileBrowserOutlineView;
    connect(view, &QTreeView::expanded, this, &FileBrowserDataSource::scheduleWatchUpdate,
            Qt::UniqueConnection);
    connect(view, &QTreeView::collapsed, this, &FileBrowserDataSource::scheduleWatchUpdate,
            Qt::UniqueConnection);
    scheduleWatchUpdate();
}

void FileBrowserDataSource::scheduleWatchUpdate()
{
    if (m_watchUpdatePending)
        return;
    m_watchUpdatePending = true;
    QMetaObject::invokeMethod(this, &FileBrowserDataSource::updateWatchedFolders,
                              Qt::QueuedConnection);
}

void FileBrowserDataSource::scheduleFolderUpdate(const QString &path)
{
    // Many files arriving at once come as a stream of notices; the folder is read once for all
    // that arrived before control is back in the event loop.
    const bool first = m_changedFolders.isEmpty();
    m_changedFolders.insert(path);
    if (first)
        QMetaObject::invokeMethod(
            this,
            [this] {
                const QSet<QString> changed = std::exchange(m_changedFolders, {});
                for (const QString &folder : changed)
                    folderDidChange(folder);
            },
            Qt::QueuedConnection);
}

QStringList FileBrowserDataSource::shownFolders() const
{
    QStringList folders;
    for (const QModelIndex &row : visibleRows()) {
        // The roots' own rows are always shown, so what is in them is too.
        const bool open = !row.parent().isValid() || _fileBrowserOutlineView->isExpanded(row);
        FileSystemItem *item = itemForIndex(row);
        if (!open || !item || !item->childrenWereRead())
            continue;
        // A missing root cannot be watched: the nearest folder above it that exists is, to see
        // it made.
        QString folder = item->fullPath();
        if (item->isMissingRoot())
            while (!QFileInfo(folder).isDir() && folder != QLatin1String("/"))
                folder = QFileInfo(folder).path();
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

void FileBrowserDataSource::updateWatchedFolders()
{
    m_watchUpdatePending = false;
    if (!m_folderWatcher)
        return;
    const QStringList wanted = viewShowsOurModel() ? shownFolders() : QStringList();
    const QStringList watched = m_folderWatcher->directories();
    const QSet<QString> wantedSet(wanted.cbegin(), wanted.cend());
    const QSet<QString> watchedSet(watched.cbegin(), watched.cend());

    QStringList gone;
    for (const QString &path : watched)
        if (!wantedSet.contains(path))
            gone.append(path);
    if (!gone.isEmpty())
        m_folderWatcher->removePaths(gone);

    // A folder that could not be watched is tried again (and reported again) only once it has
    // been out of sight.
    for (auto it = m_unwatchableFolders.begin(); it != m_unwatchableFolders.end();)
        it = wantedSet.contains(*it) ? std::next(it) : m_unwatchableFolders.erase(it);
    QStringList added;
    for (const QString &path : wanted)
        if (!watchedSet.contains(path) && !m_unwatchableFolders.contains(path))
            added.append(path);
    if (added.isEmpty())
        return;
    const QStringList failed = m_folderWatcher->addPaths(added);
    for (const QString &path : failed) {
        m_unwatchableFolders.insert(path);
        if (!QFileInfo(path).isDir()) {
            // Gone since it was last read, and the notice of that may have gone with its old
            // watch: reading it and the folder above again shows it gone (a root as missing,
            // watched from the folder above it).
            scheduleFolderUpdate(path);
            scheduleFolderUpdate(QFileInfo(path).path());
            continue;
        }
        processLog("Cannot watch %@ for changes (it cannot be read, or the system's limit of "
                   "watches is reached); the browser shows it as it was when it was opened.",
                   path);
    }
    // A folder that was not watched may have changed meanwhile (it was closed, or read as a
    // closed row before it opened).
    for (const QString &path : added)
        if (!failed.contains(path))
            folderDidChange(path);
}

QStringList FileBrowserDataSource::watchedFolders() const
{
    return m_folderWatcher ? m_folderWatcher->directories() : QStringList();
}

FileSystemItem *FileBrowserDataSource::shownItemForPath(const QString &path) const
{
    for (FileSystemItem *root : m_currentRoots) {
        if (!root)
            continue;
        const QString &rootPath = root->fullPath();
        if (path == rootPath)
            return root;
        const QString prefix = rootPath.endsWith(u'/') ? rootPath : rootPath + u'/';
        if (!path.startsWith(prefix))
            continue;
        FileSystemItem *item = root;
        for (const QStringView name : QStringView(path).mid(prefix.size()).split(u'/')) {
            item = item->readChildNamed(name);
            if (!item)
                return nullptr;
        }
        return item;
    }
    return nullptr;
}

void FileBrowserDataSource::folderDidChange(const QString &path)
{
    // A missing root below the changed folder may have been made.
    const QString prefix = path.endsWith(u'/') ? path : path + u'/';
    for (FileSystemItem *root : std::as_const(m_currentRoots))
        if (root && root->isMissingRoot() && root->fullPath().startsWith(prefix))
            m_model->updateChildrenOfItem(root);
    FileSystemItem *item = shownItemForPath(path);
    if (!item)
        return;
    QZLog("Reading %@ again", path);
    rememberBoundFiles();
    m_model->updateChildrenOfItem(item);
    scheduleBindingFollowing();
}
