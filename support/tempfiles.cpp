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
