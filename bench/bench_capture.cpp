// SPDX-License-Identifier: GPL-3.0-or-later
// Output capture: a script that prints 300 MB, run through the program's script runner. Prints
// how much the peak resident memory grew over the run, the largest size the runtime folder
// reached meanwhile (sampled every 20 ms), the run's duration and what the log keeps.
//
//   bench_capture [MEGABYTES]

#include "boundedcapture.h"
#include "scriptrunner.h"
#include "shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>

namespace {

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS").
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// What the folder holds: the larger of the files' sizes and the blocks they take.
qint64 folderBytes(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        struct stat info = {};
        if (::lstat(QFile::encodeName(it.next()).constData(), &info) == 0)
            total += qMax<qint64>(info.st_size, qint64(info.st_blocks) * 512);
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 300;

    const QString script = home.filePath(QStringLiteral("prints.sh"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("#!/bin/sh\nhead -c " + QByteArray::number(megabytes * 1000 * 1000) +
               " /dev/zero | tr '\\0' 'x'\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    qint64 largestFolder = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { largestFolder = qMax(largestFolder, folderBytes(runtime)); });
    sampler.start(20);

    const qint64 peakBefore = statusKiB("VmHWM");
    ScriptRunResult result;
    QElapsedTimer clock;
    QObject::connect(ScriptRunner::shared(), &ScriptRunner::runFinished,
                     [&](const ScriptRunResult &r) {
                         result = r;
                         app.quit();
                     });
    clock.start();
    ScriptLaunch launch;
    launch.path = script;
    ScriptRunner::shared()->launch(launch);
    app.exec();
    const qint64 peakAfter = statusKiB("VmHWM");

    const qint64 keptChars = result.lines ? result.lines->join(u'\n').size() : 0;
    std::printf("output capture: %lld MB printed in %.1f s; peak memory grew by %.1f MiB "
                "(VmHWM %lld -> %lld KiB); largest runtime folder %lld bytes; the log keeps %lld "
                "characters and %lld bytes are left out\n",
                static_cast<long long>(megabytes), double(clock.elapsed()) / 1000.0,
                double(peakAfter - peakBefore) / 1024.0, static_cast<long long>(peakBefore),
                static_cast<long long>(peakAfter), static_cast<long long>(largestFolder),
                static_cast<long long>(keptChars), static_cast<long long>(result.omittedBytes));
    std::printf("BENCH\tpeak memory growth for %lld MB of script output\t%.1f MiB\t< 64 MiB\n",
                static_cast<long long>(megabytes), double(peakAfter - peakBefore) / 1024.0);
    std::printf("BENCH\tlargest runtime folder while it runs\t%lld bytes\ta few MiB at most\n",
                static_cast<long long>(largestFolder));
    return result.waitStatus == 0 ? 0 : 1;
}
