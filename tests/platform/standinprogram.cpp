// SPDX-License-Identifier: GPL-3.0-or-later
#include "standinprogram.h"

#include <QCoreApplication>

#include <cstdio>

int serveUntilStopped(bool served, const QString &what)
{
    if (!served) {
        std::fprintf(stderr, "%s: cannot take %s\n",
                     qPrintable(QCoreApplication::applicationName()), qPrintable(what));
        return 1;
    }
    std::fputs("serving\n", stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
