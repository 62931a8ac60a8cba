// SPDX-License-Identifier: GPL-3.0-or-later
// The channel a second start uses to bring back the running copy's window: the request is
// answered, a socket open to the user only, and input that is not the request (other bytes,
// too many, too few) is dropped without showing anything, while the channel keeps serving.

#include "instancechannel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

class TestInstanceChannel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void aSecondStartIsAnsweredAndTheWindowShown();
    void theSocketIsTheUsersOnly();
    void inputOtherThanTheRequestIsDropped_data();
    void inputOtherThanTheRequestIsDropped();
    void nobodyServingMeansNoAnswer();
    void aSocketLeftByAnEndedCopyIsReplaced();

private:
    // Asks from another thread (the asking side blocks, the serving side needs the event loop).
    bool askWhileServing(int timeoutMs = 30000);

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path;
};

void TestInstanceChannel::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_path = m_folder->filePath("trundle.socket");
}

bool TestInstanceChannel::askWhileServing(int timeoutMs)
{
    std::atomic<bool> answered = false;
    QThread *asker =
        QThread::create([&] { answered = askRunningInstanceToShowWindow(m_path, timeoutMs); });
    asker->start();
    while (!asker->isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    asker->wait();
    delete asker;
    return answered;
}

void TestInstanceChannel::aSecondStartIsAnsweredAndTheWindowShown()
{
    InstanceChannelServer server;
    QSignalSpy shown(&server, &InstanceChannelServer::showWindowRequested);
    QVERIFY(server.listen(m_path));
    QVERIFY(askWhileServing());
    QCOMPARE(shown.size(), 1);
    QVERIFY(askWhileServing());
    QCOMPARE(shown.size(), 2);
}

void TestInstanceChannel::theSocketIsTheUsersOnly()
{
    InstanceChannelServer server;
    QVERIFY(server.listen(m_path));
    const QFileInfo socket(m_path);
    QVERIFY(socket.exists());
    QCOMPARE(socket.permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFile::Permissions());
}

void TestInstanceChannel::inputOtherThanTheRequestIsDropped_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("another command") << QByteArray("quit-now!!!!\n");
    QTest::newRow("a flood") << QByteArray(1 << 20, 'x');
    QTest::newRow("the request without its newline, then garbage") << QByteArray("show-browserXYZ");
    QTest::newRow("a NUL inside") << QByteArray("show-\0rowser\n", 13);
}

void TestInstanceChannel::inputOtherThanTheRequestIsDropped()
{
    QFETCH(QByteArray, input);
    InstanceChannelServer server;
    QSignalSpy shown(&server, &InstanceChannelServer::showWindowRequested);
    QVERIFY(server.listen(m_path));
    QLocalSocket client;
    client.connectToServer(m_path);
    QVERIFY(client.waitForConnected(30000));
    client.write(input);
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QLocalSocket::UnconnectedState, 30000);
    QCOMPARE(shown.size(), 0);
    QVERIFY(!client.readAll().contains("ok"));
    // The channel still serves the real request afterwards.
    QVERIFY(askWhileServing());
    QCOMPARE(shown.size(), 1);
}

void TestInstanceChannel::nobodyServingMeansNoAnswer()
{
    // The limit only keeps a broken test from hanging: the answer is "no" once it is over.
    QVERIFY(!askRunningInstanceToShowWindow(m_path, 300));
}

void TestInstanceChannel::aSocketLeftByAnEndedCopyIsReplaced()
{
    {
        InstanceChannelServer ended;
        QVERIFY(ended.listen(m_path));
    }
    QFile stale(m_path);
    if (!stale.exists())
        QVERIFY(stale.open(QIODevice::WriteOnly)); // a leftover that is not even a socket
    InstanceChannelServer server;
    QSignalSpy shown(&server, &InstanceChannelServer::showWindowRequested);
    QVERIFY(server.listen(m_path));
    QVERIFY(askWhileServing());
    QCOMPARE(shown.size(), 1);
}

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "test_instancechannel.moc"
