#pragma once

// Captures what the debug log writes while a test runs, so the test can check the messages.
//
//   LogCapture capture;              // debug log on, standard error into a temporary file
//   isIPv4AddressString("1.2.3.4");
//   QCOMPARE(capture.messages(), QStringList{"Addressstring 1.2.3.4 is OK!"});
//
// The log writes to file descriptor 2, so the capture swaps that descriptor (dup2) rather than
// the C++ stream; lines written by code outside the program's log (the process log, a child
// process sharing standard error) are caught as well. The capture ends at stop(), at the first
// lines()/messages() call, or when the object goes out of scope (also on a failed QVERIFY).
// Captures do not nest.

#include "log.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

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
    explicit LogCapture(LogSwitchHook switchAfterwards = nullptr)
        : m_switchAfterwards(switchAfterwards)
    {
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_savedStderr = m_file ? ::dup(STDERR_FILENO) : -1;
        if (m_savedStderr >= 0 && ::dup2(fileno(m_file), STDERR_FILENO) >= 0) {
            m_capturing = true;
        } else {
            // Without a capture the checks on messages fail on their own; say why.
            std::fprintf(stderr, "LogCapture: cannot redirect standard error\n");
        }
        setLogSwitchHook([] { return true; });
    }

    ~LogCapture() { stop(); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Ends the capture and returns every line written meanwhile, in order.
    const QList<CapturedLogLine> &stop()
    {
        if (!m_stopped) {
            m_stopped = true;
            setLogSwitchHook(m_switchAfterwards);
            std::fflush(stderr);
            if (m_capturing) {
                ::dup2(m_savedStderr, STDERR_FILENO);
                m_capturing = false;
            }
            if (m_savedStderr >= 0)
                ::close(m_savedStderr);
            if (m_file) {
                QByteArray bytes;
                std::rewind(m_file);
                char chunk[4096];
                size_t got;
                while ((got = std::fread(chunk, 1, sizeof chunk, m_file)) > 0)
                    bytes.append(chunk, qsizetype(got));
                std::fclose(m_file);
                m_file = nullptr;
                parse(QString::fromUtf8(bytes));
            }
        }
        return m_lines;
    }

    const QList<CapturedLogLine> &lines() { return stop(); }

    QStringList messages()
    {
        QStringList out;
        for (const CapturedLogLine &line : stop())
            out.append(line.message);
        return out;
    }

    // The messages logged by one function only.
    QStringList messagesFrom(const QString &method)
    {
        QStringList out;
        for (const CapturedLogLine &line : stop()) {
            if (line.method == method)
                out.append(line.message);
        }
        return out;
    }

private:
    // Each log line starts with "<date> <time> <process>[<pid>] "; a line without that start
    // continues the message before it (a message that held a newline).
    void parse(const QString &text)
    {
        static const QRegularExpression start(
            QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} .*?\[\d+\] (.*)$)"));
        static const QRegularExpression methodAndLine(QStringLiteral(R"(^(.*?) \((-?\d+)\): )"));
        QStringList physical = text.split(u'\n');
        if (!physical.isEmpty() && physical.last().isEmpty())
            physical.removeLast();
        for (const QString &raw : physical) {
            const QRegularExpressionMatch header = start.match(raw);
            if (!header.hasMatch()) {
                if (m_lines.isEmpty())
                    m_lines.append({QString(), -1, raw});
                else
                    m_lines.last().message += u'\n' + raw;
                continue;
            }
            const QString rest = header.captured(1);
            const QRegularExpressionMatch prefix = methodAndLine.match(rest);
            if (prefix.hasMatch())
                m_lines.append({prefix.captured(1), prefix.captured(2).toInt(),
                                rest.mid(prefix.capturedLength(0))});
            else
                m_lines.append({QString(), -1, rest});
        }
    }

    LogSwitchHook m_switchAfterwards;
    std::FILE *m_file = nullptr;
    int m_savedStderr = -1;
    bool m_capturing = false;
    bool m_stopped = false;
    QList<CapturedLogLine> m_lines;
};
