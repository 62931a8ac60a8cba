#include "browsertestsupport.h"

#include "preferencesdictionary.h"
#include "scriptrunner.h"

#include <QTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static QTemporaryDir *throwAwayHome = nullptr;

void useThrowAwayHome()
{
    if (throwAwayHome)
        return;
    throwAwayHome = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/trundle-browser-XXXXXX"));
    const QString home = throwAwayHome->path();
    QDir(home).mkpath(QStringLiteral(".config"));
    QDir(home).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home + QStringLiteral("/run")));
    std::atexit([] {
        delete throwAwayHome;
        throwAwayHome = nullptr;
    });
}

QString throwAwayHomePath()
{
    return throwAwayHome ? throwAwayHome->path() : QString();
}

void resetSettings(bool debugLogging)
{
    if (!appGlobals)
        appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->setObject(debugLogging, kDebugLoggingSettingKey);
    appGlobals->setObject(PlistValue::newDictionary(), kShortcutsSettingKey);
    appGlobals->removeObjectForKey(kExpandedItemsSettingKey);
    appGlobals->removeObjectForKey(kPreviousApplicationNameKey);
    appGlobals->removeObjectForKey(kPreviousApplicationPIDKey);
}

StandardErrorCapture::StandardErrorCapture(const QString &path)
{
    std::fflush(stderr);
    m_ownFile = path.isEmpty();
    m_path = QFile::encodeName(
        m_ownFile ? throwAwayHomePath() + QStringLiteral("/stderr-capture.txt") : path);
    const int flags = O_WRONLY | O_CREAT | O_APPEND | (m_ownFile ? O_TRUNC : 0);
    const int fd = ::open(m_path.constData(), flags, 0600);
    if (fd < 0)
        return;
    m_savedDescriptor = ::dup(STDERR_FILENO);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
}

StandardErrorCapture::~StandardErrorCapture()
{
    text();
}

QString StandardErrorCapture::text()
{
    if (m_savedDescriptor >= 0) {
        std::fflush(stderr);
        ::dup2(m_savedDescriptor, STDERR_FILENO);
        ::close(m_savedDescriptor);
        m_savedDescriptor = -1;
        QFile file(QFile::decodeName(m_path));
        if (file.open(QIODevice::ReadOnly))
            m_text = QString::fromUtf8(file.readAll());
        if (m_ownFile)
            file.remove();
    }
    return m_text;
}

bool makeFolder(const QString &path)
{
    return QDir().mkpath(path);
}

bool writeFile(const QString &path, const QByteArray &contents, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (file.write(contents) != contents.size())
        return false;
    file.close();
    if (executable)
        return file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return true;
}

bool makeSymlink(const QString &target, const QString &linkPath)
{
    return ::symlink(QFile::encodeName(target).constData(),
                     QFile::encodeName(linkPath).constData()) == 0;
}

QStringList listingOrder(const QString &folder)
{
    QStringList names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

void appendToJournal(const QString &path, const QString &line)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8() + '\n');
}

QStringList journalLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

bool waitUntilScriptsHaveRun(int timeoutMs)
{
    ScriptRunner *runner = ScriptRunner::shared();
    return QTest::qWaitFor([runner] { return !runner->isRunning() && runner->waitingCount() == 0; },
                           timeoutMs);
}
