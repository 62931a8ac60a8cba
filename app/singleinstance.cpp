// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "tempfiles.h"

bool SingleInstanceGuard::acquire()
{
    // The lock lives in a folder that every start of the user finds, whatever its environment
    // says; a lock left by a copy that crashed is noticed by its dead process ID and taken over.
    const QString path = instanceFolderPath() + QStringLiteral("trundle.lock");
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    qint64 pid = 0;
    QString host, application;
    if (m_lock->error() == QLockFile::LockFailedError &&
        m_lock->getLockInfo(&pid, &host, &application)) {
        m_runningProcessId = pid;
        m_message = QStringLiteral("Trundle is already running (process %1).").arg(pid);
    } else {
        m_message = QStringLiteral("Trundle cannot take its lock file %1.").arg(path);
    }
    return false;
}
