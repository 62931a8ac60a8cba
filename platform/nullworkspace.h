// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The workspace without a windowing system to ask: nothing is ever active, nothing can be
// brought to the front, no notification is ever sent.

#include "workspace.h"

namespace platform {

class NullWorkspace : public Workspace
{
    Q_OBJECT
public:
    using Workspace::Workspace;

    std::optional<RunningApplication> activeApplication() const override;
    bool activateApplicationWithProcessIdentifier(qint64 pid) override;
};

} // namespace platform
