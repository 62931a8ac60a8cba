// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of a mouse release that is bound to nothing: every click anywhere on the desktop
// passes through the hot-key dispatch, so this path must stay cheap. Calls
// handleMouseAndKeyEvents with an unbound button release in a loop, debug logging off and a
// shortcut table that binds a few other keys, and prints nanoseconds per call.

#include "inputevent.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QCoreApplication application(argc, argv);
    installTextTable();

    appGlobals = QZPreferencesDictionary::dictionary();
    appGlobals->load();
    appGlobals->setObject(false, kDebugLoggingSettingKey);
    // A table like a user's: the function keys and the right button bound, the middle one not.
    const PlistDictionaryRef table = appGlobals->objectForKey(kShortcutsSettingKey).dictionary();
    if (!table) {
        std::fprintf(stderr, "bench_hotkey_unbound: the store has no shortcut table\n");
        return 1;
    }
    for (int id = 1; id <= 12; ++id)
        table->insert(QString::number(id), QStringLiteral("/nonexistent/f%1.sh").arg(id));
    table->insert(QStringLiteral("14"), QStringLiteral("/nonexistent/right.sh"));

    QZAppDelegate delegate; // no data source: a bound key would not run anything either
    platform::InputEvent middleUp;
    middleUp.type = platform::otherMouseUpType;
    middleUp.buttonNumber = 2; // ID 15, unbound

    constexpr int callsPerRound = 200000;
    std::vector<double> nsPerCall;
    for (int round = 0; round < 9; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < callsPerRound; ++i)
            delegate.handleMouseAndKeyEvents(middleUp);
        nsPerCall.push_back(double(timer.nsecsElapsed()) / callsPerRound);
    }
    std::sort(nsPerCall.begin(), nsPerCall.end());
    std::printf("unbound mouse release through handleMouseAndKeyEvents, logging off: median %.0f "
                "ns per call (min %.0f, max %.0f; %d rounds of %d calls; target under 10000 "
                "ns)\n",
                nsPerCall[nsPerCall.size() / 2], nsPerCall.front(), nsPerCall.back(),
                int(nsPerCall.size()), callsPerRound);
    std::printf("BENCH\tunbound mouse release, dispatch cost\t%.0f ns\t< 10000 ns\n",
                nsPerCall[nsPerCall.size() / 2]);
    return 0;
}
