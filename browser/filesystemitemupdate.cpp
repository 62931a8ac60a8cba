// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing a folder item's children in line with the disk again, for a browser that follows the
// folders it shows. Children that stay are kept as they are (the view's open rows and selection
// refer to them); the observer hears of every change before and after it is made.

#include "filesystemitem.h"

#include "log.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <optional>
#include <utility>

#include <sys/stat.h>

namespace {

using IdentityKey = QPair<quint64, quint64>;

} // namespace

bool FileSystemItem::standsFor(FileSystemItem &child, const ListedEntry &entry)
{
    switch (child.m_childrenState) {
    case ChildrenState::Unread:
        return true;
    case ChildrenState::Read:
        return entry.isFolder;
    case ChildrenState::NotAFolder:
        return !entry.isFolder;
    }
    return false;
}

FileSystemItem *FileSystemItem::readChildNamed(QStringView name) const
{
    if (m_childrenState != ChildrenState::Read)
        return nullptr;
    for (const auto &child : m_children)
        if (child->m_relativePath == name)
            return child.get();
    return nullptr;
}

void FileSystemItem::renumberChildren(qint64 from)
{
    for (size_t row = size_t(from); row < m_children.size(); ++row)
        m_children[row]->m_indexInParent = qint64(row);
}

void FileSystemItem::updateFullPathFromParent()
{
    const QString &parentPath = m_parent->fullPath();
    _fullPath = parentPath.endsWith(u'/') ? parentPath + m_relativePath
                                          : parentPath + u'/' + m_relativePath;
    for (const auto &child : m_children)
        child->updateFullPathFromParent();
}

void FileSystemItem::takeNewName(const QString &name)
{
    QZLog("%@ is now called %@", _fullPath, name);
    m_relativePath = name;
    _name = name;
    updateFullPathFromParent();
}

bool FileSystemItem::updateChildren(ChildrenObserver &observer)
{
    if (m_childrenState != ChildrenState::Read)
        return false;
    // A folder that went or became a file has nothing in it any more.
    std::optional<std::vector<ListedEntry>> listed = listFolder();
    const bool wasMissing = std::exchange(m_missing, !m_parent && !listed);
    const std::vector<ListedEntry> entries = std::move(listed).value_or(std::vector<ListedEntry>());
    const qint64 entryCount = qint64(entries.size());

    // Which child stands for which entry: the one of the same name, else the one whose file
    // now has the entry's name.
    std::vector<FileSystemItem *> childForEntry(entries.size(), nullptr);
    QSet<const FileSystemItem *> kept;
    QHash<QStringView, qint64> entryByName;
    for (qint64 i = 0; i < entryCount; ++i)
        entryByName.insert(entries[size_t(i)].name, i);
    QHash<IdentityKey, FileSystemItem *> unmatched;
    for (const auto &child : m_children) {
        const auto found = entryByName.constFind(child->m_relativePath);
        if (found != entryByName.cend() && standsFor(*child, entries[size_t(*found)])) {
            childForEntry[size_t(*found)] = child.get();
            kept.insert(child.get());
        } else if (child->m_identity != Identity()) {
            unmatched.insert({quint64(child->m_identity.device), quint64(child->m_identity.inode)},
                             child.get());
        }
    }
    std::vector<std::pair<FileSystemItem *, QString>> renamed;
    for (qint64 i = 0; i < entryCount && !unmatched.isEmpty(); ++i) {
        if (childForEntry[size_t(i)])
            continue;
        const ListedEntry &entry = entries[size_t(i)];
        struct stat info;
        const QString path =
            _fullPath.endsWith(u'/') ? _fullPath + entry.name : _fullPath + u'/' + entry.name;
        if (lstat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        FileSystemItem *child = unmatched.value({quint64(info.st_dev), quint64(info.st_ino)});
        // A rename keeps the modification time too; a new file that got the inode of one that
        // went has its own.
        if (!child || child->_modificationTimeStamp != modificationTimeOf(info) ||
            !standsFor(*child, entry))
            continue;
        unmatched.remove({quint64(info.st_dev), quint64(info.st_ino)});
        childForEntry[size_t(i)] = child;
        kept.insert(child);
        renamed.emplace_back(child, entry.name);
    }

    // Children that stand for nothing go, last first, a run of neighbours at a time.
    for (qint64 last = qint64(m_children.size()) - 1; last >= 0;) {
        if (kept.contains(m_children[size_t(last)].get())) {
            --last;
            continue;
        }
        qint64 first = last;
        while (first > 0 && !kept.contains(m_children[size_t(first - 1)].get()))
            --first;
        observer.willRemoveChildren(this, first, last);
        m_children.erase(m_children.begin() + first, m_children.begin() + last + 1);
        renumberChildren(first);
        observer.didRemoveChildren();
        last = first - 1;
    }

    for (const auto &[child, name] : renamed) {
        child->takeNewName(name);
        observer.didRenameChild(child);
    }

    // Then row by row in the listing's order: rows above are done, so a kept child that is
    // not in its row yet is further down and moves up; a run of new entries is inserted.
    for (qint64 row = 0; row < entryCount;) {
        if (FileSystemItem *wanted = childForEntry[size_t(row)]) {
            const qint64 from = wanted->m_indexInParent;
            if (from != row) {
                observer.willMoveChild(this, from, row);
                std::unique_ptr<FileSystemItem> moving = std::move(m_children[size_t(from)]);
                m_children.erase(m_children.begin() + from);
                m_children.insert(m_children.begin() + row, std::move(moving));
                renumberChildren(row);
                observer.didMoveChild();
            }
            ++row;
            continue;
        }
        qint64 last = row;
        while (last + 1 < entryCount && !childForEntry[size_t(last + 1)])
            ++last;
        observer.willInsertChildren(this, row, last);
        std::vector<std::unique_ptr<FileSystemItem>> added;
        for (qint64 i = row; i <= last; ++i)
            added.push_back(std::make_unique<FileSystemItem>(entries[size_t(i)].name, this));
        m_children.insert(m_children.begin() + row, std::make_move_iterator(added.begin()),
                          std::make_move_iterator(added.end()));
        renumberChildren(row);
        observer.didInsertChildren();
        row = last + 1;
    }

    // A kept script that was made executable, or stopped being so, shows so.
    for (const auto &child : m_children)
        if (kept.contains(child.get()) && child->m_childrenState != ChildrenState::Read &&
            child->readExecuteBit())
            observer.didChangeChild(child.get());
    // A root whose folder appeared or went is titled anew.
    if (wasMissing != m_missing)
        observer.didChangeChild(this);
    return true;
}
