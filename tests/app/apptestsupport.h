#pragma once

// Shared by the application controller's tests: a throw-away home, and a controller that has
// gone through its whole start-up against the fake workspace, so that its event monitors and
// workspace observers are installed exactly as in the running program.

#include "fakenotifier.h"
#include "fakesessionlock.h"
#include "fakeworkspace.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at a fresh folder that lives until the
// process ends; called before anything reads them.
inline QString useThrowAwayHome()
{
    static QTemporaryDir home;
    QString path = home.path();
    QDir(path).mkpath(QStringLiteral("Library/Scripts/Trundle Scripts"));
    QDir(path).mkpath(QStringLiteral(".config"));
    QDir(path).mkpath(QStringLiteral("run"));
    QFile::setPermissions(path + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(path));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path + QStringLiteral("/.config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path + QStringLiteral("/run")));
    return path;
}

// The controller after applicationDidFinishLaunching, with the fake workspace, the fake
// session lock (unlocked, unless a test says otherwise) and the fake notifier as the shared
// ones. Start-up makes appGlobals afresh and loads the (empty) settings file into it.
struct LaunchedController
{
    platform::FakeWorkspace workspace;
    platform::FakeSessionLock sessionLock;
    platform::FakeNotifier notifier;
    QZAppDelegate delegate;

    LaunchedController()
    {
        platform::Workspace::setSharedForTesting(&workspace);
        platform::SessionLock::setSharedForTesting(&sessionLock);
        platform::Notifier::setSharedForTesting(&notifier);
        delegate.applicationDidFinishLaunching();
    }
    ~LaunchedController()
    {
        platform::Workspace::setSharedForTesting(nullptr);
        platform::SessionLock::setSharedForTesting(nullptr);
        platform::Notifier::setSharedForTesting(nullptr);
    }
};

#define TRUNDLE_APP_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        useThrowAwayHome();                                                                        \
        QApplication app(argc, argv);                                                              \
        app.setQuitOnLastWindowClosed(false);                                                      \
        installTextTable();                                                                        \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
