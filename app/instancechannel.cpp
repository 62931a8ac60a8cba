// SPDX-License-Identifier: GPL-3.0-or-later
#include "instancechannel.h"

#include "log.h"
#include "resources.h"
#include "tempfiles.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// Nothing longer than the request is ever read.
constexpr qint64 requestLimit = sizeof(InstanceChannelServer::showWindowRequest) - 1;
// A connection that has not sent its request by then is dropped.
constexpr int requestTimeoutMs = 5000;
constexpr int connectionLimit = 4;
// While the running copy starts up, the second start asks again this often.
constexpr int retryIntervalMs = 100;
// How long a second start waits for the running copy: generous, since that copy may itself be
// starting, or be busy on a slow machine.
constexpr int answerTimeoutMs = 20000;

} // namespace

QString instanceChannelPath()
{
    return instanceFolderPath() + QStringLiteral("trundle.socket");
}

InstanceChannelServer::InstanceChannelServer(QObject *parent) : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this,
            &InstanceChannelServer::acceptConnections);
}

bool InstanceChannelServer::listen(const QString &path)
{
    QLocalServer::removeServer(path);
    if (m_server.listen(path))
        return true;
    processLog("A second start of Trundle cannot reach this one: %@ (%@)", path,
               m_server.errorString());
    return false;
}

void InstanceChannelServer::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (m_server.findChildren<QLocalSocket *>().size() > connectionLimit) {
            QZLog("Too many connections on the instance channel; dropping one.");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(requestLimit);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(requestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void InstanceChannelServer::readRequest(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < requestLimit)
        return;
    const QByteArray request = socket->read(requestLimit);
    if (request != QByteArray(showWindowRequest)) {
        QZLog("Ignoring an unknown request on the instance channel.");
        socket->abort();
        socket->deleteLater();
        return;
    }
    QZLog("A second start asks for the browser window.");
    emit showWindowRequested();
    socket->write(answer);
    socket->disconnectFromServer();
}

bool askRunningInstanceToShowWindow(const QString &path, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(int(deadline.remainingTime()))) {
            QThread::msleep(retryIntervalMs);
            continue;
        }
        socket.write(InstanceChannelServer::showWindowRequest);
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
        while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
        }
        return socket.readLine(16) == QByteArray(InstanceChannelServer::answer);
    }
    return false;
}

int showWindowOfRunningInstance(qint64 runningProcessId)
{
    if (askRunningInstanceToShowWindow(instanceChannelPath(), answerTimeoutMs))
        return 0;
    std::fprintf(stderr, "%s\n",
                 qPrintable(localizedString(QStringLiteral("InstanceDidNotAnswer"))
                                .arg(runningProcessId)
                                .arg(answerTimeoutMs / 1000)));
    return 1;
}
