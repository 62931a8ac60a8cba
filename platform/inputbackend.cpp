// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputbackend.h"

#include "backend.h"

namespace platform {

namespace {
InputBackend *g_inputBackendForTesting = nullptr;
}

InputBackend::~InputBackend() = default;

void InputBackend::setFunctionKeyBindings(const FunctionKeyBindings &bindings)
{
    if (m_bindings == bindings)
        return;
    m_bindings = bindings;
    // The keys' statuses name other keys now.
    emit statusChanged();
}

HotKeyStatuses InputBackend::keyStatuses() const
{
    HotKeyStatus status;
    if (!settled()) {
        status.state = HotKeyStatus::State::Asking;
    } else if (deliversReleases()) {
        status.state = HotKeyStatus::State::Armed;
        status.source = source();
    } else {
        status.reason = obstacleReason();
    }
    HotKeyStatuses statuses;
    for (auto it = m_bindings.cbegin(); it != m_bindings.cend(); ++it)
        statuses.insert(it.key(), status);
    return statuses;
}

InputBackend *InputBackend::shared()
{
    if (g_inputBackendForTesting != nullptr)
        return g_inputBackendForTesting;
    return sharedInputBackend();
}

void InputBackend::setSharedForTesting(InputBackend *fake)
{
    g_inputBackendForTesting = fake;
}

bool InputBackend::isSharedForTesting(const InputBackend *backend)
{
    return backend != nullptr && g_inputBackendForTesting == backend;
}

NullInputBackend::NullInputBackend(HotKeyObstacle obstacle, QString reason)
    : m_obstacle(obstacle), m_reason(std::move(reason))
{}

} // namespace platform
