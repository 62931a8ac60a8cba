// Trundle: runs your scripts from the tray, from global hot keys and from a script browser.

#include "browserwindow.h"
#include "maininterface.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "singleinstance.h"
#include "trundle_build_info.h"
#include "unixsignals.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

#include <cstdio>

// Without a display the toolkit would abort with a long message; one clear sentence is better.
static bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("Trundle needs a graphical desktop session, and none was found (DISPLAY and "
                   "WAYLAND_DISPLAY are not set).\n",
                   stderr);
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trundle"));
    QApplication::setApplicationVersion(QStringLiteral(TRUNDLE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("trundle"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstanceGuard instance;
    if (!instance.acquire()) {
        std::fprintf(stderr, "%s\n", qPrintable(instance.message()));
        return 0;
    }

    installTextTable();
    QApplication::setWindowIcon(QIcon(imageResourcePath(QStringLiteral("Icon_coloured.png"))));

    QZAppDelegate delegate;
    const MainInterface mainInterface = loadMainInterface(&delegate);

    UnixSignalQuitter signalQuitter;
    QObject::connect(&signalQuitter, &UnixSignalQuitter::signalReceived, &application,
                     &QCoreApplication::quit);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     &QZAppDelegate::applicationWillTerminate);
    // The session manager may end the process after this without a quit: save now.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate](QSessionManager &) { delegate.applicationWillTerminate(); });
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &delegate,
                     [&delegate](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             delegate.applicationWillBecomeActive();
                             delegate.applicationDidBecomeActive();
                         }
                     });

    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();
    delete mainInterface.window;
    return status;
}
