#include "shell.h"

#include "log.h"
#include "tempfiles.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

QString shellQuoted(const QString &text)
{
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += u'"';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"' || c == u'$' || c == u'`')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

bool isAppleScriptPath(const QString &path)
{
    return path.endsWith(QLatin1String(".applescript")) || path.endsWith(QLatin1String(".scpt"));
}

QString scriptCommandLine(const QString &path)
{
    if (isAppleScriptPath(path))
        return QStringLiteral("osascript -sh ") + shellQuoted(path);
    return shellQuoted(path);
}

QStringList outputLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

// Starts /bin/sh with the line and waits for it, as system() does (SIGINT and SIGQUIT ignored
// and SIGCHLD blocked here until the shell has ended, their defaults in the shell), but calls
// whileRunning in between.
static int spawnShellAndWait(QByteArray line, const std::function<void()> &whileRunning)
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction savedInterrupt = {};
    struct sigaction savedQuit = {};
    sigaction(SIGINT, &ignore, &savedInterrupt);
    sigaction(SIGQUIT, &ignore, &savedQuit);
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigset_t savedMask;
    sigprocmask(SIG_BLOCK, &childSignal, &savedMask);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &savedMask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char shell[] = "sh";
    char option[] = "-c";
    char *arguments[] = {shell, option, line.data(), nullptr};
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, "/bin/sh", nullptr, &attributes, arguments, environ) == 0) {
        whileRunning();
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                status = -1;
                break;
            }
        }
    }
    posix_spawnattr_destroy(&attributes);

    sigprocmask(SIG_SETMASK, &savedMask, nullptr);
    sigaction(SIGINT, &savedInterrupt, nullptr);
    sigaction(SIGQUIT, &savedQuit, nullptr);
    return status;
}

// Hands a line to /bin/sh and waits; the line is passed in the file-system encoding (UTF-8), so
// scripts whose names have accented letters run. A NUL cannot pass through the shell: such a
// line is refused rather than cut short.
static std::optional<int> runShellLine(const QString &line,
                                       const std::function<void()> &whileRunning = {})
{
    if (line.contains(QChar(u'\0'))) {
        QZLog("Refusing a command line that holds a NUL character: %@", line);
        return std::nullopt;
    }
    const QByteArray bytes = QFile::encodeName(line);
    if (whileRunning)
        return spawnShellAndWait(bytes, whileRunning);
    return std::system(bytes.constData());
}

std::optional<QStringList> executeScriptAndCollectOutput(const QString &commandLine,
                                                         const std::function<void()> &whileRunning)
{
    const QString capturePath = getNewTempFilePath(QStringLiteral("Quillbox"));
    const QString fullLine =
        commandLine + QStringLiteral(" > ") + shellQuoted(capturePath) + QStringLiteral(" 2>&1");
    QZLog("commandWithTempfilePipe: %@", fullLine);

    QZLog("Running command...");
    const std::optional<int> status = runShellLine(fullLine, whileRunning);
    QZLog("Running command...DONE");
    if (!status)
        return std::nullopt;

    const std::optional<QString> contents = fileContentsAsString(capturePath);
    QZLog("contentsAtPath: \"%@\"", contents ? PlistValue(*contents) : PlistValue());
    std::optional<QStringList> lines;
    if (contents)
        lines = outputLines(*contents);
    QZLog("lines: \"%@\"", lines ? PlistValue::fromStringList(*lines) : PlistValue());
    deleteFileAtPath(capturePath);
    return lines;
}

std::optional<QStringList> createFolder(const QString &path)
{
    const QString quoted = shellQuoted(path);
    return executeScriptAndCollectOutput(QStringLiteral("test ! -d ") + quoted +
                                         QStringLiteral(" && mkdir ") + quoted);
}

int deleteFileAtPath(const QString &path)
{
    QZLog("Removing file at: %@", path);
    const QString quoted = shellQuoted(path);
    const int status =
        runShellLine(QStringLiteral("test -f ") + quoted + QStringLiteral(" && rm ") + quoted)
            .value_or(-1);
    QZLog("Returned: %i", status);
    return status;
}

int runScriptWithParameter(const QString &scriptPath, const QString &parameter)
{
    QZLog("Running script %@ from bundle's folder...", scriptPath);
    QZLog("args: %@", parameter);
    const QString outputPath = getNewTempFilePath(QStringLiteral("runScriptWithParameter"));
    const QString command = QStringLiteral("osascript ") + shellQuoted(scriptPath) + u' ' +
                            shellQuoted(parameter) + QStringLiteral(" > ") +
                            shellQuoted(outputPath);
    QZLog("command: %s", command);
    const std::optional<int> status = runShellLine(command);
    if (!status)
        return -1;
    QZLog("commandResult: %i", *status);
    const std::optional<QString> result = fileContentsAsString(outputPath);
    QZLog("resultString: %@", result ? PlistValue(*result) : PlistValue());
    deleteFileAtPath(outputPath);
    QZLog("Running script from bundle's folder...DONE");
    return *status;
}
