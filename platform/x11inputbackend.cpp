// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11inputbackend.h"

#include "x11connection.h"

namespace platform {

X11InputBackend::X11InputBackend(X11Connection *connection) : m_connection(connection)
{
    m_selected = m_connection->selectRawEvents(&m_refusal);
}

bool X11InputBackend::deliversReleases() const
{
    // Nothing arrives once the server has gone away.
    return m_selected && m_connection->isAlive();
}

HotKeyObstacle X11InputBackend::obstacle() const
{
    return deliversReleases() ? HotKeyObstacle::None : HotKeyObstacle::X11Unavailable;
}

QString X11InputBackend::obstacleReason() const
{
    if (m_selected && !m_connection->isAlive())
        return QStringLiteral("the X server has gone away");
    return m_refusal;
}

} // namespace platform
