// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Input for tests: releases handed to the installed event monitors exactly as the X11 backend
// hands them over, plus the events that typical keys and buttons produce; and an input backend
// whose availability the test sets.
//
//   platform::FakeInputBackend input(platform::HotKeyObstacle::WaylandSession, "no portal");
//   platform::InputBackend::setSharedForTesting(&input);

#include "inputbackend.h"
#include "inputevent.h"

#include <QList>

#include <optional>

namespace platform {

class FakeInputBackend : public InputBackend
{
public:
    // Delivers releases when obstacle is None.
    explicit FakeInputBackend(HotKeyObstacle obstacle = HotKeyObstacle::None, QString reason = {});
    // Stops being the shared input backend if it is.
    ~FakeInputBackend() override;

    QString name() const override { return QStringLiteral("fake"); }
    bool deliversReleases() const override { return m_obstacle == HotKeyObstacle::None; }
    HotKeyObstacle obstacle() const override { return m_obstacle; }
    QString obstacleReason() const override { return m_reason; }
    HotKeySource source() const override { return m_source; }
    bool settled() const override { return m_settled; }
    void setFunctionKeyBindings(const FunctionKeyBindings &bindings) override;

    // Reports as X11 unless told otherwise.
    void setSource(HotKeySource source) { m_source = source; }
    // Settled unless told otherwise; a change is announced with statusChanged().
    void setSettled(bool settled);
    void setObstacle(HotKeyObstacle obstacle, const QString &reason);
    // What keyStatuses() says from now on, instead of the default.
    void setKeyStatuses(const HotKeyStatuses &statuses);
    HotKeyStatuses keyStatuses() const override;

    // Every list of bindings it was given, in order.
    QList<FunctionKeyBindings> bindingsReceived() const { return m_bindings; }

private:
    HotKeyObstacle m_obstacle;
    QString m_reason;
    HotKeySource m_source = HotKeySource::X11;
    bool m_settled = true;
    QList<FunctionKeyBindings> m_bindings;
    std::optional<HotKeyStatuses> m_keyStatuses;
};

// Delivers event to the local monitors when toOwnApplication, else to the global ones.
void injectEventForTesting(const InputEvent &event, bool toOwnApplication);

// The release of F<number> (1 to 35) as the X11 backend reports it.
InputEvent functionKeyReleaseForTesting(int number, quint64 modifierFlags = 0);
// The release of a key that types text (no keysym lookup: the text is taken as it is).
InputEvent textKeyReleaseForTesting(const QString &text, quint64 modifierFlags = 0);
// The release of the button with the program's number (0 left, 1 right, 2 and up others).
InputEvent buttonReleaseForTesting(qint64 buttonNumber, quint64 modifierFlags = 0);

} // namespace platform
