// SPDX-License-Identifier: GPL-3.0-or-later
#include "nullworkspace.h"

#include "log.h"

namespace platform {

std::optional<RunningApplication> NullWorkspace::activeApplication() const
{
    return std::nullopt;
}

bool NullWorkspace::activateApplicationWithProcessIdentifier(qint64 pid)
{
    QZLog("No window system: cannot bring pid %lld to the front", pid);
    return false;
}

} // namespace platform
