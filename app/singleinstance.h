// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One Trundle per user: a second copy would fire every hot key twice and share the capture file.

#include <QLockFile>
#include <QString>

#include <memory>

class SingleInstanceGuard
{
public:
    // Tries to become the one running copy. On failure, message() says why.
    bool acquire();
    QString message() const { return m_message; }
    // The process that holds the lock, when acquire() failed because another copy runs; else 0.
    qint64 runningProcessId() const { return m_runningProcessId; }

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_message;
    qint64 m_runningProcessId = 0;
};
