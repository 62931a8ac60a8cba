// SPDX-License-Identifier: GPL-3.0-or-later
// Time to open a folder of 10,000 scripts in the script browser: a fresh data source each run
// (so the folder is listed anew), then the first expansion as a view does it: the folder's row
// count and the icon (decoration) of every row. Also, for comparison: the same with both columns'
// texts, a real tree view expanding and painting the folder, and the icon lookups alone: by each
// file's full information (type from name or contents, as the browser does) and by kind only.
// Prints medians of several runs, debug logging off.

#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "preferencesdictionary.h"
#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int scriptCount = 10000;
constexpr int runs = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double medianOf(const std::function<double()> &oneRun)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i)
        times.push_back(oneRun());
    return median(times);
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The index of the big folder, the only child of the user's script folder.
QModelIndex bigFolder(QAbstractItemModel *model)
{
    const QModelIndex user = model->index(0, 0);
    model->rowCount(user);
    return model->index(0, 0, user);
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
    // Icons as on a desktop with an icon theme, when one is installed.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->setObject(false, kDebugLoggingSettingKey);
    appGlobals->setObject(PlistValue::newDictionary(), kShortcutsSettingKey);

    const QString folder = home.filePath(QStringLiteral("Library/Scripts/Many Scripts"));
    QDir().mkpath(folder);
    for (int i = 0; i < scriptCount; ++i) {
        QFile script(folder + QStringLiteral("/script %1.sh").arg(i));
        if (!script.open(QIODevice::WriteOnly))
            return 1;
        script.write("#!/bin/sh\necho hello\n");
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }
    // A few bindings, so the shortcuts column has a table to search.
    for (int id = 1; id <= 12; ++id)
        appGlobals->objectForKey(kShortcutsSettingKey)
            .dictionary()
            ->insert(QString::number(id), folder + QStringLiteral("/script %1.sh").arg(id * 7));

    const double iconsOnly = medianOf([] {
        FileBrowserDataSource ds;
        ds.initOutline();
        QAbstractItemModel *model = ds.model();
        QElapsedTimer timer;
        timer.start();
        const QModelIndex big = bigFolder(model);
        const int rows = model->rowCount(big);
        for (int r = 0; r < rows; ++r)
            model->index(r, 0, big).data(Qt::DecorationRole);
        const double ms = millisecondsSince(timer);
        if (rows != scriptCount)
            std::fprintf(stderr, "expected %d rows, got %d\n", scriptCount, rows);
        return ms;
    });

    const double withTexts = medianOf([] {
        FileBrowserDataSource ds;
        ds.initOutline();
        QAbstractItemModel *model = ds.model();
        QElapsedTimer timer;
        timer.start();
        const QModelIndex big = bigFolder(model);
        const int rows = model->rowCount(big);
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = model->index(r, 0, big);
            index.data(Qt::DecorationRole);
            index.data(Qt::DisplayRole);
            index.siblingAtColumn(1).data(Qt::DisplayRole);
        }
        return millisecondsSince(timer);
    });

    const double treeView = medianOf([] {
        FileBrowserDataSource ds;
        QTreeView view;
        view.resize(600, 800);
        ds._fileBrowserOutlineView = &view;
        ds.initOutline();
        view.show();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        view.expand(ds.model()->index(0, 0));
        view.expand(bigFolder(ds.model()));
        view.scrollToBottom();
        view.grab(); // lays out and paints the visible rows
        return millisecondsSince(timer);
    });

    const double typeIcons = medianOf([] {
        QFileIconProvider provider;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < scriptCount; ++i)
            provider.icon(QFileIconProvider::File);
        return millisecondsSince(timer);
    });

    const double fullInfoIcons = medianOf([&folder] {
        QFileIconProvider provider;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < scriptCount; ++i)
            provider.icon(QFileInfo(folder + QStringLiteral("/script %1.sh").arg(i)));
        return millisecondsSince(timer);
    });

    // Scripts without an ending, as many are on Linux: their type has to be read from the file.
    const QString bare = home.filePath(QStringLiteral("bare"));
    QDir().mkpath(bare);
    for (int i = 0; i < scriptCount; ++i) {
        QFile script(bare + QStringLiteral("/script-%1").arg(i));
        if (!script.open(QIODevice::WriteOnly))
            return 1;
        script.write("#!/bin/sh\necho hello\n");
    }
    const double fullInfoBareIcons = medianOf([&bare] {
        QFileIconProvider provider;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < scriptCount; ++i)
            provider.icon(QFileInfo(bare + QStringLiteral("/script-%1").arg(i)));
        return millisecondsSince(timer);
    });

    std::printf("bench_browser_open: open a folder of %d scripts (median of %d runs, icon "
                "theme %s)\n",
                scriptCount, runs, qPrintable(QIcon::themeName()));
    std::printf(
        "BENCH\topen a folder of 10,000 scripts in the browser (with icons)\t%.1f ms\t< 300 ms\n",
        iconsOnly);
    std::printf("  rowCount + icon of every row:          %8.1f ms  (target < 300 ms)\n",
                iconsOnly);
    std::printf("  ... plus both columns' texts:          %8.1f ms\n", withTexts);
    std::printf("  tree view: expand, scroll, paint:      %8.1f ms\n", treeView);
    std::printf("  icon lookups alone, by file info:      %8.1f ms  (what the browser does)\n",
                fullInfoIcons);
    std::printf("  ... for scripts without an ending:     %8.1f ms\n", fullInfoBareIcons);
    std::printf("  ... by kind only (file icon):          %8.1f ms\n", typeIcons);
    return 0;
}
