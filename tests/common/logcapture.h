// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Captures what the debug log writes while a test runs, so the test can check the messages.
//
//   LogCapture capture;              // debug log on, standard error captured
//   isIPv4AddressString("1.2.3.4");
//   QCOMPARE(capture.messages(), QStringList{"Addressstring 1.2.3.4 is OK!"});
//
// It is a StandardErrorCapture (testsupport.h) read as log lines: lines written by code outside
// the program's log (the process log, a child process sharing standard error) are caught as
// well. The capture ends at stop(), at the first lines()/messages() call, or when the object
// goes out of scope (also on a failed QVERIFY). Captures do not nest.

#include "log.h"
#include "testsupport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

struct CapturedLogLine
{
    QString method;  // the function that logged, e.g. "isIPv4AddressString"; empty for lines
                     // written straight to the process log
    int line = -1;   // its source line, -1 when there is none
    QString message; // the text after "method (line): " (or the whole text), newlines kept
};

class LogCapture
{
public:
    // switchAfterwards: the log switch hook to put back when the capture ends (nullptr: the log
    // is silent again, as in a test that never installed one).
    explicit LogCapture(LogSwitchHook switchAfterwards = nullptr);
    ~LogCapture() { stop(); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Ends the capture and returns every line written meanwhile, in order.
    const QList<CapturedLogLine> &stop();
    const QList<CapturedLogLine> &lines() { return stop(); }
    QStringList messages();
    // The messages logged by one function only.
    QStringList messagesFrom(const QString &method);

private:
    void parse(const QString &text);

    LogSwitchHook m_switchAfterwards;
    std::unique_ptr<StandardErrorCapture> m_capture;
    QList<CapturedLogLine> m_lines;
};
