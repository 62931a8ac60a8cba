// SPDX-License-Identifier: GPL-3.0-or-later
#include "collections.h"

#include "log.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstring>

QString valueKindName(const PlistValue &value)
{
    switch (value.kind()) {
    case PlistValue::Kind::Null:
        return QStringLiteral("null");
    case PlistValue::Kind::Boolean:
        return QStringLiteral("boolean");
    case PlistValue::Kind::Integer:
    case PlistValue::Kind::Real:
        return QStringLiteral("number");
    case PlistValue::Kind::String:
        return QStringLiteral("string");
    case PlistValue::Kind::Array:
        return QStringLiteral("array");
    case PlistValue::Kind::Dictionary:
        return QStringLiteral("dictionary");
    case PlistValue::Kind::Object:
        return QStringLiteral("object");
    }
    return QStringLiteral("unknown");
}

// ---- Percent encoding ----------------------------------------------------------------------

static int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

static void appendCodePoint(QString &out, char32_t codePoint)
{
    if (codePoint >= 0x10000) {
        out += QChar(QChar::highSurrogate(codePoint));
        out += QChar(QChar::lowSurrogate(codePoint));
    } else {
        out += QChar(char16_t(codePoint));
    }
}

// Strict UTF-8: no overlong forms, no encoded surrogates, nothing past U+10FFFF. A lenient
// decoder would turn such bytes into replacement characters, and the caller could not tell the
// decoded text from the original.
static bool appendDecodedUtf8(const QByteArray &bytes, QString &out)
{
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length;
        char32_t codePoint;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) ||
            codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        appendCodePoint(out, codePoint);
        i += length;
    }
    return true;
}

QString urldecode(const QString &text)
{
    if (text.isNull()) {
        QZLog("No text to decode.");
        return {};
    }
    // Not a null QString even when text is empty: null means failure.
    QString decoded = QStringLiteral("");
    decoded.reserve(text.size());
    // Consecutive escapes are collected and decoded together, as one character may take several.
    QByteArray escapedBytes;
    auto flushEscapedBytes = [&]() {
        const bool ok = appendDecodedUtf8(escapedBytes, decoded);
        escapedBytes.clear();
        return ok;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        if (text[i] != u'%') {
            if (!escapedBytes.isEmpty() && !flushEscapedBytes()) {
                QZLog("Percent escapes in %@ do not form valid UTF-8.", text);
                return {};
            }
            decoded += text[i];
            ++i;
            continue;
        }
        const int high = i + 2 < n ? hexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < n ? hexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            QZLog("Invalid percent escape at position %d in %@.", qint64(i), text);
            return {};
        }
        escapedBytes.append(char(high * 16 + low));
        i += 3;
    }
    if (!escapedBytes.isEmpty() && !flushEscapedBytes()) {
        QZLog("Percent escapes in %@ do not form valid UTF-8.", text);
        return {};
    }
    return decoded;
}

// RFC 2396's unreserved characters (letters, digits and marks) and its reserved ones, less the
// ampersand, which is encoded so that the result can stand as a value in a query.
static bool staysUnencoded(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    return c != 0 && c < 0x80 && std::strchr("-_.!~*'();/?:@=+$,", char(c)) != nullptr;
}

// The UTF-8 bytes of one code point (not a surrogate). Written out by hand: Qt's conversions
// from UCS-4 take a leading U+FEFF for a byte-order mark and drop it.
static int encodeUtf8(char32_t codePoint, unsigned char *bytes)
{
    if (codePoint < 0x80) {
        bytes[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
    bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 4;
}

QString urlencode(const QString &text)
{
    if (text.isNull()) {
        QZLog("No text to encode.");
        return {};
    }
    static const char hexDigits[] = "0123456789ABCDEF";
    QString encoded = QStringLiteral("");
    encoded.reserve(text.size() * 3);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (staysUnencoded(c)) {
            encoded += QChar(c);
            continue;
        }
        char32_t codePoint = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            QZLog("Text %@ holds a lone surrogate at position %d and has no UTF-8 form.", text,
                  qint64(i));
            return {};
        }
        unsigned char bytes[4];
        const int length = encodeUtf8(codePoint, bytes);
        for (int k = 0; k < length; ++k) {
            encoded += u'%';
            encoded += QLatin1Char(hexDigits[bytes[k] >> 4]);
            encoded += QLatin1Char(hexDigits[bytes[k] & 0x0F]);
        }
    }
    return encoded;
}

// ---- Deep copies ---------------------------------------------------------------------------

// The containers whose copies are being made on this thread, outermost first. Shared containers
// can hold themselves; meeting one of these again means the copy would never end.
static thread_local QList<const void *> containersBeingCopied;

namespace {
class CopyingContainer
{
public:
    explicit CopyingContainer(const void *container) { containersBeingCopied.append(container); }
    ~CopyingContainer() { containersBeingCopied.removeLast(); }
    CopyingContainer(const CopyingContainer &) = delete;
    CopyingContainer &operator=(const CopyingContainer &) = delete;
};
} // namespace

static bool isBeingCopied(const void *container)
{
    return containersBeingCopied.contains(container);
}

// A new dictionary with the entries of source, made mutable all the way down.
static PlistDictionaryRef mutableCopyOfDictionary(const PlistDictionaryRef &source)
{
    const CopyingContainer guard(source.get());
    return makeAllContainedDictionaryObjectsMutable(std::make_shared<PlistDictionary>(*source));
}

PlistArrayRef mutableCopyOfArray(const PlistArrayRef &array)
{
    QZLog("Foo...");
    auto copy = std::make_shared<PlistArray>();
    if (!array) {
        QZLog("No array to copy, returning an empty one.");
        QZLog("...bar");
        return copy;
    }
    const CopyingContainer guard(array.get());
    // A copy of the list itself (cheap, shared until written) so that nothing done below can
    // change what is being walked.
    const PlistArray elements = *array;
    copy->reserve(elements.size());
    for (const PlistValue &element : elements) {
        if (const PlistArrayRef innerArray = element.array()) {
            if (isBeingCopied(innerArray.get())) {
                QZLog("An array that holds itself is kept as it is: %p", innerArray.get());
                copy->append(element);
            } else {
                copy->append(mutableCopyOfArray(innerArray));
            }
        } else if (const PlistDictionaryRef innerDictionary = element.dictionary()) {
            if (isBeingCopied(innerDictionary.get())) {
                QZLog("A dictionary that holds itself is kept as it is: %p", innerDictionary.get());
                copy->append(element);
            } else {
                copy->append(mutableCopyOfDictionary(innerDictionary));
            }
        } else {
            // Elements that are neither arrays nor dictionaries are carried over unchanged:
            // dropping them would lose data, and the dictionary walk below keeps them too.
            copy->append(element);
        }
    }
    QZLog("...bar");
    return copy;
}

PlistDictionaryRef makeAllContainedDictionaryObjectsMutable(const PlistDictionaryRef &dictionary)
{
    if (!dictionary) {
        QZLog("No dictionary to make mutable.");
        return dictionary;
    }
    const CopyingContainer guard(dictionary.get());
    // The keys are taken before any value is replaced; the dictionary keeps them throughout.
    const QStringList keys = dictionary->keys();
    for (const QString &key : keys) {
        const PlistValue value = dictionary->value(key);
        if (const PlistArrayRef innerArray = value.array()) {
            if (isBeingCopied(innerArray.get()))
                QZLog("An array that holds itself is kept as it is under key %@", key);
            else
                dictionary->insert(key, PlistValue(mutableCopyOfArray(innerArray)));
        } else if (const PlistDictionaryRef innerDictionary = value.dictionary()) {
            if (isBeingCopied(innerDictionary.get()))
                QZLog("A dictionary that holds itself is kept as it is under key %@", key);
            else
                dictionary->insert(key, PlistValue(mutableCopyOfDictionary(innerDictionary)));
        }
    }
    return dictionary;
}

// ---- C strings -----------------------------------------------------------------------------

bool getCString(const QString &text, char *buffer, int capacity)
{
    if (!buffer) {
        QZLog("No buffer to write %@ into.", text);
        return false;
    }
    if (text.isNull() || capacity <= 0 || text.size() >= capacity)
        return false;
    for (const QChar c : text) {
        if (c.unicode() == 0 || c.unicode() > 0x7F)
            return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        buffer[i] = char(text[i].unicode());
    buffer[text.size()] = '\0';
    return true;
}

// ---- String filters ------------------------------------------------------------------------

// Decomposed form: canonically equivalent texts ("é" as one character or as e + U+0301) become
// the same sequence of code units.
static QString canonical(const QString &text)
{
    return text.normalized(QString::NormalizationForm_D);
}

// Whether needle occurs in text (both canonical, needle not empty) at a place that starts and
// ends between whole characters: "e" does not occur in "é", whose decomposed form starts with e.
static bool containsWholeCharacters(const QString &text, const QString &needle)
{
    qsizetype from = 0;
    qsizetype at;
    while ((at = text.indexOf(needle, from)) >= 0) {
        QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
        boundaries.setPosition(at);
        const bool startsClean = boundaries.isAtBoundary();
        boundaries.setPosition(at + needle.size());
        if (startsClean && boundaries.isAtBoundary())
            return true;
        from = at + 1;
    }
    return false;
}

// Copies array without the strings that drop() selects; elements that are not strings are kept.
// The lines are logged in the name of the public function that asked.
template<typename Drop>
static PlistArrayRef copyWithoutStrings(const char *method, const PlistArrayRef &array, Drop drop)
{
    if (isDebugLoggingOn())
        logWithMethodName(method, __LINE__, "Start!");
    auto result = std::make_shared<PlistArray>();
    if (!array) {
        if (isDebugLoggingOn())
            logWithMethodName(method, __LINE__, "No array to filter, returning an empty one.");
    } else {
        const PlistArray elements = *array;
        for (const PlistValue &element : elements) {
            if (isDebugLoggingOn())
                logWithMethodName(method, __LINE__, "s: %@", element);
            if (!element.isString()) {
                if (isDebugLoggingOn())
                    logWithMethodName(method, __LINE__,
                                      "classname is not NSString, but %@, adding anyway.",
                                      valueKindName(element));
                result->append(element);
            } else if (!drop(canonical(element.stringValue()))) {
                result->append(element);
            }
        }
    }
    if (isDebugLoggingOn())
        logWithMethodName(method, __LINE__, "Ende!");
    return result;
}

PlistArrayRef createNewArrayFromArrayWithoutString(const PlistArrayRef &array,
                                                   const QString &string)
{
    const QString unwanted = canonical(string);
    return copyWithoutStrings(Q_FUNC_INFO, array,
                              [&](const QString &text) { return text == unwanted; });
}

PlistArrayRef createNewArrayFromArrayWithoutStringContaining(const PlistArrayRef &array,
                                                             const QString &string)
{
    // QString::contains finds the empty text everywhere; here it occurs nowhere.
    const QString unwanted = canonical(string);
    return copyWithoutStrings(Q_FUNC_INFO, array, [&](const QString &text) {
        return !unwanted.isEmpty() && containsWholeCharacters(text, unwanted);
    });
}
