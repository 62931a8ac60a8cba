// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "resources.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static QTemporaryDir *throwAwayHome = nullptr;

QString useThrowAwayHome()
{
    if (throwAwayHome)
        return throwAwayHome->path();
    throwAwayHome = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/trundle-test-XXXXXX"));
    QString home = throwAwayHome->path();
    QDir(home).mkpath(QStringLiteral(".config"));
    QDir(home).mkpath(QStringLiteral("run"));
    // The runtime folder must be private, or the program falls back to one under /tmp.
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home + QStringLiteral("/run")));
    std::atexit([] {
        delete throwAwayHome;
        throwAwayHome = nullptr;
    });
    return home;
}

QString throwAwayHomePath()
{
    return throwAwayHome ? throwAwayHome->path() : QString();
}

StandardErrorCapture::StandardErrorCapture(const QString &journal)
    : m_journal(QFile::encodeName(journal))
{
    std::fflush(stderr);
    int fd = -1;
    if (m_journal.isEmpty()) {
        m_file = std::tmpfile();
        fd = m_file ? fileno(m_file) : -1;
    } else {
        fd = ::open(m_journal.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    }
    if (fd < 0) {
        // Without a capture the checks on its text fail on their own; say why.
        std::fprintf(stderr, "StandardErrorCapture: cannot open a file to capture into\n");
        return;
    }
    m_savedDescriptor = ::dup(STDERR_FILENO);
    ::dup2(fd, STDERR_FILENO);
    if (!m_file)
        ::close(fd);
}

StandardErrorCapture::~StandardErrorCapture()
{
    text();
    if (QTest::currentTestFailed() && !m_text.isEmpty()) {
        std::fputs("--- standard error captured by the failed test:\n", stderr);
        std::fputs(m_text.toUtf8().constData(), stderr);
    }
    if (m_file)
        std::fclose(m_file);
}

QString StandardErrorCapture::text()
{
    if (m_savedDescriptor < 0)
        return m_text;
    std::fflush(stderr);
    ::dup2(m_savedDescriptor, STDERR_FILENO);
    ::close(m_savedDescriptor);
    m_savedDescriptor = -1;
    QByteArray bytes;
    if (m_file) {
        std::rewind(m_file);
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, m_file)) > 0)
            bytes.append(chunk, qsizetype(got));
    } else {
        QFile file(QFile::decodeName(m_journal));
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    m_text = QString::fromUtf8(bytes);
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
    // The browser's order; the tests run in the C locale, which the browser sorts as English.
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

QString scriptsFolder(const QString &relative)
{
    const QString base = QDir::homePath() + QStringLiteral("/Library/Scripts");
    return relative.isEmpty() ? base : base + u'/' + relative;
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

void prepareTestProcess()
{
    useThrowAwayHome();
    // The tests compare the English texts; LANGUAGE decides the language of the text table
    // (before LC_ALL, LC_MESSAGES and LANG), and leaves the formats of the locale alone.
    qputenv("LANGUAGE", "en");
}

void prepareTestApplication(QApplication &application)
{
    application.setQuitOnLastWindowClosed(false);
    installTextTable();
}
