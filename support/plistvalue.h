// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The value type shared by the whole program: what the settings store holds, what the
// property-list file stores, and what "%@" prints in the debug log.
//
// Scalars are held by value. Arrays and dictionaries are held by reference: copying a PlistValue
// that holds a container copies the reference, so a change made through one holder is seen by
// every other holder at once (the shortcut table is changed in place this way). Run-time objects
// (tray icon, menus, monitors) are held as plain QObject pointers; their owner is elsewhere.

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <memory>
#include <variant>

class QObject;
class PlistValue;

using PlistArray = QList<PlistValue>;
// Keys iterate in sorted order: a fixed, predictable order for lookups and for the file.
using PlistDictionary = QMap<QString, PlistValue>;
using PlistArrayRef = std::shared_ptr<PlistArray>;
using PlistDictionaryRef = std::shared_ptr<PlistDictionary>;

class PlistValue
{
public:
    enum class Kind
    {
        Null,
        Boolean,
        Integer,
        Real,
        String,
        Array,
        Dictionary,
        Object
    };

    PlistValue() = default;
    PlistValue(bool value) : m_value(value) {}
    PlistValue(int value) : m_value(qint64(value)) {}
    PlistValue(qint64 value) : m_value(value) {}
    PlistValue(double value) : m_value(value) {}
    PlistValue(const QString &value) : m_value(value) {}
    PlistValue(const char *value) : m_value(QString::fromUtf8(value)) {}
    PlistValue(PlistArrayRef value);
    PlistValue(PlistDictionaryRef value);
    PlistValue(QObject *value) : m_value(value) {}

    static PlistValue newArray(PlistArray items = {});
    static PlistValue newDictionary(PlistDictionary entries = {});
    static PlistValue fromStringList(const QStringList &strings);

    Kind kind() const { return Kind(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isBoolean() const { return kind() == Kind::Boolean; }
    bool isNumber() const;
    bool isString() const { return kind() == Kind::String; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }
    bool isObject() const { return kind() == Kind::Object; }
    // Whether the value can be written to a property list (no run-time objects, no null).
    bool isPropertyList() const;

    // Readings in the manner of the platform's number and text objects: a boolean reading of
    // "YES", "true" or "1" is true, the integer reading of "42abc" is 42, and so on.
    bool boolValue() const;
    qint64 integerValue() const;
    double realValue() const;
    // The text of a string value; the empty text for every other kind.
    QString stringValue() const;

    // The container itself (shared), or null when the value is not of that kind.
    PlistArrayRef array() const;
    PlistDictionaryRef dictionary() const;
    QObject *object() const;

    // A new value with fresh containers all the way down.
    PlistValue deepCopy() const;

    // Human-readable form for the log: a text as it is, dictionaries as "{ key = value; }",
    // arrays as "( a, b )"; texts inside them quoted when they hold anything but letters,
    // digits and "._/-".
    QString description() const;

    // Deep equality of contents; two null values are equal, objects compare by identity.
    friend bool operator==(const PlistValue &a, const PlistValue &b);
    friend bool operator!=(const PlistValue &a, const PlistValue &b) { return !(a == b); }

private:
    QString nestedDescription() const;

    std::variant<std::monostate, bool, qint64, double, QString, PlistArrayRef, PlistDictionaryRef,
                 QObject *>
        m_value;
};

// The platform's integer reading of a text: optional leading white space, an optional sign and
// decimal digits; anything else gives 0. Saturates at the limits of the result type.
qint64 integerValueOfText(QStringView text);
int intValueOfText(QStringView text);

// The platform's boolean reading of a text: true when, after white space, an optional sign and
// zeros, it starts with Y, y, T, t or a digit 1 to 9.
bool boolValueOfText(QStringView text);
Q_DECLARE_METATYPE(PlistValue)
