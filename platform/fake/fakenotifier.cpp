// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakenotifier.h"

namespace platform {

FakeNotifier::FakeNotifier(QObject *parent) : Notifier(parent) {}

FakeNotifier::~FakeNotifier()
{
    if (Notifier::isSharedForTesting(this))
        Notifier::setSharedForTesting(nullptr);
}

void FakeNotifier::notify(const QString &title, const QString &body)
{
    m_messages.append({title, body});
}

} // namespace platform
