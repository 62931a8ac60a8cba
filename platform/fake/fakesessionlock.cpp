// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakesessionlock.h"

namespace platform {

FakeSessionLock::FakeSessionLock(QObject *parent) : SessionLock(parent) {}

FakeSessionLock::~FakeSessionLock()
{
    if (SessionLock::isSharedForTesting(this))
        SessionLock::setSharedForTesting(nullptr);
}

std::optional<QString> FakeSessionLock::reasonToWithholdHotKeys()
{
    ++m_questions;
    return m_reason;
}

} // namespace platform
