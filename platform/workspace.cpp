// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace.h"

#include "backend.h"
#include "resources.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace platform {

namespace {
Workspace *g_workspaceForTesting = nullptr;
}

QString RunningApplication::description() const
{
    return QStringLiteral("%1 (pid %2, window 0x%3)")
        .arg(bundleIdentifier.isEmpty() ? QStringLiteral("(no identifier)") : bundleIdentifier)
        .arg(processIdentifier)
        .arg(window, 0, 16);
}

bool RunningApplication::isSameApplication(const RunningApplication &other) const
{
    if (processIdentifier >= 0 || other.processIdentifier >= 0)
        return processIdentifier == other.processIdentifier;
    return window == other.window;
}

Workspace::Workspace(QObject *parent) : QObject(parent) {}

Workspace::~Workspace() = default;

Workspace *Workspace::shared()
{
    if (g_workspaceForTesting != nullptr)
        return g_workspaceForTesting;
    return sharedWorkspaceBackend();
}

void Workspace::setSharedForTesting(Workspace *fake)
{
    g_workspaceForTesting = fake;
}

QString Workspace::ownBundleIdentifier()
{
    // Qt's X11 platform writes the application name as the class part of every window's
    // WM_CLASS (the application name defaults to the program's file name).
    if (QCoreApplication::instance() != nullptr && !QCoreApplication::applicationName().isEmpty())
        return QCoreApplication::applicationName();
    return ::ownBundleIdentifier();
}

#if TRUNDLE_HAVE_X11
void keepOutOfTaskbarOnX11(QWindow *window); // x11workspace.cpp
#endif

void keepOutOfTaskbar(QWindow *window)
{
#if TRUNDLE_HAVE_X11
    if (window && QGuiApplication::platformName() == QLatin1String("xcb"))
        keepOutOfTaskbarOnX11(window);
#else
    Q_UNUSED(window)
#endif
}

} // namespace platform
