// SPDX-License-Identifier: GPL-3.0-or-later
// Trundle: runs your scripts from the tray, from global hot keys and from a script browser.

#include "browserwindow.h"
#include "commandline.h"
#include "instancechannel.h"
#include "maininterface.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "scriptprocess.h"
#include "singleinstance.h"
#include "trundle_build_info.h"
#include "unixsignals.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

#include <cstdio>
#include <cstdlib>
#include <utility>

// The termination runs once, however the program ends: from aboutToQuit after the quit item or a
// signal, or from an exit handler when Qt leaves through exit() because its X connection broke
// (the X server went away), which skips aboutToQuit.
static QZAppDelegate *delegateToTerminate = nullptr;

static void terminateOnce()
{
    if (QZAppDelegate *delegate = std::exchange(delegateToTerminate, nullptr))
        delegate->applicationWillTerminate();
}

// Without a display the toolkit would abort with a long message; one clear sentence is better.
static bool displayAvailable(const CommandLineResult &commandLine)
{
    return commandLine.platformGiven || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The arguments as texts, untouched: QApplication still needs argv with Qt's options in it.
static QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int main(int argc, char *argv[])
{
    // Before anything can start a process: SIGCHLD as a parent may have left it (ignored) would
    // lose every script's status, and what the parent left open must not reach the scripts.
    ScriptProcess::prepareProgram();
    const CommandLineResult commandLine = parseCommandLine(argumentList(argc, argv));
    if (commandLine.exitNow) {
        std::fputs(commandLine.standardOutput.toLocal8Bit().constData(), stdout);
        std::fputs(commandLine.standardError.toLocal8Bit().constData(), stderr);
        return commandLine.exitStatus;
    }
    if (!displayAvailable(commandLine)) {
        std::fputs("Trundle needs a graphical desktop session, and none was found (DISPLAY and "
                   "WAYLAND_DISPLAY are not set).\n",
                   stderr);
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trundle"));
    QApplication::setApplicationVersion(QStringLiteral(TRUNDLE_VERSION));
    // The application id: the menu entry's name, and the app id of the windows on Wayland.
    QApplication::setDesktopFileName(QStringLiteral(TRUNDLE_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    installTextTable();

    // A second start brings back the running copy's window; the user may have closed it.
    SingleInstanceGuard instance;
    if (!instance.acquire()) {
        if (instance.runningProcessId() == 0) {
            std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
            return 1;
        }
        // The autostart entry of a session that already runs Trundle brings up nothing.
        if (commandLine.background)
            return 0;
        return showWindowOfRunningInstance(instance.runningProcessId());
    }
    QApplication::setWindowIcon(QIcon(imageResourcePath(QStringLiteral("Icon_coloured.png"))));

    QZAppDelegate delegate;
    const MainInterface mainInterface = loadMainInterface(&delegate);

    UnixSignalQuitter signalQuitter;
    QObject::connect(&signalQuitter, &UnixSignalQuitter::signalReceived, &application,
                     &QCoreApplication::quit);
    delegateToTerminate = &delegate;
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate, terminateOnce);
    // The session manager may end the process after this without a quit: save now. The logout
    // can still be cancelled, so a running script is left alone here.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate](QSessionManager &) { delegate.saveState(); });
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &delegate,
                     [&delegate](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             delegate.applicationWillBecomeActive();
                             delegate.applicationDidBecomeActive();
                         }
                     });

    delegate.setStartsInBackground(commandLine.background);
    delegate.applicationDidFinishLaunching();
    InstanceChannelServer instanceChannel;
    QObject::connect(&instanceChannel, &InstanceChannelServer::showWindowRequested, &delegate,
                     &QZAppDelegate::showBrowserWindow);
    instanceChannel.listen(instanceChannelPath());
    // Registered after start-up: an exit handler runs after the static objects constructed
    // later than its registration are destroyed, and start-up has made those it needs (the
    // ones made lazily on its way are never destroyed).
    std::atexit(terminateOnce);
    const int status = QApplication::exec();
    terminateOnce(); // at the latest here: the delegate goes with this scope
    delete mainInterface.window;
    return status;
}
