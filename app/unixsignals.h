// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turns SIGTERM, SIGINT and SIGHUP into an orderly quit of the event loop, so that the
// settings are saved however the program is asked to stop.

#include <QObject>

class QSocketNotifier;

class UnixSignalQuitter : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalQuitter(QObject *parent = nullptr);
    ~UnixSignalQuitter() override;

signals:
    // Emitted on the main thread with the number of the signal that arrived.
    void signalReceived(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};
