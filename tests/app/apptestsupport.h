// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the application controller's tests (over the common test support): a controller that
// has gone through its whole start-up against the fake workspace, so that its event monitors and
// workspace observers are installed exactly as in the running program.

#include "fakenotifier.h"
#include "fakesessionlock.h"
#include "fakeworkspace.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "testsupport.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

// The controller after applicationDidFinishLaunching, with the fake workspace, the fake
// session lock (unlocked, unless a test says otherwise) and the fake notifier as the shared
// ones, in a home that has the user's script folder. Start-up makes appGlobals afresh and loads
// the (empty) settings file into it.
struct LaunchedController
{
    platform::FakeWorkspace workspace;
    platform::FakeSessionLock sessionLock;
    platform::FakeNotifier notifier;
    QZAppDelegate delegate;

    LaunchedController()
    {
        QDir::home().mkpath(QStringLiteral("Library/Scripts/Trundle Scripts"));
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
