// SPDX-License-Identifier: GPL-3.0-or-later
#include "privatebus.h"

#include <QDBusError>
#include <QDeadlineTimer>
#include <QStandardPaths>

namespace {
constexpr int generous = 30000; // ms: a limit against hangs, not a measurement
}

PrivateBus::~PrivateBus()
{
    stop();
}

QString PrivateBus::daemonProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
}

QString PrivateBus::standInSystemBusConfig()
{
    return QStringLiteral(TRUNDLE_TEST_DATA_DIR "/dbus/private-system-bus.conf");
}

bool PrivateBus::start(const QString &configFile)
{
    stop();
    m_address.clear();
    m_error.clear();
    const QString program = daemonProgram();
    if (program.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed");
        return false;
    }
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder for the bus: %1").arg(m_folder.errorString());
        return false;
    }
    m_daemon.start(program, {QStringLiteral("--config-file=%1").arg(configFile),
                             QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                             QStringLiteral("--address=unix:path=%1/bus").arg(m_folder.path())});
    if (!m_daemon.waitForStarted(generous)) {
        m_error = QStringLiteral("dbus-daemon did not start: %1").arg(m_daemon.errorString());
        return false;
    }
    const QDeadlineTimer limit(generous);
    while (!m_daemon.canReadLine() && m_daemon.state() == QProcess::Running && !limit.hasExpired())
        m_daemon.waitForReadyRead(int(limit.remainingTime()));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon named no address: %1")
                      .arg(QString::fromLocal8Bit(m_daemon.readAllStandardError()));
        stop();
        return false;
    }
    return true;
}

void PrivateBus::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    // terminate() and kill() signal the daemon's own process id.
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(generous)) {
        m_daemon.kill();
        m_daemon.waitForFinished(generous);
    }
}

QDBusConnection PrivateBus::connect(const QString &name)
{
    QDBusConnection connection =
        QDBusConnection::connectToBus(m_address, name + QString::number(++m_connections));
    if (!connection.isConnected())
        qWarning("cannot connect to the test bus: %s",
                 qPrintable(connection.lastError().message()));
    return connection;
}
