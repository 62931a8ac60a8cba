// SPDX-License-Identifier: GPL-3.0-or-later
#include "filesystemitem.h"

#include "log.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a directory stream on every way out of the listing.
struct DirectoryCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// The entry name as text, or nothing when the bytes are not a UTF-8 name that encodes back to
// the same bytes (so the text would not lead back to the file).
std::optional<QString> entryNameAsText(const char *bytes)
{
    const QByteArray raw(bytes);
    QString name = QFile::decodeName(raw);
    if (QFile::encodeName(name) != raw)
        return std::nullopt;
    return name;
}

} // namespace

std::vector<qsizetype> nameOrder(const QStringList &names)
{
    // The user's locale; the C locale (no language set) would compare bytes, so it sorts as
    // English does.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // A key per name, made once: comparing keys is a byte comparison, so a folder of 10,000
    // names sorts in a few milliseconds.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(names.size()));
    for (const QString &name : names)
        keys.push_back(collator.sortKey(name));
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byCollation = keys[size_t(a)].compare(keys[size_t(b)]);
        return byCollation != 0 ? byCollation < 0 : names.at(a) < names.at(b);
    });
    return order;
}

std::optional<bool> fileMayBeRun(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    if (::stat(encoded.constData(), &info) != 0 || S_ISDIR(info.st_mode))
        return std::nullopt;
    return ::access(encoded.constData(), X_OK) == 0;
}

bool isExecutableFile(const QString &path)
{
    return fileMayBeRun(path).value_or(false);
}

double FileSystemItem::modificationTimeOf(const struct stat &attributes)
{
    return double(attributes.st_mtim.tv_sec) + double(attributes.st_mtim.tv_nsec) / 1e9;
}

std::unique_ptr<FileSystemItem> FileSystemItem::rootItemWithPath(const QString &path)
{
    return std::make_unique<FileSystemItem>(path, nullptr);
}

FileSystemItem::FileSystemItem(const QString &path, FileSystemItem *parent)
{
    QZLog("initWithPath: %@ parent: %p", path, static_cast<const void *>(parent));
    // The last component, trailing slashes aside; "/" and bare names stand for themselves.
    QStringView trimmed(path);
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    m_relativePath =
        (slash < 0 || trimmed.size() == 1) ? trimmed.toString() : trimmed.mid(slash + 1).toString();

    if (!parent) {
        _name = path;
        _fullPath = path;
        QZLog("No parent");
    } else {
        const QString &parentPath = parent->fullPath();
        _fullPath = parentPath.endsWith(u'/') ? parentPath + path : parentPath + u'/' + path;
        // There are no file labels on this platform: children are titled with their names.
        QZLog("NSURLLocalizedLabelKey returned nothing for %@", _fullPath);
        _name = m_relativePath;
    }
    if (_name.isEmpty())
        _name = _fullPath;

    // The modification time of the entry itself; a symbolic link gives its own time.
    struct stat attributes;
    if (lstat(QFile::encodeName(_fullPath).constData(), &attributes) == 0) {
        _modificationTimeStamp = modificationTimeOf(attributes);
        m_identity = {attributes.st_dev, attributes.st_ino};
        if (!S_ISDIR(attributes.st_mode))
            readExecuteBit();
    } else {
        QZLog("Warning: fileAttributes are nil!");
    }
    QZLog("relativePath: %@", m_relativePath);
    QZLog("_name: %@", _name);
    QZLog("_fullPath: %@", _fullPath);
    QZLog("_modificationTimeStamp: %f", _modificationTimeStamp);
    m_parent = parent;
}

bool FileSystemItem::readExecuteBit()
{
    const bool lacks = !fileMayBeRun(_fullPath).value_or(true);
    return std::exchange(m_lacksExecuteBit, lacks) != lacks;
}

FileSystemItem::~FileSystemItem() = default;

const std::vector<std::unique_ptr<FileSystemItem>> *FileSystemItem::children()
{
    if (m_childrenState == ChildrenState::Unread)
        readChildren();
    return m_childrenState == ChildrenState::Read ? &m_children : nullptr;
}

std::optional<std::vector<FileSystemItem::ListedEntry>> FileSystemItem::listFolder() const
{
    QZLog("children for directory: %@", _fullPath);
    const QByteArray encodedPath = QFile::encodeName(_fullPath);
    struct stat info;
    if (stat(encodedPath.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;

    std::vector<ListedEntry> kept;
    std::unique_ptr<DIR, DirectoryCloser> dir(opendir(encodedPath.constData()));
    if (!dir) {
        QZLog("Could not list %@", _fullPath);
        return kept;
    }
    const QByteArray prefix = encodedPath.endsWith('/') ? encodedPath : encodedPath + '/';
    QByteArray entryPath;
    while (const dirent *entry = readdir(dir.get())) {
        const char *rawName = entry->d_name;
        if (qstrcmp(rawName, ".") == 0 || qstrcmp(rawName, "..") == 0)
            continue;
        entryPath = prefix + rawName;
        const std::optional<QString> name = entryNameAsText(rawName);
        if (!name) {
            processLog("Leaving out %@: its name is not valid UTF-8, so it cannot be shown or run "
                       "by path. Rename it to show it.",
                       QString::fromUtf8(entryPath));
            continue;
        }
        // Following the link: a dangling link or a link loop does not exist.
        struct stat entryInfo;
        const bool exists = stat(entryPath.constData(), &entryInfo) == 0;
        const bool hiddenByName = name->startsWith(u'.');
        if (hiddenByName)
            QZLog("%@ is hidden with a dot.", QString::fromUtf8(entryPath));
        // Neither a hidden flag nor package folders exist here; the dot is the only hiding rule.
        if (!exists || hiddenByName) {
            QZLog("Not adding this item.");
            continue;
        }
        QZLog("Adding this item.");
        kept.push_back({*name, S_ISDIR(entryInfo.st_mode)});
    }
    QStringList names;
    names.reserve(qsizetype(kept.size()));
    for (const ListedEntry &entry : kept)
        names.append(entry.name);
    std::vector<ListedEntry> sorted;
    sorted.reserve(kept.size());
    for (const qsizetype index : nameOrder(names))
        sorted.push_back(std::move(kept[size_t(index)]));
    return sorted;
}

void FileSystemItem::readChildren()
{
    const std::optional<std::vector<ListedEntry>> entries = listFolder();
    // A root stays a folder row when its folder is missing: empty, shown as missing.
    m_missing = !m_parent && !entries;
    if (!entries && !m_missing) {
        m_childrenState = ChildrenState::NotAFolder;
        return;
    }
    if (!entries)
        QZLog("The root folder %@ does not exist.", _fullPath);
    m_childrenState = ChildrenState::Read;
    for (const ListedEntry &entry : entries.value_or(std::vector<ListedEntry>())) {
        auto child = std::make_unique<FileSystemItem>(entry.name, this);
        child->m_indexInParent = qint64(m_children.size());
        m_children.push_back(std::move(child));
    }
}

qint64 FileSystemItem::numberOfChildren()
{
    const auto *list = children();
    return list ? qint64(list->size()) : -1;
}

FileSystemItem *FileSystemItem::childAtIndex(qint64 index)
{
    const auto *list = children();
    if (!list || index < 0 || index >= qint64(list->size()))
        return nullptr;
    return (*list)[size_t(index)].get();
}

qint64 FileSystemItem::compareModificationTimeStamp(const FileSystemItem &other) const
{
    const double mine = _modificationTimeStamp;
    const double theirs = other._modificationTimeStamp;
    if (mine == theirs) {
        QZLog("NSOrderedSame!");
        return 0;
    }
    if (mine > theirs) {
        QZLog("NSOrderedAscending!");
        return -1;
    }
    QZLog("NSOrderedDescending!");
    return 1;
}

void FileSystemItem::setNodeIcon(const QIcon &icon)
{
    if (m_nodeIcon.cacheKey() == icon.cacheKey())
        return;
    m_nodeIcon = icon;
}
