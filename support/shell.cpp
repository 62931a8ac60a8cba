// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell.h"

#include "log.h"
#include "tempfiles.h"

#include <QFile>

#include <cstdlib>

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

QString scriptResultHeading(const QString &path)
{
    return isAppleScriptPath(path) ? QStringLiteral("Applescript returned this:")
                                   : QStringLiteral("(Shell-)Script returned this:");
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

// Hands a line to /bin/sh and waits; the line is passed in the file-system encoding (UTF-8), so
// scripts whose names have accented letters run. A NUL cannot pass through the shell: such a
// line is refused rather than cut short.
static std::optional<int> runShellLine(const QString &line)
{
    if (line.contains(QChar(u'\0'))) {
        QZLog("Refusing a command line that holds a NUL character: %@", line);
        return std::nullopt;
    }
    return std::system(QFile::encodeName(line).constData());
}

std::optional<QStringList> executeScriptAndCollectOutput(const QString &commandLine)
{
    const QString capturePath = getNewTempFilePath(QStringLiteral("Quillbox"));
    const QString fullLine =
        commandLine + QStringLiteral(" > ") + shellQuoted(capturePath) + QStringLiteral(" 2>&1");
    QZLog("commandWithTempfilePipe: %@", fullLine);

    QZLog("Running command...");
    const std::optional<int> status = runShellLine(fullLine);
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
