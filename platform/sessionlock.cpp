// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionlock.h"

#include "backend.h"

namespace platform {

namespace {
SessionLock *g_sessionLockForTesting = nullptr;
}

SessionLock::SessionLock(QObject *parent) : QObject(parent) {}

SessionLock::~SessionLock() = default;

SessionLock *SessionLock::shared()
{
    if (g_sessionLockForTesting != nullptr)
        return g_sessionLockForTesting;
    return sharedSessionLockBackend();
}

void SessionLock::setSharedForTesting(SessionLock *fake)
{
    g_sessionLockForTesting = fake;
}

bool SessionLock::isSharedForTesting(const SessionLock *lock)
{
    return lock != nullptr && g_sessionLockForTesting == lock;
}

std::optional<QString> NullSessionLock::reasonToWithholdHotKeys()
{
    return std::nullopt;
}

CombinedSessionLock::CombinedSessionLock(const std::vector<SessionLock *> &sources, QObject *parent)
    : SessionLock(parent), m_sources(sources)
{
    for (SessionLock *source : m_sources) {
        source->setParent(this);
        connect(source, &SessionLock::stateChanged, this, &SessionLock::stateChanged);
    }
}

std::optional<QString> CombinedSessionLock::reasonToWithholdHotKeys()
{
    for (SessionLock *source : m_sources) {
        if (std::optional<QString> reason = source->reasonToWithholdHotKeys())
            return reason;
    }
    return std::nullopt;
}

} // namespace platform
