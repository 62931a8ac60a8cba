// SPDX-License-Identifier: GPL-3.0-or-later
#include "log.h"

#include <QDateTime>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unistd.h>

// The conversions below build printf formats from the caller's format, one conversion at a
// time, each checked against the kind of its argument first.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

static std::atomic<LogSwitchHook> logSwitchHook{nullptr};

void setLogSwitchHook(LogSwitchHook hook)
{
    logSwitchHook.store(hook, std::memory_order_release);
}

bool isDebugLoggingOn()
{
    const LogSwitchHook hook = logSwitchHook.load(std::memory_order_acquire);
    return hook && hook();
}

QString LogArgument::render(const QByteArray &spec, char conversion) const
{
    const QByteArray pattern = '%' + spec;
    const bool numeric =
        m_kind == Kind::Integer || m_kind == Kind::Unsigned || m_kind == Kind::Real;
    switch (conversion) {
    case '@':
        if (m_kind == Kind::Value)
            return m_value.description();
        if (m_kind == Kind::CString)
            return m_cstring ? QString::fromUtf8(m_cstring) : QStringLiteral("(null)");
        break;
    case 'c':
        if (m_kind == Kind::Integer || m_kind == Kind::Unsigned)
            return QString(
                QChar(char16_t(m_kind == Kind::Unsigned ? m_unsigned : quint64(m_integer))));
        break;
    case 'd':
    case 'i':
        if (numeric)
            return QString::asprintf((pattern + "lld").constData(),
                                     m_kind == Kind::Unsigned ? qint64(m_unsigned)
                                     : m_kind == Kind::Real   ? qint64(m_real)
                                                              : m_integer);
        break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        if (numeric)
            return QString::asprintf((pattern + "ll" + conversion).constData(),
                                     m_kind == Kind::Integer ? quint64(m_integer)
                                     : m_kind == Kind::Real  ? quint64(m_real)
                                                             : m_unsigned);
        break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (numeric)
            return QString::asprintf((pattern + conversion).constData(),
                                     m_kind == Kind::Real      ? m_real
                                     : m_kind == Kind::Integer ? double(m_integer)
                                                               : double(m_unsigned));
        break;
    case 's':
        if (m_kind == Kind::CString)
            return QString::asprintf((pattern + 's').constData(), m_cstring ? m_cstring : "(null)");
        if (m_kind == Kind::Value)
            return m_value.isString() ? m_value.stringValue() : m_value.description();
        break;
    case 'p':
        if (m_kind == Kind::Pointer)
            return QString::asprintf("%p", m_pointer);
        if (m_kind == Kind::CString)
            return QString::asprintf("%p", static_cast<const void *>(m_cstring));
        break;
    }
    // A conversion that does not fit the argument (a text for %d, a number for %s): show the
    // value itself rather than reinterpret its bytes, padded to the conversion's width.
    const QString text = plainText();
    qsizetype flags = 0;
    while (flags < spec.size() && std::strchr("-+ #0", spec.at(flags)))
        ++flags;
    const bool leftAligned = spec.left(flags).contains('-');
    const int width = spec.mid(flags).split('.').value(0).toInt();
    return leftAligned ? text.leftJustified(width) : text.rightJustified(width);
}

QString LogArgument::plainText() const
{
    switch (m_kind) {
    case Kind::Integer:
        return QString::number(m_integer);
    case Kind::Unsigned:
        return QString::number(m_unsigned);
    case Kind::Real:
        return QString::number(m_real);
    case Kind::CString:
        return m_cstring ? QString::fromUtf8(m_cstring) : QStringLiteral("(null)");
    case Kind::Pointer:
        return QString::asprintf("%p", m_pointer);
    case Kind::Value:
        return m_value.isString() ? m_value.stringValue() : m_value.description();
    }
    return {};
}

QString stringWithFormat(const char *format, std::initializer_list<LogArgument> arguments)
{
    QString out;
    const LogArgument *next = arguments.begin();
    const char *p = format;
    const char *literal = p;
    auto flushLiteral = [&](const char *end) {
        out += QString::fromUtf8(literal, end - literal);
    };
    while (*p) {
        if (*p != '%') {
            ++p;
            continue;
        }
        flushLiteral(p);
        const char *start = ++p;
        if (*p == '%') {
            out += u'%';
            literal = ++p;
            continue;
        }
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        while (*p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.'))
            ++p;
        const QByteArray spec(start, p - start);
        while (*p && std::strchr("hlqLjzt", *p))
            ++p;
        if (!*p) {
            literal = start - 1;
            break;
        }
        const char conversion = *p++;
        literal = p;
        if (next == arguments.end()) {
            out += QStringLiteral("(missing)");
            continue;
        }
        out += (next++)->render(spec, conversion);
    }
    flushLiteral(p);
    return out;
}

QString methodNameFromSignature(const char *signature)
{
    const QByteArray s(signature);
    // The parameter list starts at the first "(" outside angle brackets.
    int depth = 0;
    qsizetype open = s.size();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        else if (c == '(' && depth <= 0) {
            open = i;
            break;
        }
    }
    QByteArray head = s.left(open);
    depth = 0;
    for (qsizetype i = head.size() - 1; i >= 0; --i) {
        const char c = head[i];
        if (c == '>')
            ++depth;
        else if (c == '<')
            --depth;
        else if (c == ' ' && depth == 0) {
            head = head.mid(i + 1);
            break;
        }
    }
    while (head.startsWith('*') || head.startsWith('&'))
        head.remove(0, 1);
    return QString::fromUtf8(head);
}

void writeProcessLogLine(const QString &text)
{
    // Never destroyed: the termination may log from an exit handler, after other statics are gone.
    static const auto *processName = new QByteArray(program_invocation_short_name);
    const QByteArray line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8() +
        ' ' + *processName + '[' + QByteArray::number(getpid()) + "] " + text.toUtf8() + '\n';
    // One write per line keeps lines whole when several processes share the terminal.
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void logFormattedLine(const char *method, int line, const char *format,
                      std::initializer_list<LogArgument> arguments)
{
    if (!isDebugLoggingOn())
        return;
    const QString prefix =
        QStringLiteral("%1 (%2): ").arg(methodNameFromSignature(method)).arg(line);
    writeProcessLogLine(prefix + stringWithFormat(format, arguments));
}
