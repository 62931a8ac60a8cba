// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One row of the script browser: a file or folder, identified by its full path. Children are read
// from the file system the first time they are asked for and then kept for the item's life, so
// a tree of items is a snapshot until updateChildren() brings a folder's children in line with
// the disk again (the browser does that for the folders it shows, when they change).
//
// Children come sorted by name as people read them (nameOrder), folders among the files.
// Entries whose names begin with "." are left out, and so is every entry that does not exist
// (a dangling or looping symbolic link). Entries whose names are not valid UTF-8 are left out
// too, with a line in the process log: the browser identifies scripts by text paths, and such a
// name has no text that leads back to the file.

#include <QIcon>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

// The order in which names are shown, as indexes into names: natural (2 before 10),
// case-insensitive and by the user's locale. Names the collation holds equal ("a" and "A") keep
// a fixed order by their characters, so a listing comes out the same every time.
std::vector<qsizetype> nameOrder(const QStringList &names);

// Whether the file at path can be run as it is: it exists, is no folder (links followed), and
// this user may execute it.
bool isExecutableFile(const QString &path);
// Whether this user may run the file at path; nothing for a folder (links followed) or a path that
// does not exist.
std::optional<bool> fileMayBeRun(const QString &path);

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
    // A folder row, empty or not, a missing root too: never a script.
    bool isFolder() { return numberOfChildren() >= 0; }
    // A root whose folder does not exist (or is no folder): shown as an empty folder.
    bool isMissingRoot()
    {
        children();
        return !m_parent && m_missing;
    }
    // A file, not a folder, that cannot be run as it is (no execute permission for this user).
    // Read when the item is made and again when its folder is brought in line with the disk.
    bool lacksExecuteBit() const { return m_lacksExecuteBit; }
    // Orders newest first: -1 when this item is newer than other, 0 when both are equal, +1
    // otherwise (also when either time stamp is not a number).
    qint64 compareModificationTimeStamp(const FileSystemItem &other) const;

    void setNodeIcon(const QIcon &icon);
    const QIcon &nodeIcon() const { return m_nodeIcon; }

    // Told before and after each change that updateChildren makes to an item's children, with
    // rows as they are at that moment (a model's begin/end calls fit in here).
    class ChildrenObserver
    {
    public:
        virtual ~ChildrenObserver() = default;
        virtual void willRemoveChildren(FileSystemItem *folder, qint64 first, qint64 last) = 0;
        virtual void didRemoveChildren() = 0;
        virtual void willInsertChildren(FileSystemItem *folder, qint64 first, qint64 last) = 0;
        virtual void didInsertChildren() = 0;
        // The child at row from goes before the child now at row to (to < from).
        virtual void willMoveChild(FileSystemItem *folder, qint64 from, qint64 to) = 0;
        virtual void didMoveChild() = 0;
        // A child kept its file under a new name; its full path, and those below it, changed.
        virtual void didRenameChild(FileSystemItem *child) = 0;
        // A kept child's file changed how it shows (it became executable or stopped being so),
        // or a root's folder appeared or went (then child is the root itself).
        virtual void didChangeChild(FileSystemItem * /*child*/) {}
    };

    // Reads the folder again and brings the children in line with it, in the listing's order:
    // children whose entry went are removed, new entries inserted, and a child whose file now
    // has another name (same device and inode) is renamed in place, keeping its own children.
    // Children that stay are the same objects. Does nothing (and returns false) when the
    // children were never read: they will be read as they are when first asked for.
    bool updateChildren(ChildrenObserver &observer);
    bool childrenWereRead() const { return m_childrenState == ChildrenState::Read; }
    // The child with that entry name among the children read so far, or null.
    FileSystemItem *readChildNamed(QStringView name) const;

    // The device and inode of the entry itself (a link's, not its target's), both 0 when it
    // could not be read: what a rename or a move on one file system keeps.
    QPair<quint64, quint64> fileIdentity() const
    {
        return {quint64(m_identity.device), quint64(m_identity.inode)};
    }

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

    // One entry that a folder's listing keeps.
    struct ListedEntry
    {
        QString name;
        bool isFolder = false; // symbolic links followed
    };
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Identity &other) const = default;
    };

    // The kept entries in nameOrder; nothing when the path is not a folder.
    std::optional<std::vector<ListedEntry>> listFolder() const;
    void readChildren();
    // Whether a child can stand for a listed entry of the same name: a read child must still
    // be what it was, a folder or not.
    static bool standsFor(FileSystemItem &child, const ListedEntry &entry);
    void takeNewName(const QString &name);
    static double modificationTimeOf(const struct stat &attributes);
    void updateFullPathFromParent();
    void renumberChildren(qint64 from);
    // Reads the execute permission again; true when it changed.
    bool readExecuteBit();

    QString m_relativePath;
    QString _fullPath;
    QString _name;
    double _modificationTimeStamp = 0;
    FileSystemItem *m_parent = nullptr;
    ChildrenState m_childrenState = ChildrenState::Unread;
    std::vector<std::unique_ptr<FileSystemItem>> m_children;
    QIcon m_nodeIcon;
    qint64 m_indexInParent = 0;
    // The entry's own device and inode (a link's, not its target's): a rename keeps them.
    Identity m_identity;
    bool m_missing = false;
    bool m_lacksExecuteBit = false;
};
