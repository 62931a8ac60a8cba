// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a second start of Trundle reaches the copy that runs: a local socket beside the
// single-instance lock, in the folder every start of the user finds (instanceFolderPath()),
// open to the user only. The
// second start asks the running copy to show its browser window and leaves.
//
// The running copy reads the socket as untrusted input: it knows one fixed request, reads at
// most a few bytes from each connection, gives each one a few seconds, and serves only a few at
// a time.

#include <QLocalServer>
#include <QObject>
#include <QString>

class QLocalSocket;

// <instance folder>/trundle.socket
QString instanceChannelPath();

class InstanceChannelServer : public QObject
{
    Q_OBJECT

public:
    // The request and its answer, each one line.
    static constexpr char showWindowRequest[] = "show-browser\n";
    static constexpr char answer[] = "ok\n";

    explicit InstanceChannelServer(QObject *parent = nullptr);

    // Starts serving at path, replacing a socket left there by a copy that ended (the caller
    // holds the single-instance lock, so no live copy serves there). False when it cannot.
    bool listen(const QString &path);

signals:
    void showWindowRequested();

private:
    void acceptConnections();
    void readRequest(QLocalSocket *socket);

    QLocalServer m_server; // the parent of the connections it serves
};

// What a second start does: asks the running copy (process runningProcessId) to show its window
// and returns this start's exit status, 0 once answered; 1, with a line on standard error, when
// no answer came within 20 seconds.
int showWindowOfRunningInstance(qint64 runningProcessId);

// Asks the copy that serves at path to show its window. While it is still starting up (nothing
// serves there yet) it is asked again, until timeoutMs have passed. True once it has answered.
bool askRunningInstanceToShowWindow(const QString &path, int timeoutMs);
