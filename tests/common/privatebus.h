// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A D-Bus daemon of the test's own: started with a configuration file, listening on a socket in
// a temporary folder of its own, and stopped by its process id when the object goes. A test
// that needs one skips when dbus-daemon is not installed:
//
//   PrivateBus m_bus;                                        // a member of the test class
//   void initTestCase() { TRUNDLE_START_PRIVATE_BUS(m_bus); }
//   ... Server server(m_bus.connect(QStringLiteral("server"))); ...

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateBus
{
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // The path of dbus-daemon, or an empty text when it is not installed.
    static QString daemonProgram();
    // A bus that stands in for the system bus: anyone may own any name and send anything, and
    // no service is started for a name nobody owns (tests/data/dbus/private-system-bus.conf).
    static QString standInSystemBusConfig();

    // Starts dbus-daemon with configFile and waits, within a generous limit, for the address it
    // prints. False, with errorString() saying why, when it cannot start or names no address.
    bool start(const QString &configFile = standInSystemBusConfig());
    // Ends the daemon, if it runs, by its process id, and waits for it to end.
    void stop();

    QString address() const { return m_address; }
    // The temporary folder the bus's socket is in, which lives as long as this object.
    QString folder() const { return m_folder.path(); }
    QString errorString() const { return m_error; }
    // The daemon's process id, 0 when it does not run.
    qint64 processId() const { return m_daemon.processId(); }

    // A new connection to the bus, under a connection name made unique by a count: a
    // connection that has gone must not leave its name behind. Warns when it cannot connect.
    QDBusConnection connect(const QString &name);

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    int m_connections = 0;
};

// In a test function (initTestCase, say): skips the test when dbus-daemon is not installed and
// fails it when the bus does not start. A second argument names another configuration file.
#define TRUNDLE_START_PRIVATE_BUS(bus, ...)                                                        \
    do {                                                                                           \
        if (PrivateBus::daemonProgram().isEmpty())                                                 \
            QSKIP("dbus-daemon is not installed: the tests on a private bus cannot run");          \
        QVERIFY2((bus).start(__VA_ARGS__), qPrintable((bus).errorString()));                       \
    } while (false)
