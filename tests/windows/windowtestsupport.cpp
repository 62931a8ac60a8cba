#include "windowtestsupport.h"

#include "plistvalue.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
QTemporaryDir *home = nullptr;
}

void useThrowAwayHome()
{
    home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/trundle-windows-test-XXXXXX"));
    const QString path = home->path();
    QDir(path).mkpath(QStringLiteral(".config"));
    QDir(path).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(path + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", path.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (path + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (path + QStringLiteral("/runtime")).toLocal8Bit());
    std::atexit([] { delete home; });
}

QString throwAwayHomePath()
{
    return home ? home->path() : QString();
}

TextTableWithGaps::TextTableWithGaps()
{
    if (!m_english.load(QStringLiteral(":/i18n/trundle_en.qm")))
        qFatal("The program's text table is not among the resources.");
}

QString TextTableWithGaps::translate(const char *context, const char *sourceText,
                                     const char *disambiguation, int n) const
{
    if (missing.contains(QString::fromUtf8(sourceText)))
        return QString();
    return m_english.translate(context, sourceText, disambiguation, n);
}

QString TextTableWithGaps::fullText(const QString &key) const
{
    return m_english.translate(nullptr, key.toUtf8().constData());
}

StandardErrorCapture::StandardErrorCapture()
{
    m_path = throwAwayHomePath() + QStringLiteral("/stderr-capture.txt");
    std::fflush(stderr);
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        qFatal("Cannot open %s", qPrintable(m_path));
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
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            m_text = QString::fromUtf8(file.readAll());
        QFile::remove(m_path);
        // Show the captured lines as well, so a failing test still has its log.
        std::fputs(m_text.toUtf8().constData(), stderr);
    }
    return m_text;
}

OpenedPages::OpenedPages()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
}

OpenedPages::~OpenedPages()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

bool settingsFileExists()
{
    return QFile::exists(SettingsFile::standardPath());
}

PlistValue settingsOnDisk()
{
    QFile file(SettingsFile::standardPath());
    if (!file.open(QIODevice::ReadOnly))
        return PlistValue::newDictionary();
    const std::optional<PlistValue> top = SettingsFile::parse(file.readAll());
    if (!top || !top->dictionary())
        return PlistValue::newDictionary();
    const PlistValue globals = top->dictionary()->value(kPreferencesGlobalsKey);
    return globals.isDictionary() ? globals : PlistValue::newDictionary();
}
