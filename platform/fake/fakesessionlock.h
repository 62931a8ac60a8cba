// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A session lock for tests: the test says whether hot keys are withheld and why, and reads back
// how often the dispatch asked.
//
//   platform::FakeSessionLock lock;
//   platform::SessionLock::setSharedForTesting(&lock);
//   lock.setReason(QStringLiteral("the session is locked"));

#include "sessionlock.h"

namespace platform {

class FakeSessionLock : public SessionLock
{
    Q_OBJECT
public:
    explicit FakeSessionLock(QObject *parent = nullptr);
    // Stops being the shared session lock if it is.
    ~FakeSessionLock() override;

    // Counts the question and answers with the reason set last.
    std::optional<QString> reasonToWithholdHotKeys() override;

    // nullopt: hot keys run (the state a new fake starts in).
    void setReason(const std::optional<QString> &reason) { m_reason = reason; }
    int questionsAsked() const { return m_questions; }
    void clearQuestions() { m_questions = 0; }

private:
    std::optional<QString> m_reason;
    int m_questions = 0;
};

} // namespace platform
