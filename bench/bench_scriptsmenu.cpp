// Time to build the tray's scripts submenu for a script folder tree of 10,000 files (100
// folders of 100 scripts), with debug logging off. Prints the median of several builds.

#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QApplication application(argc, argv);
    installTextTable();

    const QString scripts = home.filePath(QStringLiteral("Library/Scripts"));
    for (int folder = 0; folder < 100; ++folder) {
        const QString dir = scripts + QStringLiteral("/Folder %1").arg(folder);
        QDir().mkpath(dir);
        for (int file = 0; file < 100; ++file) {
            QFile script(dir + QStringLiteral("/script %1.sh").arg(file));
            if (!script.open(QIODevice::WriteOnly))
                return 1;
        }
    }

    QZAppDelegate delegate;
    appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->load();
    delegate.initStatusMenu();

    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        delegate.updateScriptsMenu();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    auto *menu =
        qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuScriptsSubMenuKey).object());
    std::printf("scripts menu for 10,000 files: median %.1f ms (min %.1f, max %.1f, %zu runs, "
                "%lld top items)\n",
                times[times.size() / 2], times.front(), times.back(), times.size(),
                menu ? qint64(menu->actions().size()) : -1LL);
    std::printf("BENCH\tscripts menu for 10,000 files\t%.1f ms\t< 150 ms\n",
                times[times.size() / 2]);
    return 0;
}
