// SPDX-License-Identifier: GPL-3.0-or-later
#include "runfailurenotice.h"

#include "log.h"
#include "notifier.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "shell.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The kernel reads at most this much of a #! line.
constexpr qint64 interpreterLineLimit = 256;

// Why the shell could not start the script, found by looking at the file; nothing when the
// file looks runnable (the script then chose its status itself).
std::optional<RunOutcome> whyScriptCannotStart(const QString &path)
{
    if (isAppleScriptPath(path)) {
        if (QStandardPaths::findExecutable(QStringLiteral("osascript")).isEmpty())
            return RunOutcome::InterpreterMissing;
        return std::nullopt;
    }
    const QFileInfo file(path);
    if (!file.exists())
        return RunOutcome::NotFound;
    if (file.isDir())
        return RunOutcome::IsFolder;
    if (!file.isExecutable())
        return RunOutcome::NotExecutable;
    if (missingInterpreter(path))
        return RunOutcome::InterpreterMissing;
    return std::nullopt;
}

QString interpreterOf(const QString &path)
{
    if (isAppleScriptPath(path))
        return QStringLiteral("osascript");
    return missingInterpreter(path).value_or(QString());
}

// The first bytes of a regular file. This runs on the main thread, so nothing else is opened:
// opening a FIFO for reading would wait for a writer, and reading a device may never end. The
// open itself does not wait (O_NONBLOCK), in case the name is swapped after the look.
std::optional<QByteArray> regularFileStart(const QString &path, qint64 size)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        do
            n = ::read(fd, bytes.data(), size_t(size));
        while (n < 0 && errno == EINTR);
    }
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    bytes.truncate(n);
    return bytes;
}

// The words of a script's #! line, as the kernel reads it (only blanks and tabs separate
// words; a carriage return stays part of the last one).
std::optional<QStringList> hashBangWords(const QString &path)
{
    QByteArray line = regularFileStart(path, interpreterLineLimit).value_or(QByteArray());
    if (!line.startsWith("#!"))
        return std::nullopt;
    line = line.mid(2);
    if (const qsizetype end = line.indexOf('\n'); end >= 0)
        line.truncate(end);
    QStringList words;
    for (const QByteArray &word : line.replace('\t', ' ').split(' '))
        if (!word.isEmpty())
            words << QFile::decodeName(word);
    if (words.isEmpty())
        return std::nullopt;
    return words;
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

// The output's last lines, cut to a size a notification can show; control characters (colour
// escapes, carriage returns) are shown as replacement characters.
QStringList lastOutputLines(const std::optional<QStringList> &lines)
{
    if (!lines)
        return {};
    QStringList kept = *lines;
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    kept = kept.mid(qMax<qsizetype>(0, kept.size() - noticeOutputLines));
    for (QString &line : kept) {
        for (QChar &c : line)
            if (!c.isPrint() && c != u'\t' && !c.isSurrogate())
                c = QChar::ReplacementCharacter;
        if (line.size() > noticeLineLength) {
            qsizetype keep = noticeLineLength - 1;
            if (line.at(keep - 1).isHighSurrogate())
                --keep;
            line = line.left(keep) + u'…';
        }
    }
    return kept;
}

QString reasonText(RunOutcome outcome, const ScriptRunResult &result)
{
    const QString name = QFileInfo(result.path).fileName();
    switch (outcome) {
    case RunOutcome::NotFound:
        return localizedString(QStringLiteral("RunFailedNotFound")).arg(result.path);
    case RunOutcome::IsFolder:
        return localizedString(QStringLiteral("RunFailedIsFolder")).arg(result.path);
    case RunOutcome::NotExecutable:
        return localizedString(QStringLiteral("RunFailedNotExecutable"))
            .arg(name, QStringLiteral("chmod +x ") + shellSingleQuoted(result.path));
    case RunOutcome::InterpreterMissing: {
        QString interpreter = interpreterOf(result.path);
        const bool windowsLineEnding = interpreter.endsWith(u'\r');
        interpreter.remove(u'\r');
        QString text = localizedString(QStringLiteral("RunFailedInterpreterMissing"))
                           .arg(shellSingleQuoted(interpreter));
        if (windowsLineEnding)
            text += u' ' + localizedString(QStringLiteral("RunFailedWindowsLineEndings"));
        return text;
    }
    case RunOutcome::CouldNotStart:
        return localizedString(QStringLiteral("RunFailedCouldNotStart")).arg(result.failure);
    case RunOutcome::ExitedWithError:
        return localizedString(QStringLiteral("RunFailedExitStatus"))
            .arg(WEXITSTATUS(result.waitStatus));
    case RunOutcome::StatusLost:
        return localizedString(QStringLiteral("RunFailedStatusLost"));
    case RunOutcome::KilledBySignal: {
        const int signal = signalThatEndedRun(result).value_or(0);
        return localizedString(QStringLiteral("RunFailedSignal"))
            .arg(signal)
            .arg(QString::fromLocal8Bit(strsignal(signal)));
    }
    case RunOutcome::Succeeded:
    case RunOutcome::Stopped:
        break;
    }
    return {};
}

bool cannotStart(RunOutcome outcome)
{
    return outcome != RunOutcome::ExitedWithError && outcome != RunOutcome::KilledBySignal &&
           outcome != RunOutcome::StatusLost;
}

} // namespace

std::optional<QString> missingInterpreter(const QString &path)
{
    const std::optional<QStringList> words = hashBangWords(path);
    if (!words)
        return std::nullopt;
    const QString &interpreter = words->first();
    if (!isExecutableFile(interpreter))
        return interpreter;
    // "#!/usr/bin/env python3": env looks the program up on the path, which the script
    // inherits from Trundle.
    if (QFileInfo(interpreter).fileName() != QLatin1String("env"))
        return std::nullopt;
    for (const QString &word : words->mid(1)) {
        if (word.startsWith(u'-') || word.contains(u'='))
            continue;
        const bool found = word.contains(u'/') ? isExecutableFile(word)
                                               : !QStandardPaths::findExecutable(word).isEmpty();
        if (!found)
            return word;
        break;
    }
    return std::nullopt;
}

RunOutcome classifyRun(const ScriptRunResult &result)
{
    if (result.stopped)
        return RunOutcome::Stopped;
    if (result.statusLost)
        return RunOutcome::StatusLost;
    if (!result.failure.isEmpty() || result.waitStatus < 0)
        return RunOutcome::CouldNotStart;
    if (signalThatEndedRun(result))
        return RunOutcome::KilledBySignal;
    const int status = WEXITSTATUS(result.waitStatus);
    if (status == 0)
        return RunOutcome::Succeeded;
    if (status == 126 || status == 127) {
        if (const std::optional<RunOutcome> why = whyScriptCannotStart(result.path))
            return *why;
    }
    return RunOutcome::ExitedWithError;
}

std::optional<int> signalThatEndedRun(const ScriptRunResult &result)
{
    if (result.waitStatus < 0)
        return std::nullopt;
    if (WIFSIGNALED(result.waitStatus))
        return WTERMSIG(result.waitStatus);
    const int status = WEXITSTATUS(result.waitStatus);
    if (status > 128 && status - 128 < NSIG)
        return status - 128;
    return std::nullopt;
}

QString shellSingleQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

std::optional<RunFailureText> runFailureText(const ScriptRunResult &result)
{
    const RunOutcome outcome = classifyRun(result);
    if (outcome == RunOutcome::Succeeded || outcome == RunOutcome::Stopped)
        return std::nullopt;
    RunFailureText text;
    const QString name = QFileInfo(result.path).fileName();
    text.title = localizedString(cannotStart(outcome) ? QStringLiteral("RunFailedCannotStartTitle")
                                                      : QStringLiteral("RunFailedTitle"))
                     .arg(name);
    text.body = reasonText(outcome, result);
    const QStringList output = lastOutputLines(result.lines);
    if (!output.isEmpty())
        text.body += QStringLiteral("\n\n") +
                     localizedString(QStringLiteral("RunFailedOutputHeading")) + u'\n' +
                     output.join(u'\n');
    return text;
}

RunFailureNotice::RunFailureNotice(ScriptRunner *runner, QObject *parent) : QObject(parent)
{
    connect(runner, &ScriptRunner::runFinished, this, &RunFailureNotice::runFinished);
}

bool RunFailureNotice::isEnabled()
{
    if (!appGlobals)
        return true;
    const PlistValue stored = appGlobals->objectForKey(kNotifyFailedRunsSettingKey);
    return stored.isNull() || stored.boolValue();
}

void RunFailureNotice::runFinished(const ScriptRunResult &result)
{
    const std::optional<RunFailureText> text = runFailureText(result);
    if (!text)
        return;
    if (!isEnabled()) {
        QZLog("Failure notifications are off: %@", text->title);
        return;
    }
    QZLog("Telling the user: %@", text->title);
    platform::Notifier::shared()->notify(text->title, text->body);
}
