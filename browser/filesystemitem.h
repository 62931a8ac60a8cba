#pragma once

// One row of the script browser: a file or folder, identified by its full path. Children are read
// from the file system the first time they are asked for and then kept for the item's life, so
// a tree of items is a snapshot that is only ever extended downwards; a fresh view of a folder
// needs a fresh root item.
//
// Entries whose names begin with "." are left out, and so is every entry that does not exist
// (a dangling or looping symbolic link). Entries whose names are not valid UTF-8 are left out
// too, with a line in the process log: the browser identifies scripts by text paths, and such a
// name has no text that leads back to the file.

#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

class FileSystemItem
{
public:
    // A root item for an absolute path: titled with the whole path, no parent.
    static std::unique_ptr<FileSystemItem> rootItemWithPath(const QString &path);

    // For a root item path is absolute and parent is null; for a child path is the bare entry
    // name and parent the folder's item (which owns the child).
    FileSystemItem(const QString &path, FileSystemItem *parent);
    ~FileSystemItem();
    FileSystemItem(const FileSystemItem &) = delete;
    FileSystemItem &operator=(const FileSystemItem &) = delete;

    const QString &name() const { return _name; }
    const QString &relativePath() const { return m_relativePath; }
    const QString &fullPath() const { return _fullPath; }
    FileSystemItem *parent() const { return m_parent; }
    double modificationTimeStamp() const { return _modificationTimeStamp; }

    // The children, read on the first call; null when the item is not an existing folder.
    const std::vector<std::unique_ptr<FileSystemItem>> *children();
    // -1 for anything that is not a folder, else the number of children shown.
    qint64 numberOfChildren();
    // Callers ask only for indexes below numberOfChildren(); anything else yields null.
    FileSystemItem *childAtIndex(qint64 index);
    // True for everything but folders with shown children.
    bool isLeaf() { return numberOfChildren() < 1; }
    // Orders newest first: -1 when this item is newer than other, 0 when both are equal, +1
    // otherwise (also when either time stamp is not a number).
    qint64 compareModificationTimeStamp(const FileSystemItem &other) const;

    void setNodeIcon(const QIcon &icon);
    const QIcon &nodeIcon() const { return m_nodeIcon; }

    // The position of this item in its parent's children (for a root item: what its owner set).
    qint64 indexInParent() const { return m_indexInParent; }
    void setIndexInParent(qint64 index) { m_indexInParent = index; }

private:
    enum class ChildrenState
    {
        Unread,
        NotAFolder,
        Read
    };

    void readChildren();

    QString m_relativePath;
    QString _fullPath;
    QString _name;
    double _modificationTimeStamp = 0;
    FileSystemItem *m_parent = nullptr;
    ChildrenState m_childrenState = ChildrenState::Unread;
    std::vector<std::unique_ptr<FileSystemItem>> m_children;
    QIcon m_nodeIcon;
    qint64 m_indexInParent = 0;
};
