// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptfolderlisting.h"

#include "filenamebytes.h"
#include "filesystemitem.h"

#include <memory>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

namespace {

struct DirectoryCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

ScriptFolderListing listScriptFolder(const QString &folderPath, const FolderChain &above)
{
    ScriptFolderListing listing;
    listing.chain = above;
    const QByteArray encodedFolder = fileNameBytes(folderPath);
    struct stat folderInfo;
    if (::stat(encodedFolder.constData(), &folderInfo) == 0)
        listing.chain.append({folderInfo.st_dev, folderInfo.st_ino});

    const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(encodedFolder.constData()));
    if (!dir)
        return listing;
    const int folderDescriptor = ::dirfd(dir.get());
    while (const dirent *rawEntry = ::readdir(dir.get())) {
        if (isDotOrDotDot(rawEntry->d_name))
            continue;
        ScriptFolderEntry entry;
        entry.name = fileNameText(rawEntry->d_name);
        entry.fullPath = folderPath + u'/' + entry.name;
        if (entry.name.startsWith(u'.')) {
            entry.kind = ScriptFolderEntry::Kind::DotFile;
        } else if (rawEntry->d_type == DT_REG) {
            // A plain file (not a link) is a script; the file system said so, no stat needed.
            // This keeps a folder of thousands of scripts quick to open.
            entry.kind = ScriptFolderEntry::Kind::Script;
        } else {
            struct stat info; // links followed
            if (::fstatat(folderDescriptor, rawEntry->d_name, &info, 0) != 0) {
                entry.kind = ScriptFolderEntry::Kind::LinkToNothing;
            } else {
                entry.identity = {info.st_dev, info.st_ino};
                entry.kind = !S_ISDIR(info.st_mode) ? ScriptFolderEntry::Kind::Script
                             : listing.chain.contains(entry.identity)
                                 ? ScriptFolderEntry::Kind::LeadsBack
                                 : ScriptFolderEntry::Kind::Folder;
            }
        }
        listing.entries.append(entry);
    }
    // Sorted by name as the browser shows them; a name that is not UTF-8 sorts by its text with
    // the odd bytes as they show.
    QStringList names;
    names.reserve(listing.entries.size());
    for (const ScriptFolderEntry &entry : std::as_const(listing.entries))
        names.append(entry.name);
    QList<ScriptFolderEntry> sorted;
    sorted.reserve(listing.entries.size());
    for (const qsizetype index : nameOrder(names))
        sorted.append(std::move(listing.entries[index]));
    listing.entries = std::move(sorted);
    return listing;
}
