// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A notifier for tests: records every message it was asked to show, in order.
//
//   platform::FakeNotifier notifier;
//   platform::Notifier::setSharedForTesting(&notifier);

#include "notifier.h"

#include <QList>

namespace platform {

class FakeNotifier : public Notifier
{
    Q_OBJECT
public:
    struct Message
    {
        QString title;
        QString body;
    };

    explicit FakeNotifier(QObject *parent = nullptr);
    // Stops being the shared notifier if it is.
    ~FakeNotifier() override;

    void notify(const QString &title, const QString &body) override;
    QList<Message> messages() const { return m_messages; }

private:
    QList<Message> m_messages;
};

} // namespace platform
