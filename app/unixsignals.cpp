// SPDX-License-Identifier: GPL-3.0-or-later
#include "unixsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// A signal handler may do almost nothing; it writes the signal's number into a socket that the
// event loop watches, and the real work happens on the main thread.
static int signalSocket[2] = {-1, -1};

static void forwardSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
}

UnixSignalQuitter::UnixSignalQuitter(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0)
        return;
    ::fcntl(signalSocket[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalQuitter::readSignal);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

UnixSignalQuitter::~UnixSignalQuitter()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

void UnixSignalQuitter::readSignal()
{
    unsigned char byte = 0;
    if (::read(signalSocket[1], &byte, 1) == 1)
        emit signalReceived(byte);
}
