// SPDX-License-Identifier: GPL-3.0-or-later
// Time to open a tray submenu of a folder of 10,000 scripts, with debug logging off: from the
// submenu's aboutToShow to its items being there, the first time (every item is made) and again
// (the folder is listed anew, the items are kept), and from popup() to the menu being shown
// with its items laid out. Prints the medians.

#include "filesystemitem.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "scriptfolderlisting.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int runs = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The processor time of this thread, in milliseconds: what a step costs, whatever else the
// machine is busy with.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Fresh submenus, as after start-up, and the big folder's submenu in them, not yet opened: its
// first opening makes every item.
QMenu *freshBigMenu(QZAppDelegate &delegate, QMenu *scriptsMenu)
{
    delegate.updateScriptsMenu();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QMenu *userFolder = scriptsMenu->actions().first()->menu();
    emit userFolder->aboutToShow();
    return userFolder->actions().first()->menu();
}

// From popup(), which fills the menu again (aboutToShow) and lays out its items before it shows,
// to the menu being shown; the menu is hidden again afterwards.
double popupMilliseconds(QMenu *menu)
{
    QElapsedTimer timer;
    timer.start();
    menu->popup(QPoint(0, 0));
    QApplication::processEvents();
    const double elapsed = millisecondsSince(timer);
    menu->hide();
    QApplication::processEvents();
    return elapsed;
}

// The line that run-benchmarks reads: what was timed, the figure and the target.
void printBench(const char *what, double milliseconds)
{
    std::printf("BENCH\t%s\t%.1f ms\t<= 150 ms\n", what, milliseconds);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QApplication application(argc, argv);
    installTextTable();

    const QString scripts = home.filePath(QStringLiteral("Library/Scripts"));
    const QString big = scripts + QStringLiteral("/Big");
    QDir().mkpath(big);
    for (int file = 0; file < 10000; ++file) {
        QFile script(big + QStringLiteral("/script %1.sh").arg(file));
        if (!script.open(QIODevice::WriteOnly))
            return 1;
    }

    QZAppDelegate delegate;
    appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->load();
    delegate.initStatusMenu();
    auto *scriptsMenu =
        qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuScriptsSubMenuKey).object());

    std::vector<double> firstFills;
    std::vector<double> refills;
    std::vector<double> popups;
    for (int run = 0; run < runs; ++run) {
        QMenu *bigMenu = freshBigMenu(delegate, scriptsMenu);
        QElapsedTimer timer;
        timer.start();
        emit bigMenu->aboutToShow();
        firstFills.push_back(millisecondsSince(timer));
        if (bigMenu->actions().size() != 10000) {
            std::fprintf(stderr, "bench_scriptsmenu: %lld items instead of 10000\n",
                         qint64(bigMenu->actions().size()));
            return 1;
        }
        timer.restart();
        emit bigMenu->aboutToShow();
        refills.push_back(millisecondsSince(timer));
        popups.push_back(popupMilliseconds(bigMenu));
    }
    // Listing the folder alone: reading it, the verdicts and the sorting by name.
    std::vector<double> listings;
    for (int run = 0; run < runs; ++run) {
        const double start = threadMilliseconds();
        if (listScriptFolder(big, {}).entries.size() != 10000)
            return 1;
        listings.push_back(threadMilliseconds() - start);
    }
    QStringList names;
    for (const ScriptFolderEntry &entry : listScriptFolder(big, {}).entries)
        names.append(entry.name);
    std::vector<double> sorts;
    for (int run = 0; run < runs; ++run) {
        const double start = threadMilliseconds();
        if (nameOrder(names).size() != 10000)
            return 1;
        sorts.push_back(threadMilliseconds() - start);
    }
    std::printf("folder of 10,000 files, listed and sorted by name: median %.1f ms of processor "
                "time, of which sorting %.1f ms\n",
                median(listings), median(sorts));
    // The first opening through popup(): every item is made, then laid out.
    std::vector<double> firstPopups(runs);
    for (double &milliseconds : firstPopups)
        milliseconds = popupMilliseconds(freshBigMenu(delegate, scriptsMenu));
    std::printf("submenu of 10,000 files, first opening, popup to shown and laid out: median %.1f "
                "ms\n",
                median(firstPopups));
    printBench("submenu of 10,000 files, first opening (popup to shown)", median(firstPopups));
    std::printf("submenu of 10,000 files, first opening, aboutToShow to filled: median %.1f ms "
                "(min %.1f, max %.1f, %zu runs)\n",
                median(firstFills), *std::min_element(firstFills.begin(), firstFills.end()),
                *std::max_element(firstFills.begin(), firstFills.end()), firstFills.size());
    std::printf("submenu of 10,000 files, opened again, aboutToShow to filled: median %.1f ms\n",
                median(refills));
    std::printf("submenu of 10,000 files, opened again, popup to shown and laid out: median %.1f "
                "ms\n",
                median(popups));
    printBench("submenu of 10,000 files, first opening (aboutToShow to filled)",
               median(firstFills));
    printBench("submenu of 10,000 files, opened again (aboutToShow to filled)", median(refills));
    printBench("submenu of 10,000 files, opened again (popup to shown)", median(popups));
    return 0;
}
