// SPDX-License-Identifier: GPL-3.0-or-later
// Time to open a tray submenu of a folder of 10,000 scripts, with debug logging off: from the
// submenu's aboutToShow to its items being there, the first time (every item is made) and again
// (the folder is listed anew, the items are kept), and from popup() to the menu being shown
// with its items laid out. Prints the medians.

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

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
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
    for (int run = 0; run < 7; ++run) {
        // Fresh submenus, as after start-up: the first opening makes every item.
        delegate.updateScriptsMenu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QMenu *userFolder = scriptsMenu->actions().first()->menu();
        emit userFolder->aboutToShow();
        QMenu *bigMenu = userFolder->actions().first()->menu();

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

        // popup() fills the menu again (aboutToShow) and lays out its items before it shows.
        timer.restart();
        bigMenu->popup(QPoint(0, 0));
        QApplication::processEvents();
        popups.push_back(millisecondsSince(timer));
        bigMenu->hide();
        QApplication::processEvents();
    }
    // The first opening through popup(): every item is made, then laid out.
    std::vector<double> firstPopups;
    for (int run = 0; run < 7; ++run) {
        delegate.updateScriptsMenu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QMenu *userFolder = scriptsMenu->actions().first()->menu();
        emit userFolder->aboutToShow();
        QMenu *bigMenu = userFolder->actions().first()->menu();
        QElapsedTimer timer;
        timer.start();
        bigMenu->popup(QPoint(0, 0));
        QApplication::processEvents();
        firstPopups.push_back(millisecondsSince(timer));
        bigMenu->hide();
        QApplication::processEvents();
    }
    std::printf("submenu of 10,000 files, first opening, popup to shown and laid out: median %.1f "
                "ms\n",
                median(firstPopups));
    std::printf("BENCH\tsubmenu of 10,000 files, first opening (popup to shown)\t%.1f ms\t<= 150 "
                "ms\n",
                median(firstPopups));
    std::printf("submenu of 10,000 files, first opening, aboutToShow to filled: median %.1f ms "
                "(min %.1f, max %.1f, %zu runs)\n",
                median(firstFills), *std::min_element(firstFills.begin(), firstFills.end()),
                *std::max_element(firstFills.begin(), firstFills.end()), firstFills.size());
    std::printf("submenu of 10,000 files, opened again, aboutToShow to filled: median %.1f ms\n",
                median(refills));
    std::printf("submenu of 10,000 files, opened again, popup to shown and laid out: median %.1f "
                "ms\n",
                median(popups));
    std::printf("BENCH\tsubmenu of 10,000 files, first opening (aboutToShow to filled)\t%.1f "
                "ms\t<= 150 ms\n",
                median(firstFills));
    std::printf("BENCH\tsubmenu of 10,000 files, opened again (aboutToShow to filled)\t%.1f "
                "ms\t<= 150 ms\n",
                median(refills));
    std::printf("BENCH\tsubmenu of 10,000 files, opened again (popup to shown)\t%.1f ms\t<= 150 "
                "ms\n",
                median(popups));
    return 0;
}
