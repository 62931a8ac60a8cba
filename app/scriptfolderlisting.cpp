#include "scriptfolderlisting.h"

#include <QFile>

#include <memory>

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
    const QByteArray encodedFolder = QFile::encodeName(folderPath);
    struct stat folderInfo;
    if (::stat(encodedFolder.constData(), &folderInfo) == 0)
        listing.chain.append({folderInfo.st_dev, folderInfo.st_ino});

    const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(encodedFolder.constData()));
    if (!dir)
        return listing;
    while (const dirent *rawEntry = ::readdir(dir.get())) {
        if (isDotOrDotDot(rawEntry->d_name))
            continue;
        ScriptFolderEntry entry;
        entry.name = QFile::decodeName(rawEntry->d_name);
        entry.fullPath = folderPath + u'/' + entry.name;
        struct stat info;
        const bool exists = ::stat(QFile::encodeName(entry.fullPath).constData(), &info) == 0;
        if (exists)
            entry.identity = {info.st_dev, info.st_ino};
        if (entry.name.startsWith(u'.'))
            entry.kind = ScriptFolderEntry::Kind::DotFile;
        else if (!exists)
            entry.kind = ScriptFolderEntry::Kind::LinkToNothing;
        else if (!S_ISDIR(info.st_mode))
            entry.kind = ScriptFolderEntry::Kind::Script;
        else if (listing.chain.contains(entry.identity))
            entry.kind = ScriptFolderEntry::Kind::LeadsBack;
        else
            entry.kind = ScriptFolderEntry::Kind::Folder;
        listing.entries.append(entry);
    }
    return listing;
}
