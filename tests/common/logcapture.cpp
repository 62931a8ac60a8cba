// SPDX-License-Identifier: GPL-3.0-or-later
#include "logcapture.h"

#include <QRegularExpression>

LogCapture::LogCapture(LogSwitchHook switchAfterwards)
    : m_switchAfterwards(switchAfterwards), m_capture(std::make_unique<StandardErrorCapture>())
{
    setLogSwitchHook([] { return true; });
}

const QList<CapturedLogLine> &LogCapture::stop()
{
    if (m_capture) {
        setLogSwitchHook(m_switchAfterwards);
        parse(m_capture->text());
        m_capture.reset();
    }
    return m_lines;
}

QStringList LogCapture::messages()
{
    QStringList out;
    for (const CapturedLogLine &line : stop())
        out.append(line.message);
    return out;
}

QStringList LogCapture::messagesFrom(const QString &method)
{
    QStringList out;
    for (const CapturedLogLine &line : stop()) {
        if (line.method == method)
            out.append(line.message);
    }
    return out;
}

// Each log line starts with "<date> <time> <process>[<pid>] "; a line without that start
// continues the message before it (a message that held a newline).
void LogCapture::parse(const QString &text)
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
