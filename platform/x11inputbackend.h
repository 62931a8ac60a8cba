// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hot-key input from the X server: XInput 2.2 raw key and button releases of the whole desktop
// on Trundle's own connection, which hands each one to the monitors (x11connection.cpp).

#include "inputbackend.h"

namespace platform {

class X11Connection;

class X11InputBackend : public InputBackend
{
public:
    // Asks the server for the raw events now; connection must outlive the backend.
    explicit X11InputBackend(X11Connection *connection);

    QString name() const override { return QStringLiteral("X11"); }
    bool deliversReleases() const override;
    HotKeyObstacle obstacle() const override;
    QString obstacleReason() const override;
    HotKeySource source() const override { return HotKeySource::X11; }

private:
    X11Connection *m_connection;
    bool m_selected = false;
    QString m_refusal;
};

} // namespace platform
