// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The debug log: one line per call on standard error, switched by the debug-logging setting.
//
//   QZLog("Found folder at: %@", path);
//
// writes "<time> trundle[<pid>] QZAppDelegate::updateMenu (123): Found folder at: /x/y" while
// the switch is on, and costs one settings lookup (nothing is formatted) while it is off.
// Formats use printf's conversions plus "%@", which inserts a value's description.

#include "plistvalue.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// One argument of a log format. Holds a reference-free copy of what the conversion needs.
class LogArgument
{
public:
    enum class Kind
    {
        Integer,
        Unsigned,
        Real,
        CString,
        Pointer,
        Value
    };

    template<typename T>
    requires(std::is_integral_v<T> &&std::is_signed_v<T>) LogArgument(T v)
        : m_kind(Kind::Integer), m_integer(v)
    {}
    template<typename T>
    requires(std::is_integral_v<T> &&std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
        LogArgument(T v)
        : m_kind(Kind::Unsigned), m_unsigned(v)
    {}
    LogArgument(bool v) : m_kind(Kind::Integer), m_integer(v ? 1 : 0) {}
    LogArgument(double v) : m_kind(Kind::Real), m_real(v) {}
    LogArgument(const char *v) : m_kind(Kind::CString), m_cstring(v) {}
    LogArgument(const void *v) : m_kind(Kind::Pointer), m_pointer(v) {}
    LogArgument(const QString &v) : m_kind(Kind::Value), m_value(v) {}
    LogArgument(const QStringList &v) : m_kind(Kind::Value), m_value(PlistValue::fromStringList(v))
    {}
    LogArgument(const PlistValue &v) : m_kind(Kind::Value), m_value(v) {}

    // The argument rendered by one printf conversion (spec holds flags, width and precision
    // without the length modifier; conversion is the letter, or '@').
    QString render(const QByteArray &spec, char conversion) const;

private:
    // The argument as text, whatever its kind.
    QString plainText() const;

    Kind m_kind;
    union {
        qint64 m_integer;
        quint64 m_unsigned;
        double m_real;
        const char *m_cstring;
        const void *m_pointer;
    };
    PlistValue m_value;
};

// The switch is read through a hook that the settings store installs when it is created, so
// that this library does not depend on the store. No hook: no store yet, and the log is silent.
using LogSwitchHook = bool (*)();
void setLogSwitchHook(LogSwitchHook hook);
bool isDebugLoggingOn();

// Formats like printf with "%@" added; the format is never taken from the arguments, so percent
// signs inside inserted values stay as they are.
QString stringWithFormat(const char *format, std::initializer_list<LogArgument> arguments);

// The trimmed name of a function as the compiler spells it: "void Foo::bar(int)" -> "Foo::bar".
QString methodNameFromSignature(const char *signature);

// Writes one line to standard error: time stamp, process name and ID, then the text.
// This is the process log itself; it does not look at the debug switch.
void writeProcessLogLine(const QString &text);

void logFormattedLine(const char *method, int line, const char *format,
                      std::initializer_list<LogArgument> arguments);

template<typename... Args>
void logWithMethodName(const char *method, int line, const char *format, const Args &...args)
{
    if (!isDebugLoggingOn())
        return;
    logFormattedLine(method, line, format, {LogArgument(args)...});
}

// Writes to the process log whatever the debug switch says.
template<typename... Args> void processLog(const char *format, const Args &...args)
{
    writeProcessLogLine(stringWithFormat(format, {LogArgument(args)...}));
}

// The call-site macro: the enclosing function's name and the line of the call. The switch is
// tested before the arguments are evaluated, so expensive arguments cost nothing while it is off.
#define QZLog(...)                                                                                 \
    do {                                                                                           \
        if (isDebugLoggingOn())                                                                    \
            logWithMethodName(Q_FUNC_INFO, __LINE__, __VA_ARGS__);                                 \
    } while (false)
