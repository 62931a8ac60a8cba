// SPDX-License-Identifier: GPL-3.0-or-later
// Hot-key bindings follow their scripts through the browser: a script renamed or moved within
// the folders the browser shows keeps its key. The browser knows a file by its device and
// inode, which a rename or a move on the same file system keeps.

#include "filebrowserdatasource.h"

#include "filesystemitem.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "shortcuttable.h"

#include <QFile>
#include <QTimer>
#include <QTreeView>

#include <optional>

#include <sys/stat.h>

namespace {

using FileIdentity = QPair<quint64, quint64>;

// How long after the last change of a shown folder a bound path that is gone is looked for.
constexpr int bindingFollowDelayMs = 1000;

// The identity of the file at path now (not following a last link), or nothing.
std::optional<FileIdentity> identityOnDisk(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

} // namespace

void FileBrowserDataSource::rememberBoundFiles()
{
    const PlistDictionaryRef table = shortcutTable();
    if (!table)
        return;
    QHash<QString, FileIdentity> remembered;
    for (auto it = table->cbegin(); it != table->cend(); ++it) {
        if (!it.value().isString())
            continue;
        const QString path = it.value().stringValue();
        const FileSystemItem *item = shownItemForPath(path);
        if (item && item->fileIdentity() != FileIdentity())
            remembered.insert(path, item->fileIdentity());
        else if (m_boundFiles.contains(path)) // a move may take two folder updates to show
            remembered.insert(path, m_boundFiles.value(path));
    }
    m_boundFiles = remembered;
}

FileSystemItem *FileBrowserDataSource::shownItemWithIdentity(FileSystemItem *item,
                                                             const FileIdentity &identity) const
{
    // Only what the browser has read: nothing is read from the disk for this.
    if (!item->childrenWereRead())
        return nullptr;
    for (const auto &child : *item->children()) {
        if (child->fileIdentity() == identity)
            return child.get();
        if (FileSystemItem *found = shownItemWithIdentity(child.get(), identity))
            return found;
    }
    return nullptr;
}

void FileBrowserDataSource::scheduleBindingFollowing()
{
    if (m_boundFiles.isEmpty())
        return;
    if (!m_bindingFollowTimer) {
        m_bindingFollowTimer = new QTimer(this);
        m_bindingFollowTimer->setSingleShot(true);
        m_bindingFollowTimer->setInterval(bindingFollowDelayMs);
        connect(m_bindingFollowTimer, &QTimer::timeout, this,
                &FileBrowserDataSource::followMovedBindings);
    }
    m_bindingFollowTimer->start();
}

void FileBrowserDataSource::followMovedBindings()
{
    const PlistDictionaryRef table = shortcutTable();
    if (!table || m_boundFiles.isEmpty())
        return;
    QList<QPair<qint64, QString>> bindings;
    for (auto it = table->cbegin(); it != table->cend(); ++it)
        if (it.value().isString())
            bindings.append({integerValueOfText(it.key()), it.value().stringValue()});

    bool changed = false;
    for (const auto &[shortcutID, path] : std::as_const(bindings)) {
        const auto remembered = m_boundFiles.constFind(path);
        if (remembered == m_boundFiles.cend() || identityOnDisk(path))
            continue;
        const FileIdentity identity = *remembered;
        FileSystemItem *moved = nullptr;
        for (FileSystemItem *root : std::as_const(m_currentRoots)) {
            if (root && (moved = shownItemWithIdentity(root, identity)))
                break;
        }
        // The item must stand for the file as it is now: the old row of a folder not read
        // again yet still has the old path.
        if (!moved || moved->fullPath() == path || identityOnDisk(moved->fullPath()) != identity)
            continue;
        const QString newPath = moved->fullPath();
        processLog("The hot key %@ follows its script from %@ to %@.",
                   titleForShortcutID(shortcutID), path, newPath);
        assignShortcut(shortcutID, newPath);
        m_boundFiles.remove(path);
        m_boundFiles.insert(newPath, identity);
        changed = true;
    }
    if (!changed)
        return;
    // Saved at once, as every change of a binding is.
    if (appGlobals)
        appGlobals->save();
    if (_fileBrowserOutlineView)
        _fileBrowserOutlineView->viewport()->update();
}
