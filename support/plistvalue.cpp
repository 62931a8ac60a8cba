// SPDX-License-Identifier: GPL-3.0-or-later
#include "plistvalue.h"

#include <QObject>

#include <cmath>
#include <limits>

PlistValue::PlistValue(PlistArrayRef value)
{
    if (value)
        m_value = std::move(value);
}

PlistValue::PlistValue(PlistDictionaryRef value)
{
    if (value)
        m_value = std::move(value);
}

PlistValue PlistValue::newArray(PlistArray items)
{
    return PlistValue(std::make_shared<PlistArray>(std::move(items)));
}

PlistValue PlistValue::newDictionary(PlistDictionary entries)
{
    return PlistValue(std::make_shared<PlistDictionary>(std::move(entries)));
}

PlistValue PlistValue::fromStringList(const QStringList &strings)
{
    PlistArray items;
    items.reserve(strings.size());
    for (const QString &s : strings)
        items.append(s);
    return newArray(std::move(items));
}

bool PlistValue::isNumber() const
{
    const Kind k = kind();
    return k == Kind::Boolean || k == Kind::Integer || k == Kind::Real;
}

bool PlistValue::isPropertyList() const
{
    switch (kind()) {
    case Kind::Null:
    case Kind::Object:
        return false;
    case Kind::Array:
        for (const PlistValue &item : *array())
            if (!item.isPropertyList())
                return false;
        return true;
    case Kind::Dictionary:
        for (const PlistValue &item : *dictionary())
            if (!item.isPropertyList())
                return false;
        return true;
    default:
        return true;
    }
}

bool PlistValue::boolValue() const
{
    switch (kind()) {
    case Kind::Boolean:
        return std::get<bool>(m_value);
    case Kind::Integer:
        return std::get<qint64>(m_value) != 0;
    case Kind::Real:
        return std::get<double>(m_value) != 0.0;
    case Kind::String:
        return boolValueOfText(std::get<QString>(m_value));
    default:
        return false;
    }
}

qint64 PlistValue::integerValue() const
{
    switch (kind()) {
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case Kind::Integer:
        return std::get<qint64>(m_value);
    case Kind::Real: {
        const double d = std::get<double>(m_value);
        if (std::isnan(d))
            return 0;
        if (d >= double(std::numeric_limits<qint64>::max()))
            return std::numeric_limits<qint64>::max();
        if (d <= double(std::numeric_limits<qint64>::min()))
            return std::numeric_limits<qint64>::min();
        return qint64(d);
    }
    case Kind::String:
        return integerValueOfText(std::get<QString>(m_value));
    default:
        return 0;
    }
}

double PlistValue::realValue() const
{
    switch (kind()) {
    case Kind::Real:
        return std::get<double>(m_value);
    case Kind::String:
        return std::get<QString>(m_value).trimmed().toDouble();
    default:
        return double(integerValue());
    }
}

QString PlistValue::stringValue() const
{
    if (const QString *s = std::get_if<QString>(&m_value))
        return *s;
    return {};
}

PlistArrayRef PlistValue::array() const
{
    if (const PlistArrayRef *a = std::get_if<PlistArrayRef>(&m_value))
        return *a;
    return {};
}

PlistDictionaryRef PlistValue::dictionary() const
{
    if (const PlistDictionaryRef *d = std::get_if<PlistDictionaryRef>(&m_value))
        return *d;
    return {};
}

QObject *PlistValue::object() const
{
    if (QObject *const *o = std::get_if<QObject *>(&m_value))
        return *o;
    return nullptr;
}

PlistValue PlistValue::deepCopy() const
{
    if (const PlistArrayRef a = array()) {
        PlistArray items;
        items.reserve(a->size());
        for (const PlistValue &item : *a)
            items.append(item.deepCopy());
        return newArray(std::move(items));
    }
    if (const PlistDictionaryRef d = dictionary()) {
        PlistDictionary entries;
        for (auto it = d->cbegin(); it != d->cend(); ++it)
            entries.insert(it.key(), it.value().deepCopy());
        return newDictionary(std::move(entries));
    }
    return *this;
}

static QString quotedIfNeeded(const QString &text)
{
    bool plain = !text.isEmpty();
    for (const QChar c : text) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'/' || c == u'-')) {
            plain = false;
            break;
        }
    }
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'\n', QStringLiteral("\\n"));
    return u'"' + quoted + u'"';
}

QString PlistValue::description() const
{
    // A text by itself prints as it is; inside a container it is quoted when needed.
    if (const QString *s = std::get_if<QString>(&m_value))
        return *s;
    return nestedDescription();
}

QString PlistValue::nestedDescription() const
{
    switch (kind()) {
    case Kind::Null:
        return QStringLiteral("(null)");
    case Kind::Boolean:
        // The platform's boolean numbers print as 1 and 0.
        return std::get<bool>(m_value) ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Integer:
        return QString::number(std::get<qint64>(m_value));
    case Kind::Real:
        return QString::number(std::get<double>(m_value), 'g', 17);
    case Kind::String:
        return quotedIfNeeded(std::get<QString>(m_value));
    case Kind::Array: {
        const PlistArrayRef a = array();
        if (a->isEmpty())
            return QStringLiteral("( )");
        QStringList parts;
        for (const PlistValue &item : *a)
            parts.append(item.nestedDescription());
        return QStringLiteral("( ") + parts.join(QStringLiteral(", ")) + QStringLiteral(" )");
    }
    case Kind::Dictionary: {
        const PlistDictionaryRef d = dictionary();
        if (d->isEmpty())
            return QStringLiteral("{ }");
        QString out = QStringLiteral("{ ");
        for (auto it = d->cbegin(); it != d->cend(); ++it)
            out += quotedIfNeeded(it.key()) + QStringLiteral(" = ") +
                   it.value().nestedDescription() + QStringLiteral("; ");
        return out + u'}';
    }
    case Kind::Object: {
        const QObject *o = object();
        if (!o)
            return QStringLiteral("(null)");
        return QStringLiteral("<%1: 0x%2>")
            .arg(QString::fromUtf8(o->metaObject()->className()))
            .arg(quintptr(o), 0, 16);
    }
    }
    return {};
}

bool operator==(const PlistValue &a, const PlistValue &b)
{
    if (a.kind() != b.kind()) {
        // Numbers compare by value whatever their kind, as the platform's numbers do.
        if (a.isNumber() && b.isNumber())
            return a.realValue() == b.realValue();
        return false;
    }
    switch (a.kind()) {
    case PlistValue::Kind::Array: {
        const auto x = a.array(), y = b.array();
        return x == y || *x == *y;
    }
    case PlistValue::Kind::Dictionary: {
        const auto x = a.dictionary(), y = b.dictionary();
        return x == y || *x == *y;
    }
    default:
        return a.m_value == b.m_value;
    }
}

template<typename Int> static Int saturatingIntegerReading(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number so that the minimum value is reachable.
    constexpr Int min = std::numeric_limits<Int>::min();
    Int value = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (saturated)
            continue;
        if (value < (min + digit) / 10) {
            saturated = true;
            continue;
        }
        value = Int(value * 10 - digit);
    }
    if (saturated)
        return negative ? min : std::numeric_limits<Int>::max();
    if (negative)
        return value;
    return value == min ? std::numeric_limits<Int>::max() : Int(-value);
}

qint64 integerValueOfText(QStringView text)
{
    return saturatingIntegerReading<qint64>(text);
}

int intValueOfText(QStringView text)
{
    return saturatingIntegerReading<int>(text);
}

bool boolValueOfText(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && text[i] == u'0')
        ++i;
    if (i >= text.size())
        return false;
    const QChar c = text[i];
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}
