// SPDX-License-Identifier: GPL-3.0-or-later
#include "browserwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStyle>

#include <algorithm>

QSize browserWindowSize(const QSize &available)
{
    // Half the width, for the script names and the hot-key column, and most of the height, so
    // the tree shows a few dozen rows; never below the size the window was designed at.
    const int width = std::clamp(available.width() / 2, 560, 960);
    const int height = std::max(available.height() * 85 / 100, 400);
    return {std::min(width, available.width()), std::min(height, available.height())};
}

void fitBrowserWindowToScreen(QMainWindow *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                            browserWindowSize(available.size()), available));
    // The tree takes about three quarters; Recent Runs, below it, the rest.
    if (auto *splitter = window->findChild<QSplitter *>(QStringLiteral("browserSplitter"))) {
        const int height = window->height();
        splitter->setSizes({height * 3 / 4, height - height * 3 / 4});
    }
}
