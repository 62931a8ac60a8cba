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
    Q_UNUSED(bindings)
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
