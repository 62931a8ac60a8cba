// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeworkspace.h"

namespace platform {

FakeWorkspace::FakeWorkspace(QObject *parent) : Workspace(parent) {}

FakeWorkspace::~FakeWorkspace()
{
    if (Workspace::shared() == this)
        Workspace::setSharedForTesting(nullptr);
}

std::optional<RunningApplication> FakeWorkspace::activeApplication() const
{
    return m_active;
}

bool FakeWorkspace::activateApplicationWithProcessIdentifier(qint64 pid)
{
    m_activationRequests.append(pid);
    for (const RunningApplication &app : m_running) {
        if (app.processIdentifier == pid)
            return true;
    }
    return false;
}

void FakeWorkspace::setActiveApplication(const std::optional<RunningApplication> &app)
{
    m_active = app;
}

void FakeWorkspace::addRunningApplication(const RunningApplication &app)
{
    m_running.append(app);
}

void FakeWorkspace::simulateActivation(const RunningApplication &app)
{
    const std::optional<RunningApplication> previous = m_active;
    m_active = app;
    if (previous && previous->isSameApplication(app))
        return;
    if (previous)
        emit didDeactivateApplication(*previous);
    emit didActivateApplication(app);
}

void FakeWorkspace::simulateSessionResignActive()
{
    emit sessionDidResignActive();
}

} // namespace platform
