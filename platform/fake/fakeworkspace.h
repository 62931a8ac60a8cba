// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A workspace for tests: the test says which application is active and which ones are running,
// makes the notifications happen, and reads back what was asked to come to the front.
//
//   platform::FakeWorkspace workspace;
//   platform::Workspace::setSharedForTesting(&workspace);
//   workspace.simulateActivation({4242, "org.example.Editor", 0x1200007});

#include "workspace.h"

#include <QList>

namespace platform {

class FakeWorkspace : public Workspace
{
    Q_OBJECT
public:
    explicit FakeWorkspace(QObject *parent = nullptr);
    // Stops being the shared workspace if it is.
    ~FakeWorkspace() override;

    std::optional<RunningApplication> activeApplication() const override;
    // Records the call; true when an application with that pid was added. Nothing is emitted:
    // the real backend learns of the change later, from the window manager.
    bool activateApplicationWithProcessIdentifier(qint64 pid) override;

    void setActiveApplication(const std::optional<RunningApplication> &app);
    void addRunningApplication(const RunningApplication &app);

    // What the real backend does when the window manager activates app: didDeactivate for the
    // previous application (if another one), didActivate for app, and app becomes active.
    void simulateActivation(const RunningApplication &app);
    void simulateSessionResignActive();

    // Every pid passed to activateApplicationWithProcessIdentifier, in order.
    QList<qint64> activationRequests() const { return m_activationRequests; }
    void clearActivationRequests() { m_activationRequests.clear(); }

private:
    std::optional<RunningApplication> m_active;
    QList<RunningApplication> m_running;
    QList<qint64> m_activationRequests;
};

} // namespace platform
