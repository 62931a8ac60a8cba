// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeinput.h"

#include "eventconversion.h"
#include "eventmonitor.h"

namespace platform {

FakeInputBackend::FakeInputBackend(HotKeyObstacle obstacle, QString reason)
    : m_obstacle(obstacle), m_reason(std::move(reason))
{}

FakeInputBackend::~FakeInputBackend()
{
    if (InputBackend::isSharedForTesting(this))
        InputBackend::setSharedForTesting(nullptr);
}

void FakeInputBackend::setFunctionKeyBindings(const FunctionKeyBindings &bindings)
{
    InputBackend::setFunctionKeyBindings(bindings);
    m_bindings.append(bindings);
}

void FakeInputBackend::setSettled(bool settled)
{
    m_settled = settled;
    emit statusChanged();
}

void FakeInputBackend::setObstacle(HotKeyObstacle obstacle, const QString &reason)
{
    m_obstacle = obstacle;
    m_reason = reason;
    emit statusChanged();
}

void FakeInputBackend::setKeyStatuses(const HotKeyStatuses &statuses)
{
    m_keyStatuses = statuses;
    emit statusChanged();
}

HotKeyStatuses FakeInputBackend::keyStatuses() const
{
    return m_keyStatuses ? *m_keyStatuses : InputBackend::keyStatuses();
}

void injectEventForTesting(const InputEvent &event, bool toOwnApplication)
{
    deliverInputEvent(event, toOwnApplication);
}

InputEvent functionKeyReleaseForTesting(int number, quint64 modifierFlags)
{
    return functionKeyReleaseEvent(number, modifierFlags);
}

InputEvent textKeyReleaseForTesting(const QString &text, quint64 modifierFlags)
{
    InputEvent event;
    event.type = keyUpType;
    event.characters = text;
    event.charactersIgnoringModifiers = text;
    event.modifierFlags = modifierFlags;
    return event;
}

InputEvent buttonReleaseForTesting(qint64 buttonNumber, quint64 modifierFlags)
{
    InputEvent event;
    event.type = eventTypeForButtonNumber(buttonNumber);
    event.buttonNumber = buttonNumber;
    event.modifierFlags = modifierFlags;
    return event;
}

} // namespace platform
