// SPDX-License-Identifier: GPL-3.0-or-later
// The record of the application that was activated last, and of the last one other than
// Trundle, which a double click in the browser brings back to the front before it runs the
// selected script (clicking into the browser makes Trundle the last one).

#include "qzappdelegate.h"

#include "log.h"
#include "preferencesdictionary.h"
#include "workspace.h"

void QZAppDelegate::observeWorkspace()
{
    platform::Workspace *workspace = platform::Workspace::shared();
    connect(workspace, &platform::Workspace::didDeactivateApplication, this,
            &QZAppDelegate::appDeactivate);
    connect(workspace, &platform::Workspace::sessionDidResignActive, this,
            &QZAppDelegate::sessionDeactivate);
    connect(workspace, &platform::Workspace::didActivateApplication, this,
            &QZAppDelegate::appActivate);
}

void QZAppDelegate::appActivate(const platform::RunningApplication &application)
{
    QZLog("Some APP has been activated...");
    QZLog("n: %@", application.description());
    QZLog("processID: %d", application.processIdentifier);
    QZLog("bundleID: %@", application.bundleIdentifier);
    if (application.processIdentifier >= 0 && !application.bundleIdentifier.isEmpty()) {
        appGlobals->setObject(application.processIdentifier, kPreviousApplicationPIDKey);
        appGlobals->setObject(application.bundleIdentifier, kPreviousApplicationNameKey);
        if (application.bundleIdentifier != platform::Workspace::ownBundleIdentifier()) {
            appGlobals->setObject(application.processIdentifier, kPreviousOtherApplicationPIDKey);
            appGlobals->setObject(application.bundleIdentifier, kPreviousOtherApplicationNameKey);
        }
    }
}

void QZAppDelegate::appDeactivate(const platform::RunningApplication &application)
{
    Q_UNUSED(application)
    QZLog("Some APP has been deactivated...");
}

void QZAppDelegate::sessionDeactivate()
{
    QZLog("Some SESSION has been deactivated...");
    QZLog("n: %@", QStringLiteral("session resigned active"));
}
