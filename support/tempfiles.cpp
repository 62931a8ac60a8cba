// SPDX-License-Identifier: GPL-3.0-or-later
#include "tempfiles.h"

#include "log.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

bool isPrivateFolder(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

static QString withTrailingSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

// /tmp is shared by every user of the machine, so a fixed name there is only used when it is a
// folder of our own that nobody else can enter; anything else might be a planted trap.
static QString privateFolderUnderTmp()
{
    const QByteArray fixed = "/tmp/trundle-" + QByteArray::number(::geteuid());
    if (::mkdir(fixed.constData(), 0700) != 0 && errno != EEXIST) {
        processLog("Cannot create the temporary folder %s: %s", fixed.constData(),
                   std::strerror(errno));
    }
    struct stat info;
    if (::lstat(fixed.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700)
        return QFile::decodeName(fixed);

    processLog("The temporary folder %s is not a private folder of this user; using a new one.",
               fixed.constData());
    QByteArray pattern = fixed + "-XXXXXX";
    if (::mkdtemp(pattern.data()))
        return QFile::decodeName(pattern);
    return {};
}

QString getNewTempFolderPath()
{
    static const QString folder = [] {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && isPrivateFolder(runtime))
            return withTrailingSlash(runtime);
        const QString own = privateFolderUnderTmp();
        return own.isEmpty() ? QStringLiteral("/tmp/") : withTrailingSlash(own);
    }();
    return folder;
}

// Owned by user, a folder and not a link, and closed to everyone else.
static bool isFolderOfUserOnly(const QByteArray &path, uid_t user)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user &&
           (info.st_mode & 0777) == 0700;
}

QString instanceFolderFor(uid_t user, const QString &runtimeRoot, const QString &home,
                          const QString &sessionRuntime)
{
    const QByteArray runtime = QFile::encodeName(runtimeRoot) + '/' + QByteArray::number(user);
    if (isFolderOfUserOnly(runtime, user)) {
        // Where logind keeps a runtime folder, a login's XDG_RUNTIME_DIR names it, and a start
        // without the variable finds it all the same. Another runtime folder of the user's own
        // is a separate session on purpose (a nested desktop, the tests' throw-away homes).
        if (!sessionRuntime.isEmpty() && isPrivateFolder(sessionRuntime))
            return withTrailingSlash(sessionRuntime);
        return withTrailingSlash(QFile::decodeName(runtime));
    }
    // Without logind, XDG_RUNTIME_DIR is whatever one start's environment made up, so it is
    // not asked: every start of the user finds the folder in the home below.

    // Nobody else can create or replace a folder in a home that only its user can write, so
    // unlike a fixed name under /tmp this one cannot be taken first.
    if (home.isEmpty() || !home.startsWith(u'/'))
        return {};
    const QByteArray homeBytes = QFile::encodeName(home);
    struct stat homeInfo;
    if (::stat(homeBytes.constData(), &homeInfo) != 0 || !S_ISDIR(homeInfo.st_mode) ||
        homeInfo.st_uid != user || (homeInfo.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return {};
    const QByteArray cache = homeBytes + "/.cache";
    const QByteArray folder = cache + "/trundle";
    ::mkdir(cache.constData(), 0700);
    ::mkdir(folder.constData(), 0700);
    // A folder of the user's own from before, opened up since, is closed again.
    struct stat info;
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user)
        ::chmod(folder.constData(), 0700);
    if (!isFolderOfUserOnly(folder, user) || !isPrivateFolder(QFile::decodeName(cache)))
        return {};
    return withTrailingSlash(QFile::decodeName(folder));
}

QString instanceFolderPath()
{
    static const QString folder = [] {
        // The home of the environment, as the settings file's path is made from it; the
        // password database's when HOME is not set.
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            if (const passwd *entry = ::getpwuid(::geteuid()))
                home = QFile::decodeName(entry->pw_dir);
        }
        QString found = instanceFolderFor(::geteuid(), QStringLiteral("/run/user"), home,
                                          qEnvironmentVariable("XDG_RUNTIME_DIR"));
        if (found.isEmpty()) {
            found = getNewTempFolderPath();
            processLog("Neither /run/user/%d nor a private folder in the home folder %@ can hold "
                       "the lock that keeps Trundle to one copy; using %@.",
                       qint64(::geteuid()), home, found);
        }
        return found;
    }();
    return folder;
}

QString getOurProcessName()
{
    return QString::fromLocal8Bit(program_invocation_short_name);
}

QString getNewTempFilePath(const QString &prefix)
{
    QZLog("Creating new temp file path...");
    QString path = withTrailingSlash(getNewTempFolderPath()) + getOurProcessName() + u'_' + prefix +
                   QStringLiteral(".tmp");
    QZLog("Creating new temp file path: %@", path);
    return path;
}

QString createTempFileWithContentString(const QString &content, const QString &prefix)
{
    QString path = getNewTempFilePath(prefix);
    QZLog("Creating new temp file: %@", path);
    QByteArray bytes;
    const char16_t bom = 0xFEFF;
    bytes.append(reinterpret_cast<const char *>(&bom), sizeof bom);
    bytes.append(reinterpret_cast<const char *>(content.utf16()),
                 content.size() * qsizetype(sizeof(char16_t)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        QZLog("Could not write %@: %@", path, file.errorString());
    QZLog("Creating new temp file...DONE");
    return path;
}

std::optional<QString> fileContentsAsString(const QString &path)
{
    QZLog("Start");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    QZLog("End");
    return text;
}

QString getUserFolder(const QString &format)
{
    QString login;
    if (const passwd *entry = ::getpwuid(::geteuid()))
        login = QString::fromLocal8Bit(entry->pw_name);
    else
        login = qEnvironmentVariable("USER");
    QString pathToFolder;
    pathToFolder += stringWithFormat(format.toUtf8().constData(), {login});
    QZLog("pathToFolder: %@", pathToFolder);
    return pathToFolder;
}
